#include "check/WeakPwdIndex.h"

#include <functional>

namespace {

constexpr uint8_t kEmpty = 0;

size_t HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

uint8_t TagOf(size_t hash) { return static_cast<uint8_t>(0x80u | (hash >> (sizeof(size_t) * 8 - 7))); }

}  // namespace

void WeakPwdIndex::Build(const EntryMap& entries, size_t entryCount) {
    size_t capacity = 16;
    while (capacity * 3 < entryCount * 4) capacity *= 2;
    tags_.assign(capacity, kEmpty);
    slots_.assign(capacity, nullptr);
    mask_ = capacity - 1;
    for (const auto& [length, list] : entries) {
        for (const std::string& entry : list) {
            const size_t hash = HashOf(entry);
            const uint8_t tag = TagOf(hash);
            size_t slot = hash & mask_;
            for (;; slot = (slot + 1) & mask_) {
                if (tags_[slot] == kEmpty) {
                    tags_[slot] = tag;
                    slots_[slot] = &entry;
                    break;
                }
                if (tags_[slot] == tag && *slots_[slot] == entry) break;  // a duplicate
            }
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
