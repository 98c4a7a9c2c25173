#pragma once

// Makes large allocations of a test program fail, as they would on a machine out
// of memory: this header replaces the program's global operator new. Include it
// in exactly one source file of a test program.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace veskor::testing {

inline std::atomic<std::size_t> failAllocationsAbove{SIZE_MAX};

// While it lives, every allocation of more than `bytes` throws std::bad_alloc.
class FailingAllocations {
public:
    explicit FailingAllocations(std::size_t bytes) { failAllocationsAbove = bytes; }
    ~FailingAllocations() { failAllocationsAbove = SIZE_MAX; }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace veskor::testing

void* operator new(std::size_t size)
{
    if (size > veskor::testing::failAllocationsAbove.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
