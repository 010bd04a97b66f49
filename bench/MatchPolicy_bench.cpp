// PPC_IsMatchPolicy against the least any policy check must do: look at
// every byte once and count the classes seen.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "pwdpolicy.h"

namespace {

// Index 0: shorter than minlen (verdict 1 from the length alone).
// Index 1: 12 bytes whose third class comes with the last byte, so even the
// early-ending scan reads them all. Index 2: 128 bytes, the same shape.
const std::string& Password(int64_t index) {
    static const std::string kPasswords[] = {
        "ab1!x",
        "letmein2024!",
        std::string(126, 'q').replace(0, 26, "abcdefghijklmnopqrstuvwxyz") + "7!",
    };
    return kPasswords[index];
}

void BM_IsMatchPolicy(benchmark::State& state) {
    const char* pwd = Password(state.range(0)).c_str();
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

// The floor: one table lookup per byte up to the NUL, then a popcount.
// No policy, no guard, no early exit.
void BM_ClassCountFloor(benchmark::State& state) {
    static const struct Table {
        uint8_t classOf[256];
        Table() : classOf() {
            for (int b = 0; b < 256; ++b) {
                classOf[b] = b >= 'A' && b <= 'Z' ? 1 : b >= 'a' && b <= 'z' ? 2 : b >= '0' && b <= '9' ? 4 : 8;
            }
        }
    } table;
    const char* pwd = Password(state.range(0)).c_str();
    for (auto _ : state) {
        benchmark::DoNotOptimize(pwd);
        unsigned flags = 0;
        for (const unsigned char* at = reinterpret_cast<const unsigned char*>(pwd); *at != 0; ++at) {
            flags |= table.classOf[*at];
        }
        int classes = __builtin_popcount(flags);
        benchmark::DoNotOptimize(classes);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClassCountFloor)->ArgName("len")->DenseRange(0, 2)->UseRealTime();

}  // namespace
