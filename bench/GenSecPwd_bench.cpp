// Cost of one 16-character password from a policy, against a floor that does
// only what any generator with this output (the same rand() draws in the
// same order) must do: 36 rand()
// calls (12 block draws, 4 tail positions x 2, 16 shuffle draws) and one
// malloc/free of the 17-byte buffer. The ratio of the two is the overhead of
// the component itself (policy lookup, special-set text, reader section,
// due-tick check and the generation logic).
//
// Beside it, the unpredictable generator for the same policy and length:
// one getrandom(2) read of 32 bytes, 31 unbiased draws in seven groups and
// the same one allocation. Run both in one process and compare
// BM_GenCryptoPwdByPolicy16 with BM_GenSecPwdByPolicy16 (aim: at most 1.2x).
// BM_FloorGetrandom32 is the system call alone, which no generator that
// reads the kernel once per password can go below.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <sys/random.h>

#include "TestEnv.h"
#include "pwdpolicy.h"

namespace {

constexpr int kLength = 16;
constexpr int kDraws = 36;

const char kConfig[] =
    "[BASIC]\n"
    "[POLICY0]\n"
    "minlen=8\nmaxlen=32\nminclass=3\n"
    "specialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?\n";

void BM_Floor36RandAndOneAllocation(benchmark::State& state) {
    for (auto _ : state) {
        char* buffer = static_cast<char*>(malloc(kLength + 1));
        for (int i = 0; i < kDraws; ++i) buffer[i % kLength] = static_cast<char>(rand());
        buffer[kLength] = '\0';
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
        free(buffer);
    }
}
BENCHMARK(BM_Floor36RandAndOneAllocation);

void BM_GenSecPwdByPolicy16(benchmark::State& state) {
    for (auto _ : state) {
        char* pwd = nullptr;
        unsigned int pwdLen = kLength;
        if (PPC_GenSecPwdByPolicy(0, &pwd, &pwdLen) != PPC_OK) {
            state.SkipWithError("generation failed");
            break;
        }
        benchmark::DoNotOptimize(pwd);
        free(pwd);
    }
}
BENCHMARK(BM_GenSecPwdByPolicy16);

void BM_FloorGetrandom32(benchmark::State& state) {
    unsigned char bytes[32];
    for (auto _ : state) {
        if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
            state.SkipWithError("getrandom failed");
            break;
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_FloorGetrandom32);

void BM_GenCryptoPwdByPolicy16(benchmark::State& state) {
    for (auto _ : state) {
        char* pwd = nullptr;
        unsigned int pwdLen = kLength;
        if (PPC_GenCryptoPwdByPolicy(0, &pwd, &pwdLen) != PPC_OK) {
            state.SkipWithError("generation failed");
            break;
        }
        benchmark::DoNotOptimize(pwd);
        free(pwd);
    }
}
BENCHMARK(BM_GenCryptoPwdByPolicy16);

// The generator alone, without the policy lookup and copy.
void BM_GenSecPwd16(benchmark::State& state) {
    for (auto _ : state) {
        char* pwd = nullptr;
        unsigned int pwdLen = kLength;
        PPC_GenSecPwd("~!#$%^&*()-_=+\\|[{}]:,<.>?", &pwd, &pwdLen);
        benchmark::DoNotOptimize(pwd);
        free(pwd);
    }
}
BENCHMARK(BM_GenSecPwd16);

}  // namespace

int main(int argc, char** argv) {
    // Loads a known policy 0 from a private configuration folder.
    if (!testenv::MakeConfigFolderPrivate()) return 1;
    {
        testenv::ConfigFile config;
        config.Write(kConfig);
        if (PPC_Initialize(nullptr, 0, 0) != PPC_OK) {
            fprintf(stderr, "PPC_Initialize failed\n");
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
