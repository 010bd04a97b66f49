// WeakPwdDic::Init on a file against the least any loader must do: read
// the same file line by line into a std::vector<std::string>. Each
// iteration replaces the content loaded before, so both sides also pay for
// freeing the old one, as a reload does.
//
// Memory is measured once per size, untimed: from an empty dictionary and a
// trimmed heap, the resident-set growth (/proc/self/statm) and the heap
// growth (mallinfo2) that one load causes, per entry of the file.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "BenchEnv.h"
#include "Floors.h"
#include "lifecycle/Globals.h"

namespace {

struct Footprint {
    double residentPerEntry = 0;
    double heapPerEntry = 0;
    double indexPerEntry = 0;
};
std::map<size_t, Footprint> dictionaryFootprint;
std::map<size_t, Footprint> floorFootprint;
std::vector<std::string> floorLines;  // what the floor loaded last

void MeasureDictionary(const benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    if (dictionaryFootprint.count(size) != 0) return;
    benchenv::LoadDictionary(0);
    benchenv::TrimHeap();
    const size_t resident = benchenv::ResidentBytes();
    const size_t heap = benchenv::HeapBytesInUse();
    benchenv::LoadDictionary(size);
    Footprint& footprint = dictionaryFootprint[size];
    footprint.residentPerEntry = double(benchenv::ResidentBytes() - resident) / size;
    footprint.heapPerEntry = double(benchenv::HeapBytesInUse() - heap) / size;
    footprint.indexPerEntry = double(weakpwdDic.IndexMemoryBytes()) / size;
}

void MeasureFloor(const benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    if (floorFootprint.count(size) != 0) return;
    std::vector<std::string>().swap(floorLines);
    benchenv::TrimHeap();
    const size_t resident = benchenv::ResidentBytes();
    const size_t heap = benchenv::HeapBytesInUse();
    floors::ReadLines(benchenv::DictionaryPath(size), floorLines);
    Footprint& footprint = floorFootprint[size];
    footprint.residentPerEntry = double(benchenv::ResidentBytes() - resident) / size;
    footprint.heapPerEntry = double(benchenv::HeapBytesInUse() - heap) / size;
}

void Report(benchmark::State& state, const Footprint& footprint) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["rss_B/entry"] = footprint.residentPerEntry;
    state.counters["heap_B/entry"] = footprint.heapPerEntry;
    if (footprint.indexPerEntry > 0) state.counters["index_B/entry"] = footprint.indexPerEntry;
}

void BM_DictionaryLoad(benchmark::State& state) {
    const std::string path = benchenv::DictionaryPath(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        if (weakpwdDic.Init(path) != 0) {
            state.SkipWithError("cannot load the dictionary");
            break;
        }
    }
    Report(state, dictionaryFootprint[static_cast<size_t>(state.range(0))]);
}

void BM_GetlineFloor(benchmark::State& state) {
    const std::string path = benchenv::DictionaryPath(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> lines;
        floors::ReadLines(path, lines);
        floorLines.swap(lines);  // the previous content is freed here, timed
    }
    Report(state, floorFootprint[static_cast<size_t>(state.range(0))]);
}

void LoadArgs(benchmark::internal::Benchmark* bench) {
    bench->ArgName("size");
    for (size_t size : benchenv::kSizes) bench->Arg(static_cast<int64_t>(size));
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_DictionaryLoad)->Apply(LoadArgs)->Setup(MeasureDictionary);
BENCHMARK(BM_GetlineFloor)->Apply(LoadArgs)->Setup(MeasureFloor);

}  // namespace
