#include "breach/KeySorter.h"

#include <string.h>

#include <algorithm>
#include <queue>

namespace breach {
namespace {

// Runs are written packed: the key, then the count.
constexpr size_t kRunRecordBytes = 12;
// Each open run holds a descriptor and a read buffer during the merge.
constexpr size_t kMaxRuns = 512;
constexpr size_t kMinReadBuffer = 64 * 1024;

uint32_t SaturatingAdd(uint32_t a, uint32_t b) { return a > UINT32_MAX - b ? UINT32_MAX : a + b; }

}  // namespace

KeySorter::KeySorter(size_t memoryBytes, std::string tempDir)
    : capacity_(std::max<size_t>(1024, memoryBytes / sizeof(KeyCount))),
      tempDir_(std::move(tempDir)),
      memoryBytes_(memoryBytes) {
    // Address space only: pages are touched as keys arrive.
    buffer_.reserve(capacity_);
}

KeySorter::~KeySorter() = default;

void KeySorter::Add(uint64_t key, uint32_t count) {
    if (!buffer_.empty() && key < buffer_.back().key) sorted_ = false;
    buffer_.push_back({key, count});
    if (buffer_.size() == capacity_) WriteRun();
}

void KeySorter::Collapse() {
    if (!sorted_) {
        std::sort(buffer_.begin(), buffer_.end(),
                  [](const KeyCount& a, const KeyCount& b) { return a.key < b.key; });
    }
    size_t kept = 0;
    for (size_t i = 0; i < buffer_.size(); ++i) {
        if (kept > 0 && buffer_[kept - 1].key == buffer_[i].key) {
            buffer_[kept - 1].count = SaturatingAdd(buffer_[kept - 1].count, buffer_[i].count);
        } else {
            buffer_[kept++] = buffer_[i];
        }
    }
    buffer_.resize(kept);
    sorted_ = true;
}

void KeySorter::WriteRun() {
    if (runs_.size() == kMaxRuns) {
        throw BuildError("the input needs more than " + std::to_string(kMaxRuns) +
                         " sorted runs: give more --memory");
    }
    Collapse();
    auto run = std::make_unique<TempFile>(tempDir_);
    for (const KeyCount& entry : buffer_) {
        char packed[kRunRecordBytes];
        memcpy(packed, &entry.key, 8);
        memcpy(packed + 8, &entry.count, 4);
        run->Write(packed, sizeof packed);
    }
    runs_.push_back(std::move(run));
    buffer_.clear();
}

void KeySorter::Merge(const std::function<void(uint64_t key, uint32_t count)>& out) {
    Collapse();
    if (!runs_.empty()) {
        // The keys still in memory make one more run, which frees the memory
        // for read buffers.
        if (!buffer_.empty()) WriteRun();
        std::vector<KeyCount>().swap(buffer_);
    }
    struct Head {
        KeyCount entry;
        size_t source;
    };
    auto later = [](const Head& a, const Head& b) { return a.entry.key > b.entry.key; };
    std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
    size_t memoryPosition = 0;
    auto next = [&](size_t source, KeyCount* entry) {
        if (runs_.empty()) {
            if (memoryPosition == buffer_.size()) return false;
            *entry = buffer_[memoryPosition++];
            return true;
        }
        char packed[kRunRecordBytes];
        if (!runs_[source]->Read(packed, sizeof packed)) return false;
        memcpy(&entry->key, packed, 8);
        memcpy(&entry->count, packed + 8, 4);
        return true;
    };
    const size_t sources = std::max<size_t>(1, runs_.size());
    const size_t readBuffer =
        std::clamp<size_t>(memoryBytes_ / 2 / sources / kRunRecordBytes * kRunRecordBytes, kMinReadBuffer,
                           size_t{1} << 20);
    for (size_t source = 0; source < sources; ++source) {
        if (!runs_.empty()) runs_[source]->StartReading(readBuffer);
        KeyCount entry;
        if (next(source, &entry)) heads.push({entry, source});
    }
    bool have = false;
    KeyCount current{};
    while (!heads.empty()) {
        Head head = heads.top();
        heads.pop();
        if (have && head.entry.key == current.key) {
            current.count = SaturatingAdd(current.count, head.entry.count);
        } else {
            if (have) out(current.key, current.count);
            current = head.entry;
            have = true;
        }
        if (next(head.source, &head.entry)) heads.push(head);
    }
    if (have) out(current.key, current.count);
}

}  // namespace breach
