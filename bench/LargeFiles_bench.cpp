// Files far larger than any real configuration or dictionary: a
// 10,000,000-line dictionary, one dictionary line of 16 MiB, a configuration
// of 100,000 sections. Each iteration loads the file again (a reload); the
// load must give the answers the file implies, or the benchmark stops with
// an error. Peak resident memory is reported beside the times.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "check/WeakPwdDic.h"
#include "policy/PolicyCfg.h"

namespace {

std::string ScratchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/ppc-large-XXXXXX";
        return std::string(mkdtemp(pattern) != nullptr ? pattern : "/tmp");
    }();
    return dir;
}

void ReportPeakRss(benchmark::State& state) {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

void BM_DictionaryOfTenMillionLines(benchmark::State& state) {
    constexpr int kLines = 10000000;
    const std::string path = ScratchDir() + "/huge.dic";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < kLines; ++i) out << 'w' << i << '\n';  // "w0" to "w9999999"
    }
    WeakPwdDic dic;
    for (auto _ : state) {
        if (dic.Init(path) != 0) state.SkipWithError("load failed");
    }
    size_t entries = 0;
    for (const auto& [length, list] : dic.weakPwdMap()) entries += list.size();
    if (entries != kLines || !dic.Contains("w0") || !dic.Contains("  w9999999 ") ||
        dic.Contains("w10000000") || dic.Contains("W0")) {
        state.SkipWithError("wrong content");
    }
    state.counters["index_MiB"] = static_cast<double>(dic.IndexMemoryBytes() >> 20);
    ReportPeakRss(state);
    remove(path.c_str());
}
BENCHMARK(BM_DictionaryOfTenMillionLines)->Unit(benchmark::kSecond)->Iterations(2);

void BM_DictionaryLineOfSixteenMiB(benchmark::State& state) {
    const std::string word(16u << 20, 'q');
    const std::string path = ScratchDir() + "/long.dic";
    std::ofstream(path, std::ios::binary) << ' ' << word << " \r\nshort\n";
    WeakPwdDic dic;
    for (auto _ : state) {
        if (dic.Init(path) != 0) state.SkipWithError("load failed");
    }
    if (!dic.Contains(word) || !dic.Contains("short") || dic.Contains(word.substr(1))) {
        state.SkipWithError("wrong content");
    }
    ReportPeakRss(state);
    remove(path.c_str());
}
BENCHMARK(BM_DictionaryLineOfSixteenMiB)->Unit(benchmark::kMillisecond);

void BM_ConfigurationOfHundredThousandSections(benchmark::State& state) {
    constexpr int kSections = 100000;
    std::string text = "[POLICY0]\nminlen=9\nmaxlen=40\nminclass=2\nspecialchar=!#space\n";
    for (int id = 1; id < kSections; ++id) {
        text += "[POLICY" + std::to_string(id) + "]\nmaxlen=" + std::to_string(id % 1000) + "\n";
    }
    const std::string path = ScratchDir() + "/ppc.conf";
    std::ofstream(path, std::ios::binary) << text;
    PolicyCfg store;
    for (auto _ : state) {
        if (store.Init(path) != 0) state.SkipWithError("load failed");
    }
    const ppc_PolicyInfo* last = store.GetPolicyByID(kSections - 1);
    // Each section after policy 0 starts as its copy, then takes its maxlen.
    if (store.policyMap.size() != kSections || last == nullptr || last->minlen != 9 ||
        last->maxlen != (kSections - 1) % 1000 || last->specialchar != "!# ") {
        state.SkipWithError("wrong content");
    }
    ReportPeakRss(state);
    remove(path.c_str());
}
BENCHMARK(BM_ConfigurationOfHundredThousandSections)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rmdir(ScratchDir().c_str());
    return 0;
}
