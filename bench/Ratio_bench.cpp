// Each target ratio measured head to head: the component's call and its
// floor run in alternating batches within one benchmark, and each side's
// time per call is the median over the batches. On a machine shared with
// other work a slow spell then falls on both sides alike, and a batch that
// was preempted is an outlier the median ignores; separate benchmarks,
// seconds apart, would each see a different machine.
//
// Counters: ours_ns and floor_ns (median wall-clock ns per call), ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <string>
#include <unordered_set>
#include <vector>

#include "BenchEnv.h"
#include "Floors.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Times `batch` calls of `call`; returns ns per call.
template <class Call>
double TimeBatch(size_t batch, Call&& call) {
    const Clock::time_point start = Clock::now();
    for (size_t i = 0; i < batch; ++i) call(i);
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / batch;
}

// One batch of each side per iteration, the order swapped every iteration.
template <class Ours, class Floor>
void Paired(benchmark::State& state, size_t batch, Ours&& ours, Floor&& floor) {
    std::vector<double> oursTimes, floorTimes;
    bool oursFirst = true;
    for (auto _ : state) {
        if (oursFirst) oursTimes.push_back(TimeBatch(batch, ours));
        floorTimes.push_back(TimeBatch(batch, floor));
        if (!oursFirst) oursTimes.push_back(TimeBatch(batch, ours));
        oursFirst = !oursFirst;
    }
    const double oursNs = Median(oursTimes), floorNs = Median(floorTimes);
    state.counters["ours_ns"] = oursNs;
    state.counters["floor_ns"] = floorNs;
    state.counters["ratio"] = floorNs > 0 ? oursNs / floorNs : 0;
}

constexpr size_t kQueryBatch = 256;
constexpr size_t kMask = benchenv::kProbeCount - 1;

void BM_Ratio_IsMatchPolicy(benchmark::State& state) {
    const char* pwd = benchenv::MatchPassword(1).c_str();
    const unsigned int specialCharCheckInd = static_cast<unsigned int>(state.range(0));
    Paired(
        state, kQueryBatch,
        [&](size_t) {
            unsigned int verdict = 0;
            benchmark::DoNotOptimize(pwd);
            benchmark::DoNotOptimize(PPC_IsMatchPolicy(pwd, 0, specialCharCheckInd, &verdict));
            benchmark::DoNotOptimize(verdict);
        },
        [&](size_t) {
            benchmark::DoNotOptimize(pwd);
            benchmark::DoNotOptimize(floors::CountClasses(pwd));
        });
}
BENCHMARK(BM_Ratio_IsMatchPolicy)->ArgName("ind")->DenseRange(0, 1)->Iterations(4000);

// The special-set check where the scan dominates: 128 bytes, every one of
// them looked at, against the same floor.
void BM_Ratio_MatchLong(benchmark::State& state) {
    const char* pwd = benchenv::MatchPassword(2).c_str();
    const unsigned int specialCharCheckInd = static_cast<unsigned int>(state.range(0));
    Paired(
        state, kQueryBatch,
        [&](size_t) {
            unsigned int verdict = 0;
            benchmark::DoNotOptimize(pwd);
            benchmark::DoNotOptimize(PPC_IsMatchPolicy(pwd, 0, specialCharCheckInd, &verdict));
            benchmark::DoNotOptimize(verdict);
        },
        [&](size_t) {
            benchmark::DoNotOptimize(pwd);
            benchmark::DoNotOptimize(floors::CountClasses(pwd));
        });
}
BENCHMARK(BM_Ratio_MatchLong)->ArgName("ind")->DenseRange(0, 1)->Iterations(4000);

// PPC_JudgePassword against PPC_IsStrongPwd on the same 12-byte ASCII
// password: 0, policy 0 without context; 1, a policy with context checks,
// given a user name, a full name and an old password; 2, a policy that
// counts code points and normalises (NFKC), without context.
void BM_Ratio_Judge(benchmark::State& state) {
    const char* pwd = benchenv::MatchPassword(1).c_str();
    const int variant = static_cast<int>(state.range(0));
    PPC_PasswordContext context{};
    if (variant == 1) {
        context.userName = "alice.smith";
        context.fullName = "Alice Smith,Room 12,,";
        context.oldPassword = "letmein2023?";
    }
    Paired(
        state, kQueryBatch,
        [&](size_t) {
            PPC_Judgement judgement;
            benchmark::DoNotOptimize(pwd);
            benchmark::DoNotOptimize(PPC_JudgePassword(pwd, variant, 0, &context, &judgement));
            benchmark::DoNotOptimize(judgement);
        },
        [&](size_t) {
            unsigned int isStrong = 0;
            benchmark::DoNotOptimize(pwd);
            benchmark::DoNotOptimize(PPC_IsStrongPwd(pwd, &isStrong));
            benchmark::DoNotOptimize(isStrong);
        });
}
BENCHMARK(BM_Ratio_Judge)->ArgName("variant")->DenseRange(0, 2)->Iterations(4000);

void PrepareWeak(const benchmark::State& state) {
    benchenv::UseDictionary(static_cast<size_t>(state.range(0)));
    benchenv::FloorSet(static_cast<size_t>(state.range(0)));
    benchenv::ProbesFor(static_cast<size_t>(state.range(0)));
}

void BM_Ratio_IsWeakPwd(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    const benchenv::Probes& probes = benchenv::ProbesFor(size);
    const std::vector<std::string>& list = state.range(1) == 1 ? probes.hits : probes.misses;
    const std::unordered_set<std::string>& set = benchenv::FloorSet(size);
    size_t oursNext = 0, floorNext = 0;
    Paired(
        state, kQueryBatch,
        [&](size_t) {
            unsigned int isWeak = 0;
            benchmark::DoNotOptimize(PPC_IsWeakPwd(list[oursNext++ & kMask].c_str(), &isWeak));
            benchmark::DoNotOptimize(isWeak);
        },
        [&](size_t) { benchmark::DoNotOptimize(set.find(list[floorNext++ & kMask]) != set.end()); });
}
BENCHMARK(BM_Ratio_IsWeakPwd)
    ->ArgNames({"size", "hit"})
    ->ArgsProduct({{10000, 100000, 1000000}, {1, 0}})
    ->Setup(PrepareWeak)
    ->Iterations(2000);

std::vector<std::string> floorLines;

// Makes the allocator merge the small blocks just freed (a request of a few
// kilobytes does). Each side calls it at the end of its own timed call, so
// each pays for merging what it freed instead of leaving it to the other
// side's first large request.
void SettleAllocator() {
    void* block = malloc(4096);
    benchmark::DoNotOptimize(block);
    free(block);
}

void BM_Ratio_DictionaryLoad(benchmark::State& state) {
    const std::string path = benchenv::DictionaryPath(static_cast<size_t>(state.range(0)));
    Paired(
        state, 1,
        [&](size_t) {
            if (weakpwdDic.Init(path) != 0) abort();
            SettleAllocator();
        },
        [&](size_t) {
            std::vector<std::string> lines;
            floors::ReadLines(path, lines);
            floorLines.swap(lines);
            lines.clear();  // frees what the previous call read, as Init does
            SettleAllocator();
        });
    std::vector<std::string>().swap(floorLines);
    benchenv::NoteLoaded(static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_Ratio_DictionaryLoad)->ArgName("size")->Arg(10000)->Iterations(60);
BENCHMARK(BM_Ratio_DictionaryLoad)->ArgName("size")->Arg(100000)->Iterations(20);
BENCHMARK(BM_Ratio_DictionaryLoad)->ArgName("size")->Arg(1000000)->Iterations(7);

}  // namespace
