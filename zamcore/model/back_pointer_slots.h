#ifndef ZAMCORE_MODEL_BACK_POINTER_SLOTS_H
#define ZAMCORE_MODEL_BACK_POINTER_SLOTS_H

#include <cstddef>
#include <cstdint>
#include <vector>

class ZAMWindow;

namespace zamcore {

// The places that hold raw pointers back to one window. Every option of
// every module enters when it is made and leaves when it goes, so this is a
// flat table searched from a hashed position (no allocation per entry, and
// one cache line per lookup as a rule). A place that left is marked as gone
// and reused; the marks are dropped when the table grows or is rebuilt.
class BackPointerSlots {
public:
    using Slot = ZAMWindow**;

    // Nothing when the place is in already.
    void insert(Slot slot) {
        if ((used_ + 1) * 2 > table_.size()) {
            rebuild(live_ + 1);
        }
        std::size_t at = home(slot);
        std::size_t reusable = kNowhere;
        for (; table_[at] != nullptr; at = next(at)) {
            if (table_[at] == slot) {
                return;
            }
            if (table_[at] == gone() && reusable == kNowhere) {
                reusable = at;
            }
        }
        if (reusable == kNowhere) {
            reusable = at;
            ++used_;
        }
        table_[reusable] = slot;
        ++live_;
    }

    // Nothing when the place is not in.
    void erase(Slot slot) {
        const std::size_t at = locate(slot);
        if (at != kNowhere) {
            table_[at] = gone();
            --live_;
        }
    }

    bool contains(Slot slot) const { return locate(slot) != kNowhere; }

    std::size_t size() const { return live_; }

    template <class Action>
    void forEach(Action action) const {
        for (Slot slot : table_) {
            if (slot != nullptr && slot != gone()) {
                action(slot);
            }
        }
    }

private:
    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

    // A place no object has: the mark of one that left.
    static Slot gone() {
        static ZAMWindow* mark = nullptr;
        return &mark;
    }

    // The address in units of a cache line: options and modules are larger
    // than one, so each has a home of its own, and objects made one after
    // another (as loading makes them) take neighbouring slots instead of
    // one cache line of the table each.
    std::size_t home(Slot slot) const {
        const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(slot));
        return static_cast<std::size_t>(address >> 6) & (table_.size() - 1);
    }
    std::size_t next(std::size_t at) const { return (at + 1) & (table_.size() - 1); }

    // Where the place is in the table, or kNowhere.
    std::size_t locate(Slot slot) const {
        if (table_.empty()) {
            return kNowhere;
        }
        for (std::size_t at = home(slot); table_[at] != nullptr; at = next(at)) {
            if (table_[at] == slot) {
                return at;
            }
        }
        return kNowhere;
    }

    // At most a quarter full afterwards, marks dropped.
    void rebuild(std::size_t wanted) {
        std::size_t slots = 16;
        while (slots < wanted * 4) {
            slots *= 2;
        }
        std::vector<Slot> old(slots, nullptr);
        old.swap(table_);
        used_ = 0;
        live_ = 0;
        for (Slot slot : old) {
            if (slot != nullptr && slot != gone()) {
                insert(slot);
            }
        }
    }

    std::vector<Slot> table_;
    std::size_t live_ = 0;
    std::size_t used_ = 0;  // live places and marks of gone ones
};

}  // namespace zamcore

#endif
