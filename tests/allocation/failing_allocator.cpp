#include "failing_allocator.h"

#include <cstdlib>
#include <new>

namespace {

bool armed = false;
long counted = 0;
long failAt = 0;

// Counts the allocation; true for the one that must fail.
bool mustFail() {
    if (!armed) {
        return false;
    }
    return ++counted == failAt;
}

void* allocate(std::size_t size) {
    if (mustFail()) {
        throw std::bad_alloc();
    }
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

void* allocateNoThrow(std::size_t size) noexcept {
    if (mustFail()) {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

// aligned_alloc wants a size that is a multiple of the alignment.
void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (mustFail()) {
        throw std::bad_alloc();
    }
    const std::size_t align = static_cast<std::size_t>(alignment);
    void* memory = std::aligned_alloc(align, (size + align - 1) / align * align);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

}  // namespace

FailingAllocation::FailingAllocation(long n) {
    counted = 0;
    failAt = n;
    armed = true;
}

FailingAllocation::~FailingAllocation() {
    armed = false;
}

long FailingAllocation::count() const {
    return counted;
}

bool FailingAllocation::reached() const {
    return failAt != 0 && counted >= failAt;
}

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateNoThrow(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
