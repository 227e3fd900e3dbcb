#pragma once

// What the benchmark programs share: their default flags and the medians for their summaries.

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

// Initialises Google Benchmark with medians of `repetitions` runs unless the command line says
// otherwise (later flags win). False on an unknown flag.
inline bool initialize(int argc, char** argv, int repetitions) {
    static std::string runs;
    runs = "--benchmark_repetitions=" + std::to_string(repetitions);
    std::vector<char*> args{argv[0], runs.data(), const_cast<char*>("--benchmark_report_aggregates_only=true")};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    return !benchmark::ReportUnrecognizedArguments(n, args.data());
}

// Prints as the console does and keeps the median (or the only) real time of each benchmark.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            seconds_[r.run_name.function_name] = r.GetAdjustedRealTime() / perSecond(r.time_unit);
        }
    }
    // The median of a benchmark in seconds; NaN when it did not run.
    double seconds(const std::string& name) const {
        auto it = seconds_.find(name);
        return it == seconds_.end() ? std::nan("") : it->second;
    }

private:
    static double perSecond(benchmark::TimeUnit u) {
        switch (u) {
        case benchmark::kNanosecond: return 1e9;
        case benchmark::kMicrosecond: return 1e6;
        case benchmark::kMillisecond: return 1e3;
        default: return 1;
        }
    }
    std::map<std::string, double> seconds_;
};

}  // namespace benchsupport
