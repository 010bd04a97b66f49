// A deterministic stand-in for a leaked-password list: the benchmarks and
// bench/compare load it at sizes up to a million entries, and every run
// sees the same bytes because the generator draws from a fixed seed.
#ifndef PWDPOLICY_BENCH_DICTIONARYGEN_H
#define PWDPOLICY_BENCH_DICTIONARYGEN_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace benchdict {

constexpr uint64_t kDefaultSeed = 0x5eed0f00d2024ULL;
constexpr size_t kDefaultCount = 1000000;

// `count` entries of 4 to 20 printable ASCII bytes: words with digits,
// symbols, capitals and leet spellings, digit runs, keyboard walks and some
// random strings, with about 2% repeating an earlier entry. No entry has a
// leading or trailing blank, so each line loads as written. The first n
// entries of a run are the same for every count >= n.
std::vector<std::string> GenerateEntries(size_t count, uint64_t seed = kDefaultSeed);

// Writes `entries` one a line (LF after each). False when the file cannot
// be written.
bool WriteDictionary(const std::string& path, const std::vector<std::string>& entries);

}  // namespace benchdict

#endif  // PWDPOLICY_BENCH_DICTIONARYGEN_H
