// PPC_IsWeakPwd and PPC_IsStrongPwd against a bare std::unordered_set
// lookup of the same probes, at three dictionary sizes. The probes cycle
// through 4096 passwords spread over the whole dictionary, so a large
// dictionary pays its cache misses as it would in a host.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BenchEnv.h"
#include "pwdpolicy.h"

namespace {

constexpr size_t kMask = benchenv::kProbeCount - 1;
static_assert((benchenv::kProbeCount & kMask) == 0, "probe count must be a power of two");

const std::vector<std::string>& ProbeList(const benchmark::State& state) {
    const benchenv::Probes& probes = benchenv::ProbesFor(static_cast<size_t>(state.range(0)));
    return state.range(1) == 1 ? probes.hits : probes.misses;
}

// Untimed, before the threads start: the lazily built data must exist.
void PrepareWeak(const benchmark::State& state) {
    benchenv::UseDictionary(static_cast<size_t>(state.range(0)));
    benchenv::FloorSet(static_cast<size_t>(state.range(0)));
    ProbeList(state);
}

void BM_IsWeakPwd(benchmark::State& state) {
    const std::vector<std::string>& probes = ProbeList(state);
    const uint32_t expected = state.range(1) == 1 ? 1 : 0;
    size_t next = static_cast<size_t>(state.thread_index()) * 1237;
    for (auto _ : state) {
        unsigned int isWeak = 2;
        const unsigned int code = PPC_IsWeakPwd(probes[next++ & kMask].c_str(), &isWeak);
        benchmark::DoNotOptimize(code);
        if (isWeak != expected) {
            state.SkipWithError("wrong answer");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_UnorderedSetFloor(benchmark::State& state) {
    const std::vector<std::string>& probes = ProbeList(state);
    const std::unordered_set<std::string>& set = benchenv::FloorSet(static_cast<size_t>(state.range(0)));
    size_t next = static_cast<size_t>(state.thread_index()) * 1237;
    for (auto _ : state) {
        const bool found = set.find(probes[next++ & kMask]) != set.end();
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
}

void WeakArgs(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"size", "hit"});
    for (size_t size : benchenv::kSizes) {
        bench->Args({static_cast<int64_t>(size), 1});
        bench->Args({static_cast<int64_t>(size), 0});
    }
    bench->Setup(PrepareWeak)->UseRealTime()->Threads(1)->Threads(2);
}
BENCHMARK(BM_IsWeakPwd)->Apply(WeakArgs);
BENCHMARK(BM_UnorderedSetFloor)->Apply(WeakArgs);

// Strong-check probes at the largest size: "weak" entries of the
// dictionary that pass policy 0 (so the dictionary decides), and "strong"
// near-misses that pass it too.
std::vector<std::string> strongProbes[2];

void PrepareStrong(const benchmark::State& state) {
    benchenv::UseDictionary(benchenv::kLargest);
    std::vector<std::string>& chosen = strongProbes[state.range(0)];
    if (!chosen.empty()) return;
    const benchenv::Probes& probes = benchenv::ProbesFor(benchenv::kLargest);
    for (const std::string& probe : state.range(0) == 1 ? probes.hits : probes.misses) {
        unsigned int verdict = 9;
        if (PPC_IsMatchPolicy(probe.c_str(), 0, 0, &verdict) == PPC_OK && verdict == PPC_MATCH) {
            chosen.push_back(probe);
        }
    }
    while (chosen.size() < benchenv::kProbeCount) chosen.push_back(chosen[chosen.size() % 97]);
    chosen.resize(benchenv::kProbeCount);
}

void BM_IsStrongPwd(benchmark::State& state) {
    const std::vector<std::string>& probes = strongProbes[state.range(0)];
    const uint32_t expected = state.range(0) == 1 ? 0 : 1;
    size_t next = static_cast<size_t>(state.thread_index()) * 1237;
    for (auto _ : state) {
        unsigned int isStrong = 2;
        const unsigned int code = PPC_IsStrongPwd(probes[next++ & kMask].c_str(), &isStrong);
        benchmark::DoNotOptimize(code);
        if (isStrong != expected) {
            state.SkipWithError("wrong answer");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsStrongPwd)
    ->ArgName("weak")
    ->DenseRange(0, 1)
    ->Setup(PrepareStrong)
    ->UseRealTime()
    ->Threads(1)
    ->Threads(2);

}  // namespace
