#include "check/WeakPwdIndex.h"

#include <cstring>
#include <functional>
#include <utility>

namespace {

constexpr uint64_t kEmpty = 0;  // no entry lives at address 0
constexpr unsigned kTagShift = 48;
constexpr uint64_t kTopTagMask = ~((uint64_t{1} << kTagShift) - 1);
// Inserts prefetch the home slot of the entry this many places ahead, so
// that the cache misses of a table larger than the caches overlap instead
// of being waited for one by one.
constexpr size_t kPrefetchAhead = 16;

// The home slot: the hash scaled to the capacity (multiply and keep the
// high half), so that any capacity works, not only powers of two, and the
// table can be sized to the entries.
size_t HomeOf(size_t hash, size_t capacity) {
    return static_cast<size_t>((static_cast<unsigned __int128>(hash) * capacity) >> 64);
}

// The low hash bits, which HomeOf barely uses.
uint64_t TagOf(size_t hash, uint64_t tagMask) { return (static_cast<uint64_t>(hash) << kTagShift) & tagMask; }

const std::string_view& EntryAt(uint64_t slot, uint64_t tagMask) {
    return *reinterpret_cast<const std::string_view*>(static_cast<uintptr_t>(slot & ~tagMask));
}

}  // namespace

size_t WeakPwdIndex::HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

void WeakPwdIndex::Build(Pending* pending, size_t count, std::pmr::memory_resource& arena) {
    const size_t capacity = count + count / 3 + 1;
    auto* slots = static_cast<uint64_t*>(arena.allocate(capacity * sizeof(uint64_t), alignof(uint64_t)));
    memset(slots, 0, capacity * sizeof(uint64_t));
    // User-space addresses fit in 48 bits on the platforms we run on; should
    // one not, the index still answers right, only without tags.
    uintptr_t addressBits = 0;
    for (size_t i = 0; i < count; ++i) addressBits |= reinterpret_cast<uintptr_t>(pending[i].entry);
    const uint64_t tagMask = (addressBits & kTopTagMask) == 0 ? kTopTagMask : 0;
    for (size_t i = 0; i < count; ++i) {
        if (i + kPrefetchAhead < count) {
            __builtin_prefetch(&slots[HomeOf(pending[i + kPrefetchAhead].hash, capacity)], 1);
        }
        const Pending& item = pending[i];
        const uint64_t tag = TagOf(item.hash, tagMask);
        for (size_t slot = HomeOf(item.hash, capacity);; slot = slot + 1 == capacity ? 0 : slot + 1) {
            const uint64_t seen = slots[slot];
            if (seen == kEmpty) {
                slots[slot] = reinterpret_cast<uintptr_t>(item.entry) | tag;
                break;
            }
            // A duplicate is indexed once: lists of common passwords hold
            // hundreds of copies, whose slots would make one long run.
            if ((seen & tagMask) == tag && EntryAt(seen, tagMask) == *item.entry) break;
        }
    }
    slots_ = slots;
    capacity_ = capacity;
    tagMask_ = tagMask;
}

bool WeakPwdIndex::Contains(std::string_view password) const {
    if (capacity_ == 0) return false;
    const size_t hash = HashOf(password);
    const uint64_t tag = TagOf(hash, tagMask_);
    for (size_t slot = HomeOf(hash, capacity_);; slot = slot + 1 == capacity_ ? 0 : slot + 1) {
        const uint64_t seen = slots_[slot];
        if (seen == kEmpty) return false;
        if ((seen & tagMask_) == tag && EntryAt(seen, tagMask_) == password) return true;
    }
}

void WeakPwdIndex::Swap(WeakPwdIndex& other) noexcept {
    std::swap(slots_, other.slots_);
    std::swap(capacity_, other.capacity_);
    std::swap(tagMask_, other.tagMask_);
}

size_t WeakPwdIndex::MemoryBytes() const { return capacity_ * sizeof(uint64_t); }
