#ifndef ZAMCORE_RUNTIME_REF_COUNT_H
#define ZAMCORE_RUNTIME_REF_COUNT_H

#include <cstdint>

#include "zamcore/runtime/export.h"

// Base of every shared engine object. An object counts the handles
// (ref_count_ptr) that hold it and deletes itself when the last one lets go.
// A freshly constructed object has a count of 0 and belongs to nobody until
// the first handle takes it.
class ZAMCORE_API ref_count {
public:
    void addReference() noexcept { ++count; }

    // Deletes the object through its virtual destructor when the count drops
    // to 0.
    void removeReference() noexcept {
        if (--count == 0) {
            delete this;
        }
    }

    // End-of-run hook for hosts and debuggers; does nothing.
    static void debugend();

protected:
    ref_count() noexcept : count(0) { ++globalCount; }
    // A copy is a new object: it starts unowned, whatever the source's count.
    ref_count(const ref_count&) noexcept : count(0) { ++globalCount; }
    ref_count& operator=(const ref_count&) noexcept { return *this; }
    virtual ~ref_count() { --globalCount; }

    // Number of live counted objects in the process: a leak counter.
    static std::int32_t globalCount;

private:
    std::int32_t count;
};

#endif
