// What every check benchmark shares: the generated dictionaries, a private
// configuration, the component loaded from both, and the probe passwords.
//
// The benchmarks never touch the fixed configuration path, which test
// processes rewrite while they run. They load a configuration of their own
// with policyCfgObj.Init and a dictionary with weakpwdDic.Init, then mark
// the component initialised exactly as PPC_Initialize(NULL, 0, 1) leaves it
// (ppcInitFlag and gWeakPwdUseInd 1, no monitor, no timer). The PPC_
// functions they time are the unchanged entry points: the on-demand
// initialisation test they start with finds the flag set, as in a host.
#ifndef PWDPOLICY_BENCH_BENCHENV_H
#define PWDPOLICY_BENCH_BENCHENV_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace benchenv {

// Dictionary sizes the weak check and the load are measured at.
constexpr size_t kSizes[] = {10000, 100000, 1000000};
constexpr size_t kLargest = 1000000;
// Probes per kind; lookups cycle through them in a fixed order.
constexpr size_t kProbeCount = 4096;

// Generates the dictionaries into a fresh temporary directory, writes the
// configuration there and loads the component. Call once before any
// benchmark runs. Returns false (after saying why on stderr) on failure.
bool Prepare();
// Removes the temporary directory.
void Cleanup();

// The dictionary file holding the first `size` generated entries.
std::string DictionaryPath(size_t size);
// An existing, empty file: loading it empties the dictionary.
std::string EmptyDictionaryPath();
// Loads the dictionary of `size` entries into weakpwdDic unless it is
// already the one in force.
void UseDictionary(size_t size);
// Puts what policyCfgObj and weakpwdDic hold in force, as a load does.
void Publish();
// Loads it whatever is in force; size 0 loads the empty dictionary.
void LoadDictionary(size_t size);
// Records that a benchmark loaded the dictionary of `size` entries itself.
void NoteLoaded(size_t size);

struct Probes {
    std::vector<std::string> hits;    // entries of the dictionary
    std::vector<std::string> misses;  // near-misses in none of the dictionaries
};
// Probes for the dictionary of `size` entries, drawn with a fixed seed.
const Probes& ProbesFor(size_t size);
// The same entries in a std::unordered_set: the floor for a lookup.
const std::unordered_set<std::string>& FloorSet(size_t size);

// The passwords of the match benchmarks: 0 shorter than minlen, 1 twelve
// bytes, 2 128 bytes; the last two get their third class from their last
// byte, so even the scan that may stop early reads every byte.
const std::string& MatchPassword(int64_t index);

// The process's resident memory in bytes (/proc/self/statm).
size_t ResidentBytes();
// Bytes the allocator has handed out and not had back (mallinfo2).
size_t HeapBytesInUse();
// Gives freed memory back to the kernel so that a later ResidentBytes
// delta counts what was allocated since.
void TrimHeap();

}  // namespace benchenv

#endif  // PWDPOLICY_BENCH_BENCHENV_H
