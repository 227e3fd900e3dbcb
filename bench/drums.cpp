// The drums/notes changer on the 3-million-event test song: load, and Search, Change (Move) and
// Change (Copy) with ten mappings over all sixteen channels, measured in one run so that their
// ratios compare like with like on a busy machine.
//
// Target: each Change at most the song's load time.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench_support.h"
#include "drums/drum_change.h"
#include "generated_song.h"
#include "song/song.h"

using namespace tonvela;
using namespace benchsong;

namespace {

std::unique_ptr<midiSong> load(const Input& in) {
    auto song = std::make_unique<midiSong>();
    song->loadBytes(in.bytes.data(), in.bytes.size(), "bench.mid");
    return song;
}

// Keys 60..69 (which most tracks play) to 100..109 (which none does), every channel.
DrumChangeSettings tenMappings(int method) {
    DrumChangeSettings s;
    s.noteKind = kNoteKind;
    s.method = method;
    s.channels.set();
    for (int k = 0; k < 10; ++k) s.mappings.push_back({60 + k, 100 + k});
    return s;
}

int countNotes(const midiSong& song) {
    int n = 0;
    for (const auto& t : song.tracks)
        for (const anyEvent* e : t->events()) n += e && e->kind() == kindNote;
    return n;
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

void benchSearch(benchmark::State& state, midiSong* song) {
    const DrumChangeSettings s = tenMappings(kMoveMethod);
    int found = 0;
    for (auto _ : state) {
        DrumScanResult r = scanNotes(*song, s, false);
        found = r.found();
        state.PauseTiming();
        r.hits = {};
        state.ResumeTiming();
    }
    state.counters["found"] = found;
}

// Each round gets a fresh song untimed; the result is checked so that a fast wrong one cannot
// pass: after a Move no note is left on a source key, after a Copy every hit added a note.
void benchChange(benchmark::State& state, const Input* in, int method) {
    const DrumChangeSettings s = tenMappings(method);
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto song = load(*in);
        const int before = countNotes(*song);
        state.ResumeTiming();
        DrumScanResult r = scanNotes(*song, s, true);
        state.PauseTiming();
        found = r.found();
        const bool right = method == kMoveMethod ? scanNotes(*song, s, false).found() == 0
                                                 : countNotes(*song) == before + found;
        if (found == 0 || !right) state.SkipWithError("Change did not do what it listed");
        song.reset();
        state.ResumeTiming();
    }
    state.counters["found"] = found;
}

}  // namespace

int main(int argc, char** argv) {
    if (!benchsupport::initialize(argc, argv, 5)) return 1;

    const Input song = bigSong().first;
    const auto loaded = load(song);
    std::printf("input: format 1, %zu events, %d notes; ten mappings over every channel match %d notes\n",
                song.events, countNotes(*loaded), scanNotes(*loaded, tenMappings(kMoveMethod), false).found());

    auto reg = [](const char* name, auto fn) {
        return benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    reg("load", [&](benchmark::State& s) { benchLoad(s, &song); });
    reg("search", [&](benchmark::State& s) { benchSearch(s, loaded.get()); });
    reg("change/move", [&](benchmark::State& s) { benchChange(s, &song, kMoveMethod); })->Iterations(3);
    reg("change/copy", [&](benchmark::State& s) { benchChange(s, &song, kCopyMethod); })->Iterations(3);

    benchsupport::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto at = [&reporter](const char* name) { return reporter.seconds(name) * 1e3; };  // milliseconds
    auto line = [](const char* what, double value, const char* unit, const char* target) {
        std::printf("  %-40s %10.2f %-4s %s\n", what, value, unit, target);
    };
    std::printf("\nsummary (medians)\n");
    line("load", at("load"), "ms", "");
    line("search", at("search"), "ms", "");
    line("change, Move", at("change/move"), "ms", "");
    line("change, Copy", at("change/copy"), "ms", "");
    line("change (Move) / load", at("change/move") / at("load"), "x", "target <= 1");
    line("change (Copy) / load", at("change/copy") / at("load"), "x", "target <= 1");
    return 0;
}
