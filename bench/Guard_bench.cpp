// The cost of the reload safety (lifecycle/DataGuard.h) on the two hottest
// queries, in one run, against twins of the same library built without a
// guard (the floor) and with a plain pthread_rwlock (bench/guard.cmake); and
// the cost of a tick, idle and reloading.
//
// Both libraries are loaded with dlopen(RTLD_LOCAL) from the build tree, so
// that each one's globals are its own. The guarded one is initialised with
// its monitor (and a timer of an hour, which never fires here); the
// unguarded one without.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pwdpolicy.h"

#ifdef PWDPOLICY_BENCH_TICKS
#include "TestEnv.h"
#endif

namespace {

struct Library {
    void* handle = nullptr;
    decltype(&PPC_Initialize) initialize = nullptr;
    decltype(&PPC_IsMatchPolicy) isMatchPolicy = nullptr;
    decltype(&PPC_IsWeakPwd) isWeakPwd = nullptr;
    void (*handlerTimeTask)(int) = nullptr;

    explicit Library(const char* path) {
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            fprintf(stderr, "%s\n", dlerror());
            exit(1);
        }
        initialize = reinterpret_cast<decltype(initialize)>(dlsym(handle, "PPC_Initialize"));
        isMatchPolicy = reinterpret_cast<decltype(isMatchPolicy)>(dlsym(handle, "PPC_IsMatchPolicy"));
        isWeakPwd = reinterpret_cast<decltype(isWeakPwd)>(dlsym(handle, "PPC_IsWeakPwd"));
        handlerTimeTask = reinterpret_cast<void (*)(int)>(dlsym(handle, "_Z15HandlerTimeTaski"));
    }
};

Library* guarded = nullptr;
Library* unguarded = nullptr;
Library* rwlock = nullptr;
constexpr int kDictionaryWords = 10000;

// A dictionary of `words` words; returns its path.
std::string WriteDictionary(int words) {
    const std::string path = "/tmp/ppc-guard-bench-dic-" + std::to_string(words) + ".txt";
    std::ofstream out(path);
    for (int i = 0; i < words; ++i) out << "weak" << i * 7919 << "word\n";
    return path;
}

std::string ConfigText(int words) {
    return "[BASIC]\nweakPwdDic=" + WriteDictionary(words) +
           "\ntimerInterval=60\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nspecialchar=!@#\n";
}

void BM_IsMatchPolicy(benchmark::State& state, Library** library) {
    unsigned int verdict = 0;
    for (auto _ : state) {
        (*library)->isMatchPolicy("Abcdefgh12!@x", 0, 1, &verdict);
        benchmark::DoNotOptimize(verdict);
    }
}

void BM_IsWeakPwd(benchmark::State& state, Library** library) {
    unsigned int weak = 0;
    const char* const words[2] = {"weak39595word", "notinthedictionary1"};
    int i = 0;
    for (auto _ : state) {
        (*library)->isWeakPwd(words[i ^= 1], &weak);
        benchmark::DoNotOptimize(weak);
    }
}

BENCHMARK_CAPTURE(BM_IsMatchPolicy, guarded, &guarded)->ThreadRange(1, 2)->UseRealTime();
BENCHMARK_CAPTURE(BM_IsMatchPolicy, unguarded, &unguarded)->ThreadRange(1, 2)->UseRealTime();
BENCHMARK_CAPTURE(BM_IsMatchPolicy, rwlock, &rwlock)->ThreadRange(1, 2)->UseRealTime();
BENCHMARK_CAPTURE(BM_IsWeakPwd, guarded, &guarded)->ThreadRange(1, 2)->UseRealTime();
BENCHMARK_CAPTURE(BM_IsWeakPwd, unguarded, &unguarded)->ThreadRange(1, 2)->UseRealTime();
BENCHMARK_CAPTURE(BM_IsWeakPwd, rwlock, &rwlock)->ThreadRange(1, 2)->UseRealTime();

#ifdef PWDPOLICY_BENCH_TICKS
// A tick with nothing pending: the DEBUG gate, the busy flag, the lock and
// one read that fails at once.
void BM_TickIdle(benchmark::State& state) {
    for (auto _ : state) guarded->handlerTimeTask(SIGALRM);
}
BENCHMARK(BM_TickIdle);

// A tick after the configuration was rewritten in place: the read, the
// configuration parsed, the dictionary of range(0) words read, both
// published. What the call that runs a due tick pays.
void BM_TickReload(benchmark::State& state) {
    const std::string text = ConfigText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(PPC_CONFIG_PATH, std::ios::trunc) << text;
        state.ResumeTiming();
        guarded->handlerTimeTask(SIGALRM);
    }
    state.counters["dictionary_words"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_TickReload)->Arg(kDictionaryWords)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What the other callers see meanwhile: a thread checking passwords without
// pause while this one runs reloads of range(0) words. A query waits at most
// for a publication's pointer swap, never for the load: the counters give
// the slowest query and the median.
void BM_QueriesDuringReload(benchmark::State& state) {
    const std::string text = ConfigText(static_cast<int>(state.range(0)));
    std::atomic<bool> stop{false};
    std::vector<double> latencies;
    latencies.reserve(1 << 22);
    std::thread reader([&] {
        unsigned int weak = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            const auto start = std::chrono::steady_clock::now();
            guarded->isWeakPwd("notinthedictionary1", &weak);
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            if (latencies.size() < latencies.capacity()) latencies.push_back(took.count());
        }
    });
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(PPC_CONFIG_PATH, std::ios::trunc) << text;
        state.ResumeTiming();
        guarded->handlerTimeTask(SIGALRM);
    }
    stop = true;
    reader.join();
    std::sort(latencies.begin(), latencies.end());
    state.counters["query_max_us"] = latencies.empty() ? 0 : latencies.back();
    state.counters["query_p50_us"] = latencies.empty() ? 0 : latencies[latencies.size() / 2];
    state.counters["query_p999_us"] = latencies.empty() ? 0 : latencies[latencies.size() * 999 / 1000];
}
BENCHMARK(BM_QueriesDuringReload)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
#endif

}  // namespace

int main(int argc, char** argv) {
    // A log of its own, at INFO: the queries log nothing, a reload its
    // usual few lines. Read by the support library when it is loaded.
    setenv("VC_LOG_FILE", "/tmp/ppc-guard-bench.log", 0);
    setenv("VC_LOG_LEVEL", "INFO", 0);
    const std::string configText = ConfigText(kDictionaryWords);
#ifdef PWDPOLICY_BENCH_TICKS
    // The ticks rewrite the fixed configuration path: a private one.
    if (!testenv::MakeConfigFolderPrivate()) return 1;
    testenv::ConfigFile config;
    config.Write(configText);
#else
    fprintf(stderr, "tick benchmarks need the test support (PWDPOLICY_BUILD_TESTS)\n");
#endif
    Library guardedLibrary(PWDPOLICY_GUARDED_LIBRARY);
    Library unguardedLibrary(PWDPOLICY_UNGUARDED_LIBRARY);
    Library rwlockLibrary(PWDPOLICY_RWLOCK_LIBRARY);
    guarded = &guardedLibrary;
    unguarded = &unguardedLibrary;
    rwlock = &rwlockLibrary;
    // The queries themselves would initialise on demand; doing it here
    // keeps that out of the first iterations.
    if (guarded->initialize(nullptr, 1, 1) != PPC_OK || unguarded->initialize(nullptr, 0, 1) != PPC_OK ||
        rwlock->initialize(nullptr, 0, 1) != PPC_OK) {
        fprintf(stderr, "initialisation failed: is %s readable?\n", PPC_CONFIG_PATH);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
