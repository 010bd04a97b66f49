#ifndef PWDPOLICY_CHECK_WEAKPWDINDEX_H
#define PWDPOLICY_CHECK_WEAKPWDINDEX_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A hash index over the entries of a weak-password map, so that a lookup
// costs O(1) instead of a walk of every entry of one length. It answers
// exactly what the walk would: a password is found when some entry has the
// same bytes (and so the same length).
//
// Open addressing with linear probing over two parallel arrays: one tag byte
// per slot (0 empty, else 0x80 | 7 bits of the hash) and a pointer to the
// entry held in the map. Duplicates are indexed once. The table is at most
// three quarters full, which keeps its own memory between 12 and 24 bytes
// per distinct entry.
class WeakPwdIndex {
public:
    using EntryMap = std::map<int32_t, std::list<std::string>>;

    // An entry waiting to be indexed, with its hash (HashOf).
    struct Pending {
        size_t hash;
        const std::string* entry;
    };

    static size_t HashOf(std::string_view text);

    // Indexes the entries of `pending`, which must outlive the index.
    // Reorders `pending`.
    void Build(std::vector<Pending>& pending);
    bool Contains(std::string_view password) const;
    void Swap(WeakPwdIndex& other) noexcept;
    size_t MemoryBytes() const;

private:
    std::vector<uint8_t> tags_;
    std::vector<const std::string*> slots_;
    size_t mask_ = 0;
};

#endif  // PWDPOLICY_CHECK_WEAKPWDINDEX_H
