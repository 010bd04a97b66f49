#include "FailingNew.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocationsLeft{-1};
std::atomic<bool> failed{false};
}  // namespace

void testenv::FailAllocationAfter(long count) {
    if (count >= 0) failed = false;
    allocationsLeft = count;
}

bool testenv::AllocationFailed() { return failed; }

void* operator new(std::size_t size) {
    if (allocationsLeft.fetch_sub(1) == 0) {  // negative: stays below 0
        failed = true;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
