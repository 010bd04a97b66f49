#include "breach/KeyPartitioner.h"

#include <string.h>

#include <algorithm>
#include <numeric>

namespace breach {
namespace {

constexpr unsigned kPartitionBits = 12;
constexpr size_t kPartitions = size_t{1} << kPartitionBits;
// Chunks hold whole records of either size (8 and 12 bytes).
constexpr size_t kChunkUnit = 24;
constexpr size_t kMinChunk = size_t{4} * 1024 / kChunkUnit * kChunkUnit;
constexpr size_t kMaxChunk = size_t{256} * 1024 / kChunkUnit * kChunkUnit;

struct KeyCount {
    uint64_t key;
    uint32_t count;
};

uint32_t SaturatingAdd(uint32_t a, uint32_t b) { return a > UINT32_MAX - b ? UINT32_MAX : a + b; }

}  // namespace

KeyPartitioner::KeyPartitioner(size_t memoryBytes, const std::string& tempDir, bool counted)
    : recordBytes_(counted ? 12 : 8),
      chunkBytes_(std::clamp(memoryBytes / 4 / kPartitions / kChunkUnit * kChunkUnit, kMinChunk, kMaxChunk)),
      sortBytes_(memoryBytes / 2),
      spool_(tempDir),
      partitions_(kPartitions) {}

void KeyPartitioner::Spill(Partition& partition) {
    if (partition.used == 0) return;
    const uint64_t offset = spool_.Append(partition.buffer.get(), partition.used);
    partition.chunks.push_back({offset, static_cast<uint32_t>(partition.used)});
    partition.used = 0;
}

void KeyPartitioner::Add(uint64_t mixed, uint32_t count) {
    Partition& partition = partitions_[mixed >> (64 - kPartitionBits)];
    // Not zeroed: a buffer's pages are touched only as keys arrive.
    if (!partition.buffer) partition.buffer.reset(new uint8_t[chunkBytes_]);
    uint8_t* at = partition.buffer.get() + partition.used;
    memcpy(at, &mixed, 8);
    if (recordBytes_ == 12) memcpy(at + 8, &count, 4);
    partition.used += recordBytes_;
    if (partition.used == chunkBytes_) Spill(partition);
}

uint64_t KeyPartitioner::Sort(uint32_t minCount, const std::function<void(uint64_t done)>& progress) {
    for (Partition& partition : partitions_) {
        Spill(partition);
        partition.buffer.reset();
    }
    uint64_t kept = 0;
    uint64_t done = 0;
    std::vector<uint8_t> raw;
    std::vector<KeyCount> records;
    std::vector<uint64_t> keys;
    for (Partition& partition : partitions_) {
        const uint64_t bytes = std::accumulate(partition.chunks.begin(), partition.chunks.end(), uint64_t{0},
                                               [](uint64_t sum, const Chunk& chunk) { return sum + chunk.bytes; });
        const uint64_t count = bytes / recordBytes_;
        if (count * sizeof(KeyCount) > sortBytes_) {
            throw BuildError("the input is too large for --memory: give more");
        }
        raw.resize(bytes);
        uint64_t at = 0;
        for (const Chunk& chunk : partition.chunks) {
            spool_.ReadAt(raw.data() + at, chunk.bytes, chunk.offset);
            at += chunk.bytes;
        }
        records.resize(count);
        for (uint64_t i = 0; i < count; ++i) {
            records[i].key = 0;
            records[i].count = 1;
            memcpy(&records[i].key, raw.data() + i * recordBytes_, 8);
            if (recordBytes_ == 12) memcpy(&records[i].count, raw.data() + i * recordBytes_ + 8, 4);
        }
        std::sort(records.begin(), records.end(), [](const KeyCount& a, const KeyCount& b) { return a.key < b.key; });
        keys.clear();
        for (size_t i = 0; i < records.size();) {
            uint32_t sum = 0;
            size_t j = i;
            for (; j < records.size() && records[j].key == records[i].key; ++j) sum = SaturatingAdd(sum, records[j].count);
            if (sum >= minCount) keys.push_back(records[i].key);
            i = j;
        }
        // Back into the partition's own chunks, which hold at least as much.
        size_t written = 0;
        for (const Chunk& chunk : partition.chunks) {
            if (written == keys.size()) break;
            const size_t part = std::min<size_t>(chunk.bytes / 8, keys.size() - written);
            spool_.WriteAt(keys.data() + written, part * 8, chunk.offset);
            written += part;
        }
        partition.kept = keys.size();
        kept += keys.size();
        done += count;
        if (progress) progress(done);
    }
    std::vector<uint8_t>().swap(raw);
    std::vector<KeyCount>().swap(records);
    return kept;
}

void KeyPartitioner::ForEach(const std::function<void(uint64_t mixed)>& out) const {
    std::vector<uint64_t> keys(kMaxChunk / 8);
    for (const Partition& partition : partitions_) {
        uint64_t left = partition.kept;
        for (const Chunk& chunk : partition.chunks) {
            if (left == 0) break;
            const size_t part = std::min<uint64_t>(chunk.bytes / 8, left);
            spool_.ReadAt(keys.data(), part * 8, chunk.offset);
            for (size_t i = 0; i < part; ++i) out(keys[i]);
            left -= part;
        }
    }
}

}  // namespace breach
