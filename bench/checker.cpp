// The data checker on the 3-million-event test song: load, check of all sixteen channels, and
// correction of every finding, measured in one run so that their ratios compare like with like
// on a busy machine.
//
// Targets: check <= 2 x load; correct of every finding <= 2 x check.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "bench_support.h"
#include "generated_song.h"
#include "checker/data_check.h"
#include "checker/data_correct.h"
#include "settings/options.h"
#include "song/song.h"

using namespace tonvela;
using namespace benchsong;

namespace {

std::unique_ptr<midiSong> load(const Input& in) {
    auto song = std::make_unique<midiSong>();
    song->loadBytes(in.bytes.data(), in.bytes.size(), "bench.mid");
    return song;
}

void benchLoad(benchmark::State& state, const Input* in) {
    for (auto _ : state) {
        auto song = load(*in);
        benchmark::DoNotOptimize(song.get());
        state.PauseTiming();
        song.reset();
        state.ResumeTiming();
    }
}

void benchCheck(benchmark::State& state, const midiSong* song, const Options* options) {
    size_t found = 0;
    for (auto _ : state) {
        CheckReport report = checkSong(*song, *options);
        found = report.size();
        state.PauseTiming();  // dropping the report is not part of the check
        report.clear();
        state.ResumeTiming();
    }
    state.counters["findings"] = static_cast<double>(found);
}

// Each round gets a fresh song and its report untimed; only Correct is timed, and its result
// is checked so that a fast wrong one cannot pass.
void benchCorrect(benchmark::State& state, const Input* in, const Options* options) {
    size_t corrected = 0, lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto song = load(*in);
        CheckReport report = checkSong(*song, *options);
        lines = report.size();
        const std::vector<bool> ticked(report.size(), true);
        state.ResumeTiming();
        const std::vector<bool> done = correctFindings(*song, report, ticked);
        state.PauseTiming();
        corrected = static_cast<size_t>(std::count(done.begin(), done.end(), true));
        CheckReport after = checkSong(*song, *options);
        if (corrected == 0 || after.size() >= lines) state.SkipWithError("Correct changed nothing");
        report.clear();
        song.reset();
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["corrected"] = static_cast<double>(corrected);
}

}  // namespace

int main(int argc, char** argv) {
    if (!benchsupport::initialize(argc, argv, 5)) return 1;

    const Input song = bigSong().first;
    const auto loaded = load(song);
    const Options defaults;
    Options every = defaults;
    every.detectIllegalVel = true;
    every.ineffectivePitchbend = true;
    const size_t found = checkSong(*loaded, defaults).size();
    const size_t foundAll = checkSong(*loaded, every).size();
    std::printf("input: format 1, %zu events; findings: %zu with the default options, %zu with every check on\n",
                song.events, found, foundAll);

    auto reg = [](const char* name, auto fn) {
        return benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    reg("load", [&](benchmark::State& s) { benchLoad(s, &song); });
    reg("check/defaults", [&](benchmark::State& s) { benchCheck(s, loaded.get(), &defaults); });
    reg("check/every", [&](benchmark::State& s) { benchCheck(s, loaded.get(), &every); });
    reg("correct/defaults", [&](benchmark::State& s) { benchCorrect(s, &song, &defaults); })->Iterations(1);
    reg("correct/every", [&](benchmark::State& s) { benchCorrect(s, &song, &every); })->Iterations(1);

    benchsupport::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto at = [&reporter](const char* name) { return reporter.seconds(name) * 1e3; };  // milliseconds
    auto line = [](const char* what, double value, const char* unit, const char* target) {
        std::printf("  %-40s %10.2f %-4s %s\n", what, value, unit, target);
    };
    std::printf("\nsummary (medians)\n");
    line("load", at("load"), "ms", "");
    line("check, default options", at("check/defaults"), "ms", "");
    line("check, every check on", at("check/every"), "ms", "");
    line("correct every finding, default options", at("correct/defaults"), "ms", "");
    line("correct every finding, every check on", at("correct/every"), "ms", "");
    line("check / load", at("check/defaults") / at("load"), "x", "target <= 2");
    line("check (every check) / load", at("check/every") / at("load"), "x", "target <= 2");
    line("correct / check", at("correct/defaults") / at("check/defaults"), "x", "target <= 2");
    line("correct / check (every check)", at("correct/every") / at("check/every"), "x", "target <= 2");
    return 0;
}
