#include "check/DictionaryArena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace {

// Blocks of at least this size are mapped for themselves, on 2 MiB
// boundaries, and offered to the kernel for transparent huge pages. On a
// virtual machine a 4 KiB page fault costs microseconds, more than filling
// the page: a million entries would fault about 18,000 pages, which alone
// costs about as much as reading the file. With huge pages that is a few
// dozen faults, and lookups miss the TLB less. Smaller blocks come from the
// heap, whose pages are already resident: fresh pages for them would cost
// more time than their size is worth keeping out of the heap.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMappedBlockMin = 2 * kHugePage;

size_t PageSize() {
    static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

void* MapPages(size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return block;
}

// Maps `bytes` starting on a huge-page boundary: maps a huge page more and
// unmaps the unaligned head and tail.
void* MapHugePages(size_t bytes) {
    const size_t rounded = (bytes + PageSize() - 1) / PageSize() * PageSize();
    char* const mapped = static_cast<char*>(MapPages(rounded + kHugePage));
    char* const block =
        reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(mapped) + kHugePage - 1) & ~(kHugePage - 1));
    if (block != mapped) munmap(mapped, block - mapped);
    munmap(block + rounded, mapped + kHugePage - block);
    // Advice only: without huge pages the block works the same, slower.
    madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

}  // namespace

void* BlockResource::do_allocate(size_t bytes, size_t alignment) {
    if (bytes < kMappedBlockMin) return ::operator new(bytes, std::align_val_t(alignment));
    // mmap hands out page-aligned blocks; a stricter alignment is never asked
    // for by the containers that use this resource.
    if (alignment > PageSize()) throw std::bad_alloc();
    return MapHugePages(bytes);
}

void BlockResource::do_deallocate(void* block, size_t bytes, size_t alignment) {
    if (bytes < kMappedBlockMin) {
        ::operator delete(block, bytes, std::align_val_t(alignment));
    } else {
        munmap(block, bytes);
    }
}

bool BlockResource::do_is_equal(const std::pmr::memory_resource& other) const noexcept {
    // Stateless: a block from one instance may go back through another.
    return dynamic_cast<const BlockResource*>(&other) != nullptr;
}
