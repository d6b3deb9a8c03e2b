#ifndef ZAMCORE_TESTS_ALLOCATION_FAILING_ALLOCATOR_H
#define ZAMCORE_TESTS_ALLOCATION_FAILING_ALLOCATOR_H

// This test executable replaces the global operator new and delete. The
// library resolves them at load time like any other shared object does (it
// binds only its own functions to itself), so its allocations come here too.
//
// While a FailingAllocation is alive, allocations are counted, and the n-th
// one fails: it throws std::bad_alloc, or returns null for the nothrow forms.
// Only that one fails; the allocations after it succeed again. Outside a
// FailingAllocation nothing is counted and nothing fails. One at a time.
class FailingAllocation {
public:
    // 0 counts without failing.
    explicit FailingAllocation(long failAt);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    // Allocations counted so far.
    long count() const;
    // Whether the allocation meant to fail was reached.
    bool reached() const;
};

#endif
