// WeakPwdDic::Init on a file against the least any loader must do: read
// the same file line by line into a std::vector<std::string>. Each
// iteration replaces the content loaded before, so both sides also pay for
// freeing the old one, as a reload does.
//
// Memory is measured once per size, untimed: from an empty dictionary and a
// trimmed heap, the resident-set growth (/proc/self/statm) and the heap
// growth (mallinfo2) that one load causes, per entry of the file.
//
// BM_ReloadResidency measures what reloads of the largest dictionary leave
// resident: 200 reloads on one thread, or reloads taking turns on 8 threads
// that all stay alive (so that each has its own malloc arena, as host
// threads running due ticks would). Counters, in MiB: dict_MiB, what the
// first load added to the resident set; after_MiB, what all the loads
// added; and growth_dicts, (after - dict) / dict.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchEnv.h"
#include "Floors.h"
#include "lifecycle/Globals.h"

namespace {

struct Footprint {
    double residentPerEntry = 0;
    double heapPerEntry = 0;
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

// Runs `reloads` loads of `path`, one after the other, on `threads` threads
// that take turns and all stay alive until the last load is done.
void ReloadTakingTurns(const std::string& path, int threads, int reloads) {
    std::mutex mutex;
    std::condition_variable turnChanged;
    int turn = 0;
    bool failed = false;
    std::vector<std::thread> pool;
    for (int id = 0; id < threads; ++id) {
        pool.emplace_back([&, id] {
            std::unique_lock<std::mutex> lock(mutex);
            for (;;) {
                turnChanged.wait(lock, [&] { return turn >= reloads || turn % threads == id; });
                if (turn >= reloads) return;
                lock.unlock();
                const bool loaded = weakpwdDic.Init(path) == 0;
                lock.lock();
                failed = failed || !loaded;
                ++turn;
                turnChanged.notify_all();
            }
        });
    }
    for (std::thread& thread : pool) thread.join();
    if (failed) abort();
}

void BM_ReloadResidency(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const int reloads = static_cast<int>(state.range(1));
    const std::string path = benchenv::DictionaryPath(benchenv::kLargest);
    double dictionary = 0, after = 0;
    for (auto _ : state) {
        benchenv::LoadDictionary(0);
        benchenv::TrimHeap();
        const size_t base = benchenv::ResidentBytes();
        benchenv::LoadDictionary(benchenv::kLargest);
        dictionary = double(benchenv::ResidentBytes() - base);
        ReloadTakingTurns(path, threads, reloads);
        after = double(benchenv::ResidentBytes() - base);
    }
    constexpr double kMiB = 1 << 20;
    state.counters["dict_MiB"] = dictionary / kMiB;
    state.counters["after_MiB"] = after / kMiB;
    state.counters["growth_dicts"] = (after - dictionary) / dictionary;
}
BENCHMARK(BM_ReloadResidency)
    ->ArgNames({"threads", "reloads"})
    ->Args({1, 200})
    ->Args({8, 16})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
