#include "check/WeakPwdIndex.h"

#include <functional>
#include <utility>

namespace {

constexpr uint8_t kEmpty = 0;
// Entries are inserted window by window, a window being this many slots
// (log2): its tags and pointers fit in the first-level caches, where random
// inserts over the whole table would miss on almost every one.
constexpr unsigned kWindowBits = 10;

uint8_t TagOf(size_t hash) { return static_cast<uint8_t>(0x80u | (hash >> (sizeof(size_t) * 8 - 7))); }

// Orders `pending` by home window in place (one counting pass, then a
// cycle-leader permutation: no second buffer).
void GroupByWindow(std::vector<WeakPwdIndex::Pending>& pending, size_t mask, unsigned shift) {
    const size_t windows = (mask >> shift) + 1;
    auto windowOf = [mask, shift](const WeakPwdIndex::Pending& item) { return (item.hash & mask) >> shift; };
    std::vector<size_t> next(windows, 0), end(windows, 0);
    for (const auto& item : pending) ++end[windowOf(item)];
    size_t start = 0;
    for (size_t w = 0; w < windows; ++w) {
        next[w] = start;
        start += end[w];
        end[w] = start;
    }
    for (size_t w = 0; w < windows; ++w) {
        while (next[w] < end[w]) {
            WeakPwdIndex::Pending item = pending[next[w]];
            for (size_t home = windowOf(item); home != w; home = windowOf(item)) {
                std::swap(item, pending[next[home]++]);
            }
            pending[next[w]++] = item;
        }
    }
}

}  // namespace

size_t WeakPwdIndex::HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

void WeakPwdIndex::Build(std::vector<Pending>& pending) {
    size_t capacity = 16;
    unsigned capacityBits = 4;
    while (capacity * 3 < pending.size() * 4) {
        capacity *= 2;
        ++capacityBits;
    }
    tags_.assign(capacity, kEmpty);
    slots_.assign(capacity, nullptr);
    mask_ = capacity - 1;
    if (capacityBits > kWindowBits) GroupByWindow(pending, mask_, kWindowBits);
    for (const Pending& item : pending) {
        const uint8_t tag = TagOf(item.hash);
        for (size_t slot = item.hash & mask_;; slot = (slot + 1) & mask_) {
            if (tags_[slot] == kEmpty) {
                tags_[slot] = tag;
                slots_[slot] = item.entry;
                break;
            }
            if (tags_[slot] == tag && *slots_[slot] == *item.entry) break;  // a duplicate
        }
    }
}

bool WeakPwdIndex::Contains(std::string_view password) const {
    if (tags_.empty()) return false;
    const size_t hash = HashOf(password);
    const uint8_t tag = TagOf(hash);
    for (size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
        const uint8_t seen = tags_[slot];
        if (seen == kEmpty) return false;
        if (seen == tag && std::string_view(*slots_[slot]) == password) return true;
    }
}

void WeakPwdIndex::Swap(WeakPwdIndex& other) noexcept {
    tags_.swap(other.tags_);
    slots_.swap(other.slots_);
    std::swap(mask_, other.mask_);
}

size_t WeakPwdIndex::MemoryBytes() const {
    return tags_.capacity() * sizeof(uint8_t) + slots_.capacity() * sizeof(const std::string*);
}
