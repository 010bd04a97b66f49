// Where a loaded dictionary keeps its entries, and where a load keeps what
// it needs only while it runs.
//
// Why not the general-purpose allocator: a dictionary is a million small
// objects that are all freed at once, when a newer load replaces it. malloc
// pays per object both ways, and after the free it keeps the pages in the
// arena of whichever thread ran the load, so reloads on different threads
// multiply the resident size. Here every byte comes from pages mapped for
// this one dictionary and is returned to the kernel, whole, with it
// (dictionaries of a few tens of thousands of entries excepted, which live
// in a few heap blocks: see BlockResource).
#ifndef PWDPOLICY_CHECK_DICTIONARYARENA_H
#define PWDPOLICY_CHECK_DICTIONARYARENA_H

#include <cstddef>
#include <memory_resource>

// Large blocks (4 MiB and more) straight from the kernel (mmap, on huge
// pages where the kernel has them), returned on deallocate (munmap), so
// that freed memory leaves the resident set at once, whatever thread frees
// it; smaller blocks from the heap. Throws std::bad_alloc when memory runs
// out.
class BlockResource final : public std::pmr::memory_resource {
private:
    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void* block, size_t bytes, size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override;
};

// The memory of one loaded dictionary: list nodes, entry bytes and the
// index table, handed out by bumping a pointer through large blocks and
// released only all together, when the arena is destroyed. Deallocating
// single objects is a no-op.
struct DictionaryArena {
    // `expectedBytes`: a guess at what the dictionary will need. Pages the
    // guess reserves but nobody writes are never made resident.
    explicit DictionaryArena(size_t expectedBytes) : entries(expectedBytes, &blocks) {}
    DictionaryArena(const DictionaryArena&) = delete;
    DictionaryArena& operator=(const DictionaryArena&) = delete;

    BlockResource blocks;  // declared first: the blocks go back to it last
    std::pmr::monotonic_buffer_resource entries;
};

// The allocator of the containers that live in a DictionaryArena. Unlike
// std::pmr::polymorphic_allocator, whose deallocate is a virtual call the
// compiler must make for every node, its deallocate is visibly empty: a
// list of a million entries is then destroyed without visiting its nodes,
// and the arena is released in one go.
template <class T>
class ArenaAllocator {
public:
    using value_type = T;

    explicit ArenaAllocator(DictionaryArena& arena) noexcept : arena_(&arena) {}
    template <class U>
    ArenaAllocator(const ArenaAllocator<U>& other) noexcept : arena_(other.arena_) {}  // NOLINT: rebinding

    T* allocate(size_t count) {
        return static_cast<T*>(arena_->entries.allocate(count * sizeof(T), alignof(T)));
    }
    void deallocate(T* /*block*/, size_t /*count*/) noexcept {}

    template <class U>
    bool operator==(const ArenaAllocator<U>& other) const noexcept {
        return arena_ == other.arena_;
    }
    template <class U>
    bool operator!=(const ArenaAllocator<U>& other) const noexcept {
        return arena_ != other.arena_;
    }

private:
    template <class U>
    friend class ArenaAllocator;
    DictionaryArena* arena_;
};

#endif  // PWDPOLICY_CHECK_DICTIONARYARENA_H
