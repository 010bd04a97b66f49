#include "BenchEnv.h"

#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "DictionaryGen.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Snapshot.h"
#include "support/ReloadLock.h"
#include "support/SupportLib.h"

namespace benchenv {

namespace fs = std::filesystem;

namespace {

std::string tempDir;
std::vector<std::string> entries;  // the largest dictionary, in file order
size_t loadedSize = 0;
std::map<size_t, Probes> probes;
std::map<size_t, std::unordered_set<std::string>> floorSets;

// Policy 0 admits the 128-byte password of the match benchmark, so every
// byte of it is judged; the special set holds every symbol the probes use.
const char kConfig[] =
    "[BASIC]\n"
    "weakPwdDic=%s\n"
    "[POLICY0]\n"
    "minlen=8\n"
    "maxlen=128\n"
    "minclass=3\n"
    "allowminlen=6\n"
    "allowminclass=2\n"
    "specialchar=~!@#$%%^&*()-_=+\\|[{}]:,<.>?/space\n";
// Policies 1 and 2 are policy 0 with the rules PPC_JudgePassword's
// benchmark compares: context checks, then NFKC and code points.
const char kRulePolicies[] =
    "[POLICY1]\n"
    "contextCheck=1\n"
    "minOldDiff=3\n"
    "[POLICY2]\n"
    "lengthUnit=codepoint\n"
    "normalize=NFKC\n";

}  // namespace

bool Prepare() {
    std::string pattern = (fs::temp_directory_path() / "ppc-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        perror("mkdtemp");
        return false;
    }
    tempDir = pattern;
    entries = benchdict::GenerateEntries(kLargest);
    for (size_t size : kSizes) {
        const std::vector<std::string> prefix(entries.begin(), entries.begin() + size);
        if (!benchdict::WriteDictionary(DictionaryPath(size), prefix)) {
            perror(DictionaryPath(size).c_str());
            return false;
        }
    }
    std::ofstream(EmptyDictionaryPath()).flush();

    const std::string configPath = tempDir + "/ppc.conf";
    FILE* config = fopen(configPath.c_str(), "w");
    if (config == nullptr) {
        perror(configPath.c_str());
        return false;
    }
    fprintf(config, kConfig, DictionaryPath(kLargest).c_str());
    fputs(kRulePolicies, config);
    fclose(config);

    InitRandom();
    if (policyCfgObj.Init(configPath) != 0) {
        fprintf(stderr, "cannot load %s\n", configPath.c_str());
        return false;
    }
    UseDictionary(kLargest);
    Publish();
    __atomic_store_n(&gWeakPwdUseInd, 1, __ATOMIC_RELEASE);
    __atomic_store_n(&ppcInitFlag, 1, __ATOMIC_RELEASE);
    return true;
}

void Cleanup() {
    std::error_code ignored;
    if (!tempDir.empty()) fs::remove_all(tempDir, ignored);
}

std::string DictionaryPath(size_t size) { return tempDir + "/dict-" + std::to_string(size) + ".txt"; }

std::string EmptyDictionaryPath() { return tempDir + "/empty.txt"; }

void UseDictionary(size_t size) {
    if (loadedSize != size) LoadDictionary(size);
}

void NoteLoaded(size_t size) { loadedSize = size; }

void LoadDictionary(size_t size) {
    const std::string path = size == 0 ? EmptyDictionaryPath() : DictionaryPath(size);
    if (weakpwdDic.Init(path) != 0) {
        fprintf(stderr, "cannot load %s\n", path.c_str());
        abort();
    }
    loadedSize = size;
    Publish();
}

void Publish() {
    ReloadLock lock;
    dataInForce.Publish(MakeSnapshot(policyCfgObj, weakpwdDic, nullptr));
}

const std::unordered_set<std::string>& FloorSet(size_t size) {
    auto found = floorSets.find(size);
    if (found != floorSets.end()) return found->second;
    auto& set = floorSets[size];
    set.reserve(size);
    set.insert(entries.begin(), entries.begin() + size);
    return set;
}

const Probes& ProbesFor(size_t size) {
    auto found = probes.find(size);
    if (found != probes.end()) return found->second;
    const std::unordered_set<std::string>& all = FloorSet(kLargest);
    std::mt19937_64 draw(size);
    Probes& made = probes[size];
    const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$";
    while (made.hits.size() < kProbeCount) {
        const std::string& hit = entries[draw() % size];
        made.hits.push_back(hit);
        // A near-miss: the same length, one byte changed, in no dictionary.
        std::string miss = hit;
        do {
            miss[draw() % miss.size()] = kAlphabet[draw() % (sizeof kAlphabet - 1)];
        } while (all.count(miss) != 0);
        made.misses.push_back(std::move(miss));
    }
    return made;
}

const std::string& MatchPassword(int64_t index) {
    static const std::string kPasswords[] = {
        "ab1!x",
        "letmein2024!",
        std::string(126, 'q').replace(0, 26, "abcdefghijklmnopqrstuvwxyz") + "7!",
    };
    return kPasswords[index];
}

size_t ResidentBytes() {
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(statm);
    return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

size_t HeapBytesInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

void TrimHeap() { malloc_trim(0); }

}  // namespace benchenv
