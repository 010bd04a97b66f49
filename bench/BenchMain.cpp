// Runs the check benchmarks, then prints the target ratios: each measured
// head to head with its floor by the BM_Ratio_ benchmarks of this run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchEnv.h"

namespace {

struct Ratio {
    double ours = 0;
    double floor = 0;
    double ratio = 0;
};

// Keeps the counters of the BM_Ratio_ runs while the console reporter
// prints as usual. With repetitions it keeps the median aggregate when the
// framework reports one, else every repetition.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.counters.count("ratio") == 0) continue;
            const Ratio ratio{run.counters.at("ours_ns"), run.counters.at("floor_ns"),
                              run.counters.at("ratio")};
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") medians_[name] = ratio;
            } else {
                samples_[name].push_back(ratio);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Print(const char* what, const std::string& name, double target) const {
        Ratio ratio;
        auto median = medians_.find(name);
        if (median != medians_.end()) {
            ratio = median->second;
        } else {
            auto found = samples_.find(name);
            if (found == samples_.end() || found->second.empty()) return;
            std::vector<Ratio> values = found->second;
            std::sort(values.begin(), values.end(),
                      [](const Ratio& a, const Ratio& b) { return a.ratio < b.ratio; });
            ratio = values[values.size() / 2];
        }
        const bool ms = ratio.floor > 1e5;
        printf("%-36s %12.1f %12.1f %s %6.2fx", what, ms ? ratio.ours / 1e6 : ratio.ours,
               ms ? ratio.floor / 1e6 : ratio.floor, ms ? "ms" : "ns", ratio.ratio);
        // A target of 0: measured for the record, with no target.
        if (target > 0) printf("  (target <= %gx) %s", target, ratio.ratio <= target ? "ok" : "MISSED");
        printf("\n");
    }

private:
    std::map<std::string, Ratio> medians_;
    std::map<std::string, std::vector<Ratio>> samples_;
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

    printf("\nTarget ratios (BM_Ratio_*: medians of alternating batches):\n");
    printf("%-36s %12s %12s    %7s\n", "", "ours", "floor", "ratio");
    reporter.Print("PPC_IsMatchPolicy 12 bytes, ind 0", "BM_Ratio_IsMatchPolicy/ind:0/iterations:4000",
                   3);
    reporter.Print("PPC_IsMatchPolicy 12 bytes, ind 1", "BM_Ratio_IsMatchPolicy/ind:1/iterations:4000",
                   3);
    reporter.Print("PPC_IsMatchPolicy 128 bytes, ind 0", "BM_Ratio_MatchLong/ind:0/iterations:4000", 1.3);
    reporter.Print("PPC_IsMatchPolicy 128 bytes, ind 1", "BM_Ratio_MatchLong/ind:1/iterations:4000", 1.3);
    reporter.Print("PPC_JudgePassword / PPC_IsStrongPwd", "BM_Ratio_Judge/variant:0/iterations:4000", 2);
    reporter.Print("  with user name and old password", "BM_Ratio_Judge/variant:1/iterations:4000", 0);
    reporter.Print("  NFKC and code points", "BM_Ratio_Judge/variant:2/iterations:4000", 0);
    for (size_t size : benchenv::kSizes) {
        for (int hit : {1, 0}) {
            const std::string name = "BM_Ratio_IsWeakPwd/size:" + std::to_string(size) +
                                     "/hit:" + std::to_string(hit) + "/iterations:2000";
            const std::string what = "PPC_IsWeakPwd " + std::to_string(size) + (hit ? " hit" : " miss");
            reporter.Print(what.c_str(), name, 3);
        }
    }
    const char* loadIterations[] = {"60", "20", "7"};
    for (size_t i = 0; i < 3; ++i) {
        const size_t size = benchenv::kSizes[i];
        const std::string name = "BM_Ratio_DictionaryLoad/size:" + std::to_string(size) +
                                 "/iterations:" + loadIterations[i];
        const std::string what = "WeakPwdDic::Init " + std::to_string(size);
        reporter.Print(what.c_str(), name, 1.5);
    }
    benchmark::Shutdown();
    benchenv::Cleanup();
    return 0;
}
