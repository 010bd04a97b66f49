#ifndef PWDPOLICY_CHECK_WEAKPWDINDEX_H
#define PWDPOLICY_CHECK_WEAKPWDINDEX_H

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>

// A hash index over the entries of a weak-password map, so that a lookup
// costs O(1) instead of a walk of every entry of one length. It answers
// exactly what the walk would: a password is found when some entry has the
// same bytes (and so the same length).
//
// Open addressing with linear probing over one array of 8-byte slots, each
// the address of an entry (the std::string_view in its list node, which the
// entry's bytes directly follow) with 16 bits of the entry's hash in the
// otherwise unused top bits. A probe thus reads one slot to rule an entry
// out, and a hit reads one slot and one node. Duplicates are indexed once.
// The table is sized once, for the number of entries, at most three
// quarters full: about 10.7 bytes per entry.
//
// The table lives in the dictionary's arena and is released with it; the
// index only points at it, so it is swapped and moved without allocating.
class WeakPwdIndex {
public:
    // An entry waiting to be indexed, with its hash (HashOf).
    struct Pending {
        size_t hash;
        const std::string_view* entry;
    };

    static size_t HashOf(std::string_view text);

    // Indexes the `count` entries at `pending`, in a table
    // taken from `arena`. The arena and the entries must outlive the index.
    // Throws std::bad_alloc (the index is then unchanged).
    void Build(Pending* pending, size_t count, std::pmr::memory_resource& arena);
    bool Contains(std::string_view password) const;
    void Swap(WeakPwdIndex& other) noexcept;
    size_t MemoryBytes() const;

private:
    uint64_t* slots_ = nullptr;
    size_t capacity_ = 0;
    // The slot bits that hold the tag: the top 16, or none on the (unseen)
    // platform whose entry addresses use them.
    uint64_t tagMask_ = 0;
};

#endif  // PWDPOLICY_CHECK_WEAKPWDINDEX_H
