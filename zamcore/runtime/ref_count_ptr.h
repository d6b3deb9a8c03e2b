#ifndef ZAMCORE_RUNTIME_REF_COUNT_PTR_H
#define ZAMCORE_RUNTIME_REF_COUNT_PTR_H

#include <functional>

#include "zamcore/runtime/export.h"

class ZAMOption;
class ZAMValue;

// How handles to T compare and order. Handles compare by identity and order by
// address unless the pointee's class says otherwise; the specialisations below
// are declared here, next to the primary template, so that every translation
// unit orders option and value handles the same way.
template <class T>
struct ref_count_traits {
    static bool equal(const T* a, const T* b) noexcept { return a == b; }
    static bool less(const T* a, const T* b) noexcept { return std::less<const T*>()(a, b); }
};

// Option handles order by option id, which is the order of creation.
template <>
struct ZAMCORE_API ref_count_traits<ZAMOption> {
    static bool equal(const ZAMOption* a, const ZAMOption* b) noexcept { return a == b; }
    static bool less(const ZAMOption* a, const ZAMOption* b);
};

// Value handles compare and order by value; ordering values of kinds that
// have no order throws code 202.
template <>
struct ZAMCORE_API ref_count_traits<ZAMValue> {
    static bool equal(const ZAMValue* a, const ZAMValue* b);
    static bool less(const ZAMValue* a, const ZAMValue* b);
};

// Counted handle to an object derived from ref_count. A non-null handle owns
// exactly one unit of its pointee's count. One pointer wide; every operation
// is inline and none throws.
template <class T>
class ref_count_ptr {
public:
    ref_count_ptr() noexcept : ptr(nullptr) {}

    // Takes one reference on p: this is how a factory hands a new object to
    // its first owner.
    ref_count_ptr(T* p) noexcept : ptr(p) { acquire(); }

    ref_count_ptr(const ref_count_ptr& other) noexcept : ptr(other.ptr) { acquire(); }

    template <class U>
    ref_count_ptr(const ref_count_ptr<U>& other) noexcept : ptr(other.get()) {
        acquire();
    }

    ref_count_ptr(ref_count_ptr&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }

    ~ref_count_ptr() { release(); }

    ref_count_ptr& operator=(const ref_count_ptr& other) noexcept { return reset(other.ptr); }

    ref_count_ptr& operator=(ref_count_ptr&& other) noexcept {
        if (ptr != other.ptr) {
            release();
            ptr = other.ptr;
            other.ptr = nullptr;
        }
        return *this;
    }

    ref_count_ptr& operator=(T* p) noexcept { return reset(p); }

    T* operator->() const noexcept { return ptr; }
    T& operator*() const noexcept { return *ptr; }
    T* get() const noexcept { return ptr; }
    explicit operator bool() const noexcept { return ptr != nullptr; }

private:
    // The new pointee is taken before the old one is released, so releasing an
    // object that was the last owner of the new one cannot delete it.
    ref_count_ptr& reset(T* p) noexcept {
        if (p != ptr) {
            T* old = ptr;
            ptr = p;
            acquire();
            if (old != nullptr) {
                old->removeReference();
            }
        }
        return *this;
    }

    void acquire() noexcept {
        if (ptr != nullptr) {
            ptr->addReference();
        }
    }

    void release() noexcept {
        if (ptr != nullptr) {
            ptr->removeReference();
        }
    }

    T* ptr;
};

template <class T>
bool operator==(const ref_count_ptr<T>& a, const ref_count_ptr<T>& b) {
    return ref_count_traits<T>::equal(a.get(), b.get());
}

template <class T>
bool operator!=(const ref_count_ptr<T>& a, const ref_count_ptr<T>& b) {
    return !(a == b);
}

// Ordering for keys of ordered sets and maps; keys must not be null when the
// pointee orders by content.
template <class T>
bool operator<(const ref_count_ptr<T>& a, const ref_count_ptr<T>& b) {
    return ref_count_traits<T>::less(a.get(), b.get());
}

#endif
