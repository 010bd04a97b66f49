// Runs the check benchmarks, then prints how far each one is from its floor
// measured in the same run: the ratios the targets are stated in.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchEnv.h"

namespace {

// Remembers the CPU time per iteration of every run, by name, while the
// console reporter prints as usual. CPU time, not wall time: on a machine
// shared with other work a preempted iteration would otherwise count the
// time another process ran.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") medians_[name] = run.GetAdjustedCPUTime();
            } else {
                samples_[name].push_back(run.GetAdjustedCPUTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Median time per iteration of `name`, or a negative value when it did
    // not run.
    double Time(const std::string& name) const {
        auto median = medians_.find(name);
        if (median != medians_.end()) return median->second;
        auto found = samples_.find(name);
        if (found == samples_.end() || found->second.empty()) return -1;
        std::vector<double> values = found->second;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    void PrintRatio(const char* what, const std::string& ours, const std::string& floor,
                    double target) const {
        const double oursTime = Time(ours), floorTime = Time(floor);
        if (oursTime < 0 || floorTime < 0) return;
        const double ratio = oursTime / floorTime;
        printf("%-44s %10.1f %10.1f %7.2fx  (target <= %.0fx) %s\n", what, oursTime, floorTime, ratio,
               target, ratio <= target ? "ok" : "MISSED");
    }

private:
    std::map<std::string, double> medians_;
    std::map<std::string, std::vector<double>> samples_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!benchenv::Prepare()) {
        benchenv::Cleanup();
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    printf("\nRatios to the floors of this run (median CPU time per iteration, single thread):\n");
    printf("%-44s %10s %10s %8s\n", "", "ours", "floor", "ratio");
    const std::string t = "/real_time/threads:1";
    reporter.PrintRatio("PPC_IsMatchPolicy 12 bytes, ind 0", "BM_IsMatchPolicy/len:1/ind:0" + t,
                        "BM_ClassCountFloor/len:1/real_time", 3);
    reporter.PrintRatio("PPC_IsMatchPolicy 12 bytes, ind 1", "BM_IsMatchPolicy/len:1/ind:1" + t,
                        "BM_ClassCountFloor/len:1/real_time", 3);
    for (size_t size : benchenv::kSizes) {
        for (int hit : {1, 0}) {
            const std::string args = "/size:" + std::to_string(size) + "/hit:" + std::to_string(hit);
            const std::string what = "PPC_IsWeakPwd " + std::to_string(size) + (hit ? " hit" : " miss");
            reporter.PrintRatio(what.c_str(), "BM_IsWeakPwd" + args + t, "BM_UnorderedSetFloor" + args + t,
                                3);
        }
    }
    for (size_t size : benchenv::kSizes) {
        const std::string args = "/size:" + std::to_string(size) + "/real_time";
        const std::string what = "WeakPwdDic::Init " + std::to_string(size);
        reporter.PrintRatio(what.c_str(), "BM_DictionaryLoad" + args, "BM_GetlineFloor" + args, 2);
    }
    benchmark::Shutdown();
    benchenv::Cleanup();
    return 0;
}
