// Sorting keys of any number with bounded memory: sorted runs in temporary
// files, merged at the end, duplicates summed.
#ifndef PWDPOLICY_BREACH_KEYSORTER_H
#define PWDPOLICY_BREACH_KEYSORTER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "breach/TempFile.h"

namespace breach {

class KeySorter {
public:
    // Holds at most `memoryBytes` of keys in memory; runs go to `tempDir`.
    KeySorter(size_t memoryBytes, std::string tempDir);
    ~KeySorter();

    // Adds `count` sightings of `key`. May write a run (throws BuildError).
    void Add(uint64_t key, uint32_t count);

    // Calls `out` once per distinct key, in ascending order, with the sum of
    // its counts (saturated at 2^32 - 1). Call once, after the last Add.
    void Merge(const std::function<void(uint64_t key, uint32_t count)>& out);

    size_t Runs() const { return runs_.size(); }

private:
    struct KeyCount {
        uint64_t key;
        uint32_t count;
    };
    // Sorts the buffer (unless it came sorted) and sums duplicates in place.
    void Collapse();
    void WriteRun();

    size_t capacity_;
    std::string tempDir_;
    std::vector<KeyCount> buffer_;
    bool sorted_ = true;
    std::vector<std::unique_ptr<TempFile>> runs_;
    size_t memoryBytes_;
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_KEYSORTER_H
