// The breach table at scale. Writes a downloader-format list of N SHA-1
// lines (of "member-<i>", in the order of i) into a scratch directory,
// builds it with `ppc breach build` as an operator would, and reports:
// bytes per entry, build time, peak memory and temporary disk of the build,
// open time, lookup latency for hits and misses with the table in the page
// cache (hot) and after its pages were dropped from it (cold), false
// positives over a number of non-members, and the false-positive rate of a
// table built with a deliberately weak rate against its prediction. Google
// Benchmark then times lookups back to back. Everything in the scratch
// directory is deleted at the end.
//
//   breach_bench [--entries=N] [--scratch=DIR] [--fp-queries=N] [--cold=N] [benchmark flags]
//   breach_bench --table=PATH --entries=N ...   measure a table built from `breach_gen N`
//
// N defaults to 1,000,000; docs/breach-table.md has the figures at 1e8 and
// for the 2.5e9 table.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "breach/BreachHash.h"
#include "breach/BreachTable.h"
#include "breach/TableSet.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Snapshot.h"
#include "support/ReloadLock.h"
#include "pwdpolicy.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

uint64_t gEntries = 1000000;
uint64_t gFpQueries = 0;  // 0: as many as entries, at most 1e8
uint64_t gCold = 2000;
std::string gScratch = "/tmp";
std::string gExisting;  // --table

std::string MemberPassword(uint64_t i) { return "member-" + std::to_string(i); }
std::string StrangerPassword(uint64_t i) { return "stranger-" + std::to_string(i); }

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The downloader's format for N members, "HEX:count", in the order of i.
void WriteHashList(const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "w");
    std::vector<char> buffer(1 << 22);
    setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    static const char kHex[] = "0123456789ABCDEF";
    char line[64];
    for (uint64_t i = 0; i < gEntries; ++i) {
        uint8_t digest[breach::kSha1Bytes];
        breach::Sha1(MemberPassword(i), digest);
        for (int b = 0; b < 20; ++b) {
            line[2 * b] = kHex[digest[b] >> 4];
            line[2 * b + 1] = kHex[digest[b] & 15];
        }
        const int tail = std::snprintf(line + 40, sizeof line - 40, ":%llu\n", 1 + static_cast<unsigned long long>(i % 7));
        std::fwrite(line, 1, 40 + static_cast<size_t>(tail), out);
    }
    std::fclose(out);
}

struct Child {
    double seconds = 0;
    double cpuSeconds = 0;
    long maxRssKiB = 0;
    int status = -1;
    std::string out;
};

// Runs ppc with `args`; its wall time, CPU time, peak resident memory and output.
Child RunPpc(std::vector<std::string> args, const std::string& scratch) {
    args.insert(args.begin(), PPC_TOOL_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string outPath = scratch + "/ppc.out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Child child;
    const auto start = Clock::now();
    pid_t pid;
    const int spawned = posix_spawn(&pid, PPC_TOOL_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return child;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    child.seconds = Seconds(start);
    child.maxRssKiB = usage.ru_maxrss;
    child.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    child.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream in(outPath);
    std::getline(in, child.out, '\0');
    return child;
}

struct Percentiles {
    double median = 0;
    double p99 = 0;
};

// Each lookup timed on its own; the clock's own cost (~20 ns) included.
Percentiles TimeLookups(const breach::BreachTable& table, const std::vector<std::string>& passwords,
                        bool expected, uint64_t* wrong) {
    std::vector<double> ns;
    ns.reserve(passwords.size());
    for (const std::string& pwd : passwords) {
        const auto start = Clock::now();
        const bool found = table.ContainsPassword(pwd);
        ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
        if (found != expected) ++*wrong;
    }
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2], ns[ns.size() * 99 / 100]};
}

// Reads the whole file once, so that its pages are in the page cache.
void WarmPageCache(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 22);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
}

// Drops the file's pages from the page cache (nothing may map it) and
// returns the share of its pages still resident afterwards.
double DropFromPageCache(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    (void)fdatasync(fd);
    (void)posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    struct stat info {};
    fstat(fd, &info);
    const size_t size = static_cast<size_t>(info.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    const size_t pages = (size + 4095) / 4096;
    std::vector<unsigned char> resident(pages);
    mincore(mapped, size, resident.data());
    munmap(mapped, size);
    close(fd);
    return static_cast<double>(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; })) /
           static_cast<double>(pages);
}

std::unique_ptr<breach::BreachTable> gTable;
std::string gTablePath;
std::vector<std::string> gHits, gMisses;

void BM_ContainsPassword(benchmark::State& state) {
    const std::vector<std::string>& probes = state.range(0) == 1 ? gHits : gMisses;
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gTable->ContainsPassword(probes[next]));
        if (++next == probes.size()) next = 0;
    }
    state.SetLabel(state.range(0) == 1 ? "hits" : "misses");
}
BENCHMARK(BM_ContainsPassword)->Arg(1)->Arg(0);

void BM_Sha1Only(benchmark::State& state) {
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(breach::KeyOfPassword(gMisses[next]));
        if (++next == gMisses.size()) next = 0;
    }
}
BENCHMARK(BM_Sha1Only);

// PPC_IsStrongPwd on passwords that pass policy 0 and are in neither the
// (empty) dictionary nor the table, so both halves run: without a table
// (as every host without "breachedPwdTable") and with the big one.
void BM_IsStrongPwd(benchmark::State& state) {
    std::shared_ptr<const breach::TableSet> table;
    if (state.range(0) == 1) {
        std::string problem;
        table = breach::TableSet::Open({gTablePath}, &problem);
    }
    {
        ReloadLock lock;
        dataInForce.Publish(MakeSnapshot(policyCfgObj, weakpwdDic, table));
    }
    size_t next = 0;
    for (auto _ : state) {
        unsigned int strong = 0;
        PPC_IsStrongPwd(gMisses[next].c_str(), &strong);
        if (strong != 1) state.SkipWithError("not strong");
        if (++next == gMisses.size()) next = 0;
    }
    state.SetLabel(state.range(0) == 1 ? "with table" : "without table");
}
BENCHMARK(BM_IsStrongPwd)->Arg(0)->Arg(1);

// The component as PPC_Initialize(NULL, 0, 1) leaves it, from a private
// configuration (the fixed path belongs to the tests).
bool LoadComponent(const std::string& dir) {
    const std::string config = dir + "/ppc.conf";
    std::ofstream(config) << "[POLICY0]\nminlen=8\nmaxlen=16\nminclass=2\n";
    if (policyCfgObj.Init(config) != 0) return false;
    __atomic_store_n(&gWeakPwdUseInd, 1, __ATOMIC_RELEASE);
    __atomic_store_n(&ppcInitFlag, 1, __ATOMIC_RELEASE);
    return true;
}

bool TakeFlag(const char* arg, const char* name, std::string* value) {
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return false;
    *value = arg + length + 1;
    return true;
}

// The build, measured as an operator's run of ppc would be.
bool BuildTable(const std::string& dir, const std::string& table) {
    const std::string list = dir + "/list.txt";
    auto start = Clock::now();
    // In a child: a process started with posix_spawn (vfork) inherits its
    // parent's peak RSS into ru_maxrss, so this process must stay small
    // until the build has been measured.
    const pid_t writer = fork();
    if (writer == 0) {
        WriteHashList(list);
        _exit(0);
    }
    int writerStatus = 0;
    waitpid(writer, &writerStatus, 0);
    const double listBytes = static_cast<double>(std::filesystem::file_size(list));
    std::printf("generated list: %.2f GB in %.1f s\n", listBytes / 1e9, Seconds(start));

    const Child build = RunPpc({"breach", "build", "--json", "-o", table, list}, dir);
    if (build.status != 0) {
        std::fprintf(stderr, "build failed: %d\n", build.status);
        return false;
    }
    const size_t at = build.out.find("\"temporaryBytes\":");
    const double temporary = at == std::string::npos ? 0 : std::atof(build.out.c_str() + at + 17);
    // The machine is shared: CPU time says what the builder needs when it
    // has a core to itself, wall time what it got.
    std::printf("build: %.1f s wall, %.1f s CPU; %.2f M entries/s wall, %.2f M entries/CPU-s; peak RSS %.0f MiB; "
                "temporary file %.2f GB\n",
                build.seconds, build.cpuSeconds, gEntries / build.seconds / 1e6, gEntries / build.cpuSeconds / 1e6,
                build.maxRssKiB / 1024.0, temporary / 1e9);

    // A weak rate, so that false positives are common enough to count.
    const std::string weak = dir + "/weak.tbl";
    const Child weakBuild = RunPpc({"breach", "build", "-o", weak, "--fp-rate", "1e-4", list}, dir);
    std::string problem;
    std::unique_ptr<breach::BreachTable> weakTable =
        weakBuild.status == 0 ? breach::BreachTable::Open(weak, &problem) : nullptr;
    if (weakTable) {
        const uint64_t queries = std::min<uint64_t>(gEntries, 10000000);
        uint64_t positives = 0;
        for (uint64_t i = 0; i < queries; ++i) positives += weakTable->ContainsPassword(StrangerPassword(i));
        const double predicted = weakTable->FalsePositiveRate();
        const double expected = predicted * static_cast<double>(queries);
        std::printf("false positives at --fp-rate 1e-4 (%u bits): %llu of %llu non-members = %.3g (predicted %.3g, "
                    "expected %.0f +- %.0f), %.3f bytes/entry\n",
                    weakTable->Header().resultBits, static_cast<unsigned long long>(positives),
                    static_cast<unsigned long long>(queries), static_cast<double>(positives) / queries, predicted,
                    expected, 3 * std::sqrt(expected), static_cast<double>(weakTable->FileBytes()) / gEntries);
    }
    std::filesystem::remove(list);
    std::filesystem::remove(weak);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (TakeFlag(argv[i], "--entries", &value)) {
            gEntries = std::stoull(value);
        } else if (TakeFlag(argv[i], "--fp-queries", &value)) {
            gFpQueries = std::stoull(value);
        } else if (TakeFlag(argv[i], "--cold", &value)) {
            gCold = std::stoull(value);
        } else if (TakeFlag(argv[i], "--scratch", &value)) {
            gScratch = value;
        } else if (TakeFlag(argv[i], "--table", &value)) {
            gExisting = value;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (gFpQueries == 0) gFpQueries = std::min<uint64_t>(gEntries, 100000000);
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    std::string made = gScratch + "/ppc-breach-bench-XXXXXX";
    if (mkdtemp(made.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("breach table benchmark: %llu entries, %llu false-positive queries, scratch %s\n",
                static_cast<unsigned long long>(gEntries), static_cast<unsigned long long>(gFpQueries), made.c_str());
    const std::string table = gExisting.empty() ? made + "/breached.tbl" : gExisting;
    if (gExisting.empty() && !BuildTable(made, table)) return 1;

    const uint64_t probes = std::min<uint64_t>(gEntries, 1000000);
    for (uint64_t i = 0; i < probes; ++i) {
        gHits.push_back(MemberPassword((i * 2654435761u) % gEntries));
        gMisses.push_back(StrangerPassword(gFpQueries + i));
    }
    std::string problem;
    // Cold: the table's pages dropped from the page cache, then opened and
    // read by lookups that each meet pages not read before.
    const double left = DropFromPageCache(table);
    auto start = Clock::now();
    gTable = breach::BreachTable::Open(table, &problem);
    const double coldOpenMs = Seconds(start) * 1e3;
    if (!gTable) {
        std::fprintf(stderr, "open failed: %s\n", problem.c_str());
        return 1;
    }
    uint64_t wrong = 0;
    const std::vector<std::string> coldHits(gHits.begin(), gHits.begin() + std::min<uint64_t>(gCold, probes));
    const Percentiles cold = TimeLookups(*gTable, coldHits, true, &wrong);
    std::printf("cold (%.2f %% of pages resident after dropping): open %.3f ms; %zu hits median %.1f us p99 %.1f us\n",
                100 * left, coldOpenMs, coldHits.size(), cold.median / 1e3, cold.p99 / 1e3);
    gTable.reset();

    start = Clock::now();
    WarmPageCache(table);
    std::printf("page cache warmed in %.1f s\n", Seconds(start));
    start = Clock::now();
    gTable = breach::BreachTable::Open(table, &problem);
    const double openMs = Seconds(start) * 1e3;
    const double bytes = static_cast<double>(gTable->FileBytes());
    std::printf("table: %.0f bytes, %.4f bytes/entry (%.2f bits), %llu exceptions, predicted false-positive rate %.3g, "
                "open %.3f ms\n",
                bytes, bytes / gEntries, 8 * bytes / gEntries,
                static_cast<unsigned long long>(gTable->Header().exceptionCount), gTable->FalsePositiveRate(), openMs);
    // The first pass checks every page it reads; the second is the steady state.
    Percentiles hit, miss;
    for (int pass = 0; pass < 2; ++pass) {
        wrong = 0;
        hit = TimeLookups(*gTable, gHits, true, &wrong);
        miss = TimeLookups(*gTable, gMisses, false, &wrong);
    }
    std::printf("hot lookup incl. SHA-1: hits median %.0f ns p99 %.0f ns; misses median %.0f ns p99 %.0f ns "
                "(%llu of %llu answers wrong)\n",
                hit.median, hit.p99, miss.median, miss.p99, static_cast<unsigned long long>(wrong),
                static_cast<unsigned long long>(2 * probes));
    start = Clock::now();
    uint64_t positives = 0;
    for (uint64_t i = 0; i < gFpQueries; ++i) positives += gTable->ContainsPassword(StrangerPassword(i));
    std::printf("false positives: %llu of %llu non-members (expected %.2f), %.0f s\n",
                static_cast<unsigned long long>(positives), static_cast<unsigned long long>(gFpQueries),
                gTable->FalsePositiveRate() * static_cast<double>(gFpQueries), Seconds(start));

    gTablePath = table;
    if (!LoadComponent(made)) {
        std::fprintf(stderr, "cannot load the component\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gTable.reset();
    std::filesystem::remove_all(made);
    return 0;
}
