// The effect operations on the 3-million-event song with the whole song selected, each with its
// defaults: the run, the undo of its steps, and the same run on the first half of the bars;
// then tonvela-cli apply against tonvela-cli convert as whole processes.
//
// After the runs a summary prints the medians and the ratios we hold ourselves to: every
// operation at most the song's load time (Add Events at most 100 ns per written event), undo at
// most half the operation, half the song half the time (+-20 %), apply at most 2.5x convert.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_support.h"
#include "generated_song.h"
#include "effects/apply_effect.h"
#include "effects/effect_file.h"
#include "song/song.h"

using namespace tonvela;
using namespace benchsong;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double median(std::vector<double> v) {
    if (v.empty()) return std::nan("");
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Operation {
    std::string name;
    EffectSettings settings;
};

std::vector<Operation> operations() {
    std::vector<Operation> out;
    const char* names[8] = {"addEvents", "deleteEvents", "modifyVelocity", "timeShift", "echo", "modifyControl",
                            "modifyDuration", "chordStroke"};
    for (int type = 0; type < 8; ++type) {
        EffectSettings s;
        s.effectType = type;
        s.EffectName = names[type];
        out.push_back({names[type], s});
        if (type == 5) {
            chooseModify(s.modifyControl, 1);
            out.push_back({"modifyPitchBend", s});
        }
    }
    return out;
}

std::unique_ptr<midiSong> loadSong(const Input& in) {
    auto song = std::make_unique<midiSong>();
    song->loadBytes(in.bytes.data(), in.bytes.size(), "bench.mid");
    return song;
}

// Side figures gathered while the benchmarks run (one entry per iteration).
std::map<std::string, std::vector<double>> undoSeconds;
std::map<std::string, std::vector<double>> writtenEvents;

void benchLoad(benchmark::State& state, const Input* in) {
    for (auto _ : state) {
        auto t0 = Clock::now();
        auto song = loadSong(*in);
        state.SetIterationTime(seconds(t0, Clock::now()));
        benchmark::DoNotOptimize(song.get());
    }
}

void benchOperation(benchmark::State& state, const Input* in, const Operation* op, bool half) {
    for (auto _ : state) {
        auto song = loadSong(*in);
        Selection selection = Selection::wholeSong(*song);
        if (half) selection.lastBar = selection.lastBar / 2;
        std::vector<size_t> journals;
        for (const auto& t : song->tracks) journals.push_back(t->journal.size());
        auto t0 = Clock::now();
        EffectResult r = applyEffect(*song, op->settings, EffectScope::of(*song, selection));
        auto t1 = Clock::now();
        state.SetIterationTime(seconds(t0, t1));
        benchmark::DoNotOptimize(r.counts.hits);
        if (half) continue;
        // Events written: the additions the run journaled.
        double added = 0;
        for (size_t i = 0; i < song->tracks.size(); ++i) {
            const auto& journal = song->tracks[i]->journal;
            for (size_t k = i < journals.size() ? journals[i] : 0; k < journal.size(); ++k) added += journal[k][0] == '+';
        }
        writtenEvents[op->name].push_back(added);
        auto u0 = Clock::now();
        for (size_t i = 0; i < song->tracks.size(); ++i) {
            midiTrack& t = *song->tracks[i];
            const size_t want = i < journals.size() ? journals[i] : 0;
            while (t.journal.size() > want) t.undo();
        }
        undoSeconds[op->name].push_back(seconds(u0, Clock::now()));
    }
}

// Median wall time of a whole command, `runs` times.
double timeCommand(const std::string& command, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        if (std::system(command.c_str()) != 0) return std::nan("");
        t.push_back(seconds(t0, Clock::now()));
    }
    return median(t);
}

}  // namespace

int main(int argc, char** argv) {
    if (!benchsupport::initialize(argc, argv, 3)) return 1;

    const Input song = bigSong().first;
    std::printf("input: format 1, %zu events, %zu notes\n", song.events, song.notes);
    const std::vector<Operation> ops = operations();

    auto reg = [](const std::string& name, auto fn) {
        return benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
    };
    reg("load", [&](benchmark::State& s) { benchLoad(s, &song); });
    for (const Operation& op : ops) {
        reg("whole/" + op.name, [&song, &op](benchmark::State& s) { benchOperation(s, &song, &op, false); });
        reg("half/" + op.name, [&song, &op](benchmark::State& s) { benchOperation(s, &song, &op, true); });
    }

    benchsupport::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto at = [&](const std::string& name) { return reporter.seconds(name); };

    const double load = at("load");
    std::printf("\nsummary (medians of 3 runs; the whole song selected unless said)\n");
    std::printf("  %-18s %10s %10s %10s %10s %12s\n", "operation", "run s", "/load", "undo/run", "half/whole",
                "ns/written");
    for (const Operation& op : ops) {
        const double whole = at("whole/" + op.name), half = at("half/" + op.name);
        const double undo = median(undoSeconds[op.name]);
        const double written = median(writtenEvents[op.name]);
        std::printf("  %-18s %10.3f %10.2f %10.2f %10.2f %12s\n", op.name.c_str(), whole, whole / load, undo / whole,
                    half / whole, written > 0 ? std::to_string(static_cast<int>(whole * 1e9 / written)).c_str() : "-");
    }
    std::printf("  load               %10.3f   (targets: run/load <= 1, Add Events <= 100 ns/written event,\n"
                "                                 undo/run <= 0.5, half/whole 0.4..0.6)\n",
                load);

    // Whole processes: tonvela-cli apply of Modify Velocity against tonvela-cli convert.
    const std::string cli = TONVELA_CLI_PATH;
    if (cli.empty()) {
        std::printf("  (tonvela-cli not built: no command-line figures)\n");
        return 0;
    }
    const std::string dir = "/tmp/tonvela-bench-effects-" + std::to_string(::getpid());
    std::system(("mkdir -p " + dir).c_str());
    std::ofstream(dir + "/song.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(song.bytes.data()), static_cast<long>(song.bytes.size()));
    EffectSettings velocity;
    velocity.effectType = 2;
    velocity.EffectName = "bench";
    saveEffect(dir + "/velocity.fxl", velocity);
    const std::string convert = cli + " convert " + dir + "/song.mid " + dir + "/out.mid";
    const std::string apply = cli + " apply " + dir + "/song.mid " + dir + "/out.mid --effect " + dir + "/velocity.fxl >/dev/null";
    std::vector<double> c, a;
    for (int i = 0; i < 5; ++i) {  // alternated, so a busy moment hits both alike
        c.push_back(timeCommand(convert, 1));
        a.push_back(timeCommand(apply, 1));
    }
    std::system(("rm -rf " + dir).c_str());
    std::printf("  tonvela-cli convert %9.3f s, apply (Modify Velocity) %7.3f s: apply/convert %.2f (target <= 2.5)\n",
                median(c), median(a), median(a) / median(c));
    return 0;
}
