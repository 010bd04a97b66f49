// Sorting mixed keys of any number with bounded memory and one pass over
// the input: each key goes by its top 12 bits to one of 4096 partitions,
// buffered in memory and spooled in chunks to one temporary file; then each
// partition, a 4096th of the keys, is sorted on its own and written back.
// Mixed keys are uniform, so the partitions are even whatever the input.
#ifndef PWDPOLICY_BREACH_KEYPARTITIONER_H
#define PWDPOLICY_BREACH_KEYPARTITIONER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "breach/TempFile.h"

namespace breach {

class KeyPartitioner {
public:
    // Buffers take at most a quarter of `memoryBytes`, sorting a partition at
    // most half. `counted`: keep each key's count (for a minimum count),
    // 12 bytes a key on disk instead of 8.
    KeyPartitioner(size_t memoryBytes, const std::string& tempDir, bool counted);

    // Adds `count` sightings of `mixed`. Throws BuildError.
    void Add(uint64_t mixed, uint32_t count);

    // Sorts every partition, sums the counts of equal keys (saturating) and
    // keeps the keys whose sum reaches `minCount`. Returns how many it kept.
    // `progress` is called with the keys sorted so far. Call once.
    uint64_t Sort(uint32_t minCount, const std::function<void(uint64_t done)>& progress);

    // Calls `out` once per kept key, in ascending order. REQUIRES: Sort.
    void ForEach(const std::function<void(uint64_t mixed)>& out) const;

    // Bytes of the temporary file.
    uint64_t SpoolBytes() const { return spool_.Size(); }

private:
    struct Chunk {
        uint64_t offset;
        uint32_t bytes;
    };
    struct Partition {
        std::unique_ptr<uint8_t[]> buffer;  // chunkBytes_, allocated at the first key
        size_t used = 0;
        std::vector<Chunk> chunks;
        uint64_t kept = 0;
    };
    void Spill(Partition& partition);

    size_t recordBytes_;
    size_t chunkBytes_;
    size_t sortBytes_;
    TempFile spool_;
    std::vector<Partition> partitions_;
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_KEYPARTITIONER_H
