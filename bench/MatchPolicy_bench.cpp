// PPC_IsMatchPolicy against the least any policy check must do: look at
// every byte once and count the classes seen.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "BenchEnv.h"
#include "Floors.h"
#include "pwdpolicy.h"

namespace {

void BM_IsMatchPolicy(benchmark::State& state) {
    const char* pwd = benchenv::MatchPassword(state.range(0)).c_str();
    const unsigned int specialCharCheckInd = static_cast<unsigned int>(state.range(1));
    unsigned int verdict = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pwd);
        unsigned int code = PPC_IsMatchPolicy(pwd, 0, specialCharCheckInd, &verdict);
        benchmark::DoNotOptimize(code);
        benchmark::DoNotOptimize(verdict);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsMatchPolicy)
    ->ArgNames({"len", "ind"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->UseRealTime()
    ->Threads(1)
    ->Threads(2);

// The floor: see floors::CountClasses.
void BM_ClassCountFloor(benchmark::State& state) {
    const char* pwd = benchenv::MatchPassword(state.range(0)).c_str();
    for (auto _ : state) {
        benchmark::DoNotOptimize(pwd);
        int classes = floors::CountClasses(pwd);
        benchmark::DoNotOptimize(classes);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClassCountFloor)->ArgName("len")->DenseRange(0, 2)->UseRealTime();

}  // namespace
