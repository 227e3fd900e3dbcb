// Load and save throughput, memory per event, and undo and redo of a very large step.
//
// Every input is generated here, deterministically, as Standard MIDI File bytes:
//  - a 16-track format 1 song of about 3 million events (notes with note offs, controller and
//    pitch-bend curves, tempo changes in track 0), and the same song as one format 0 chunk;
//  - a track of 200,000 note ons without a single note off;
//  - a track of 1,000,000 notes edited in one undo step (velocities, then times), undone and
//    redone.
// An "event" is one message of the file (note offs included), so the per-event figures of the
// two libraries divide the same time by the same count.
//
// After the runs a summary prints the medians as ns/event and the ratios we hold ourselves to.
// Build with portSMF installed (libportsmf-dev) to get the side-by-side figures.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <queue>
#include <streambuf>
#include <string>
#include <vector>

#include "bench_support.h"
#include "generated_song.h"
#include "song/song.h"

#ifdef TONVELA_HAVE_PORTSMF
#include <allegro.h>
#endif

using namespace tonvela;

using namespace benchsong;

namespace {

// One track of notes with note offs, for the undo step.
Input plainNotes(size_t notes) {
    Rng rng{7};
    std::vector<Message> m;
    m.reserve(notes * 2);
    for (size_t i = 0; i < notes; ++i) {
        uint32_t t = static_cast<uint32_t>(i * 40);
        uint8_t key = static_cast<uint8_t>(rng.below(128));
        m.push_back({t, {0x90, key, static_cast<uint8_t>(1 + rng.below(127))}});
        m.push_back({t + 30, {0x90, key, 0}});
    }
    Input in{header(1, 1, kTicksPerBeat), notes * 2 + 1, notes};
    putTrack(in.bytes, m);
    return in;
}

// ---- memory -------------------------------------------------------------------------------

size_t residentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

size_t heapBytes() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;  // in use from the arenas plus directly mapped blocks
}

struct Footprint {
    double residentPerEvent = 0;
    double heapPerEvent = 0;
};

// What holding the loaded song costs: the growth of resident memory (and of the heap in use)
// from just before the load to just after it, the input bytes excluded. Free heap memory is
// handed back first so that the load cannot hide in pages kept from earlier work.
template <typename Load>
Footprint measure(size_t events, Load load) {
    malloc_trim(0);
    size_t rss0 = residentBytes(), heap0 = heapBytes();
    auto held = load();
    Footprint f;
    f.residentPerEvent = static_cast<double>(residentBytes() - rss0) / static_cast<double>(events);
    f.heapPerEvent = static_cast<double>(heapBytes() - heap0) / static_cast<double>(events);
    benchmark::DoNotOptimize(held.get());
    return f;
}

// ---- the two libraries ----------------------------------------------------------------------

std::unique_ptr<midiSong> loadOurs(const Input& in) {
    auto song = std::make_unique<midiSong>();
    song->loadBytes(in.bytes.data(), in.bytes.size(), "bench.mid");
    return song;
}

#ifdef TONVELA_HAVE_PORTSMF
// Read-only stream over bytes in memory, so that portSMF reads the same buffer without a copy.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(const std::vector<uint8_t>& bytes) {
        char* p = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
        setg(p, p, p + bytes.size());
    }
};

// Write stream appending to a byte vector, the counterpart of our write(std::vector&).
class VectorBuffer : public std::streambuf {
public:
    explicit VectorBuffer(std::vector<uint8_t>& out) : out_(out) {}

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) out_.push_back(static_cast<uint8_t>(c));
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        out_.insert(out_.end(), s, s + n);
        return n;
    }

private:
    std::vector<uint8_t>& out_;
};

std::unique_ptr<Alg_seq> loadPortSmf(const Input& in) {
    MemoryBuffer buffer(in.bytes);
    std::istream stream(&buffer);
    auto seq = std::make_unique<Alg_seq>(stream, true);
    if (seq->get_read_error() != alg_no_error) throw std::runtime_error("portSMF could not read the input");
    return seq;
}
#endif

// ---- benchmarks -------------------------------------------------------------------------------

void setPerEvent(benchmark::State& state, size_t events) {
    // Inverted rate: seconds per event, shown with an SI prefix (e.g. "40n" = 40 ns/event).
    state.counters["t/event"] = benchmark::Counter(static_cast<double>(events),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void benchLoadOurs(benchmark::State& state, const Input* in) {
    for (auto _ : state) {
        auto song = loadOurs(*in);
        benchmark::DoNotOptimize(song.get());
        state.PauseTiming();  // freeing the song is not part of loading it
        song.reset();
        state.ResumeTiming();
    }
    setPerEvent(state, in->events);
}

void benchSaveOurs(benchmark::State& state, const Input* in) {
    auto song = loadOurs(*in);
    for (auto _ : state) {
        std::vector<uint8_t> out;
        song->write(out);
        benchmark::DoNotOptimize(out.data());
    }
    setPerEvent(state, in->events);
}

#ifdef TONVELA_HAVE_PORTSMF
void benchLoadPortSmf(benchmark::State& state, const Input* in) {
    for (auto _ : state) {
        auto seq = loadPortSmf(*in);
        benchmark::DoNotOptimize(seq.get());
        state.PauseTiming();
        seq.reset();
        state.ResumeTiming();
    }
    setPerEvent(state, in->events);
}

void benchSavePortSmf(benchmark::State& state, const Input* in) {
    auto seq = loadPortSmf(*in);
    for (auto _ : state) {
        std::vector<uint8_t> out;
        VectorBuffer buffer(out);
        std::ostream stream(&buffer);
        seq->smf_write(stream);
        benchmark::DoNotOptimize(out.data());
    }
    setPerEvent(state, in->events);
}
#endif

// One undo step of a million journal lines: the edit is made untimed, the undo is timed, and
// the result is checked so that a fast but wrong undo cannot pass.
void benchUndo(benchmark::State& state, const Input* in, bool move) {
    auto song = loadOurs(*in);
    midiTrack& track = *song->track(0);
    std::vector<NoteOnEvent*> notes;
    for (anyEvent* e : track.events())
        if (e && e->kind() == kindNote) notes.push_back(static_cast<NoteOnEvent*>(e));
    std::vector<int32_t> before;
    for (NoteOnEvent* n : notes) before.push_back(move ? n->time : n->velocity());
    for (auto _ : state) {
        state.PauseTiming();
        track.beginUndoStep(move ? "Move" : "Velocity");
        for (NoteOnEvent* n : notes) {
            if (move)
                track.moveEvent(n, 7);
            else
                track.setVelocity(n, 128 - n->velocity());
        }
        state.ResumeTiming();
        track.undo();
        state.PauseTiming();
        for (size_t i = 0; i < notes.size(); ++i)
            if ((move ? notes[i]->time : notes[i]->velocity()) != before[i]) {
                state.SkipWithError("undo did not restore the step");
                break;
            }
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(notes.size());
}

// Redo of the same step: edit and undo untimed, redo timed, then check that the edit is back.
void benchRedo(benchmark::State& state, const Input* in, bool move) {
    auto song = loadOurs(*in);
    midiTrack& track = *song->track(0);
    std::vector<NoteOnEvent*> notes;
    for (anyEvent* e : track.events())
        if (e && e->kind() == kindNote) notes.push_back(static_cast<NoteOnEvent*>(e));
    std::vector<int32_t> edited;
    for (auto _ : state) {
        state.PauseTiming();
        track.beginUndoStep(move ? "Move" : "Velocity");
        for (NoteOnEvent* n : notes) {
            if (move)
                track.moveEvent(n, 7);
            else
                track.setVelocity(n, 128 - n->velocity());
        }
        edited.clear();
        for (NoteOnEvent* n : notes) edited.push_back(move ? n->time : n->velocity());
        track.undo();
        state.ResumeTiming();
        track.redo();
        state.PauseTiming();
        for (size_t i = 0; i < notes.size(); ++i)
            if ((move ? notes[i]->time : notes[i]->velocity()) != edited[i]) {
                state.SkipWithError("redo did not bring the step back");
                break;
            }
        track.undo();
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(notes.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (!benchsupport::initialize(argc, argv, 5)) return 1;

    auto [format1, format0] = bigSong();
    const Input noOffs = noteOnsOnly(200'000);
    const Input undoNotes = plainNotes(1'000'000);
    std::printf("inputs: format 1 %zu events (%zu bytes), format 0 %zu events, note ons only %zu events\n",
                format1.events, format1.bytes.size(), format0.events, noOffs.events);

    // Measured before any benchmark: our event pool keeps its chunks for reuse, so only the
    // first song of the process shows what holding a song costs.
    Footprint ours = measure(format1.events, [&] { return loadOurs(format1); });
#ifdef TONVELA_HAVE_PORTSMF
    Footprint theirs = measure(format1.events, [&] { return loadPortSmf(format1); });
#endif

    // A load that drops events would look fast: check that every note arrives.
    for (const Input* in : std::initializer_list<const Input*>{&format1, &format0, &noOffs, &undoNotes}) {
        auto song = loadOurs(*in);
        size_t notes = 0;
        for (const auto& t : song->tracks)
            for (const anyEvent* e : t->events()) notes += e && e->kind() == kindNote;
        if (notes != in->notes) {
            std::fprintf(stderr, "loaded %zu notes, expected %zu\n", notes, in->notes);
            return 1;
        }
    }

    auto reg = [](const char* name, auto fn) { return benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime(); };
    reg("load/format1/ours", [&](benchmark::State& s) { benchLoadOurs(s, &format1); });
    reg("save/format1/ours", [&](benchmark::State& s) { benchSaveOurs(s, &format1); });
    reg("load/format0/ours", [&](benchmark::State& s) { benchLoadOurs(s, &format0); });
    reg("save/format0/ours", [&](benchmark::State& s) { benchSaveOurs(s, &format0); });
    reg("load/noteOnsOnly/ours", [&](benchmark::State& s) { benchLoadOurs(s, &noOffs); });
#ifdef TONVELA_HAVE_PORTSMF
    reg("load/format1/portSMF", [&](benchmark::State& s) { benchLoadPortSmf(s, &format1); });
    reg("save/format1/portSMF", [&](benchmark::State& s) { benchSavePortSmf(s, &format1); });
    reg("load/format0/portSMF", [&](benchmark::State& s) { benchLoadPortSmf(s, &format0); });
    reg("save/format0/portSMF", [&](benchmark::State& s) { benchSavePortSmf(s, &format0); });
    reg("load/noteOnsOnly/portSMF", [&](benchmark::State& s) { benchLoadPortSmf(s, &noOffs); });
#endif
    reg("undo/velocity1M/ours", [&](benchmark::State& s) { benchUndo(s, &undoNotes, false); });
    reg("undo/move1M/ours", [&](benchmark::State& s) { benchUndo(s, &undoNotes, true); });
    reg("redo/velocity1M/ours", [&](benchmark::State& s) { benchRedo(s, &undoNotes, false); });
    reg("redo/move1M/ours", [&](benchmark::State& s) { benchRedo(s, &undoNotes, true); });

    benchsupport::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto perEvent = [&](const std::string& name, size_t events) {
        return reporter.seconds(name) * 1e9 / static_cast<double>(events);
    };
    auto line = [](const char* what, double value, const char* unit, const char* target) {
        std::printf("  %-44s %10.2f %-10s %s\n", what, value, unit, target);
    };
    std::printf("\nsummary (medians; an event is one message of the file)\n");
    double load1 = perEvent("load/format1/ours", format1.events), save1 = perEvent("save/format1/ours", format1.events);
    double load0 = perEvent("load/format0/ours", format0.events), save0 = perEvent("save/format0/ours", format0.events);
    double noOff = perEvent("load/noteOnsOnly/ours", noOffs.events);
    line("load format 1", load1, "ns/event", "");
    line("save format 1", save1, "ns/event", "");
    line("load format 0", load0, "ns/event", "");
    line("save format 0", save0, "ns/event", "");
    line("load note ons only", noOff, "ns/event", "");
    line("resident memory after load (format 1)", ours.residentPerEvent, "B/event", "target <= 44");
    line("heap in use after load (format 1)", ours.heapPerEvent, "B/event", "");
    line("note ons only / format 1 load", noOff / load1, "x", "target <= 1.5");
    auto seconds = [&](const char* name) { return reporter.seconds(name); };
    line("undo of 1M velocity lines", seconds("undo/velocity1M/ours"), "s", "target <= 0.2");
    line("undo of 1M move lines", seconds("undo/move1M/ours"), "s", "target <= 0.2");
    line("redo of 1M velocity lines", seconds("redo/velocity1M/ours"), "s", "target <= 1");
    line("redo of 1M move lines", seconds("redo/move1M/ours"), "s", "target <= 1");
#ifdef TONVELA_HAVE_PORTSMF
    double pLoad1 = perEvent("load/format1/portSMF", format1.events), pSave1 = perEvent("save/format1/portSMF", format1.events);
    double pLoad0 = perEvent("load/format0/portSMF", format0.events), pSave0 = perEvent("save/format0/portSMF", format0.events);
    line("portSMF load format 1", pLoad1, "ns/event", "");
    line("portSMF save format 1", pSave1, "ns/event", "");
    line("portSMF load format 0", pLoad0, "ns/event", "");
    line("portSMF save format 0", pSave0, "ns/event", "");
    line("portSMF load note ons only", perEvent("load/noteOnsOnly/portSMF", noOffs.events), "ns/event", "");
    line("portSMF resident memory after load", theirs.residentPerEvent, "B/event", "");
    line("portSMF heap in use after load", theirs.heapPerEvent, "B/event", "");
    line("load format 1: ours / portSMF", load1 / pLoad1, "x", "target <= 0.3");
    line("save format 1: ours / portSMF", save1 / pSave1, "x", "target <= 0.5");
    line("load format 0: ours / portSMF", load0 / pLoad0, "x", "");
    line("save format 0: ours / portSMF", save0 / pSave0, "x", "target <= 0.5");
#else
    std::printf("  (portSMF not found at build time: no side-by-side figures)\n");
#endif
    return 0;
}
