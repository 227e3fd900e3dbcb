#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "tempo/tempo_edit.h"
#include "tempo_fixture.h"

using namespace tonvela;
using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

// Eight bars; 120 bpm, 500001 (119.99 bpm, shown as 119) from bar 2, 600000 (100 bpm) from the
// middle of bar 3.
Bytes mixedSong() { return tempoSong(8, {{0, 500000}, {1920, 500001}, {4800, 600000}}); }
// Eight bars at 120 bpm.
Bytes plainSong() { return tempoSong(8, {{0, 500000}}); }

TickRange bars(const midiSong& song, int first, int last) {
    return Selection{1, 1, first - 1, last - 1}.ticks(song);
}

std::vector<std::string> timesOf(const WrittenTempos& written) {
    std::vector<std::string> out;
    for (const TempoEvent* e : written) out.push_back(std::to_string(e->time) + ":" + std::to_string(e->getTempo()));
    return out;
}

struct Case {
    const char* name;
    Bytes (*song)();
    std::function<void(midiSong&)> act;
    std::vector<std::string> after;  // tempo changes of track 0
    const char* label;
};

}  // namespace

// Every tool writes the exact tempos at the exact ticks, as one undo step of track 0 with its
// label, leaves track 0 in time order, and undo and redo move between the two songs exactly.
TEST(TempoEdit, EachToolIsOneStepOfTrack0WithExactTemposAndPositions) {
    const Case cases[] = {
        {"up/down by 10 goes through whole bpm", mixedSong,
         [](midiSong& s) { upDownTempo(s, bars(s, 2, 3), {false, 10}); },
         // 500001 shows as 119 bpm: 129 -> 465116; 600000 is 100: 110 -> 545454.
         {"0:500000", "1920:465116", "4800:545454"}, kUpDownTempoLabel},
        {"up/down percent 100 rewrites through whole bpm", mixedSong,
         [](midiSong& s) { upDownTempo(s, bars(s, 1, 8), {true, 100}); },
         {"0:500000", "1920:504201", "4800:600000"}, kUpDownTempoLabel},
        {"up/down percent with decimals", mixedSong,
         [](midiSong& s) { upDownTempo(s, bars(s, 1, 1), {true, 112.5}); },
         {"0:444444", "1920:500001", "4800:600000"}, kUpDownTempoLabel},
        {"up/down clamps at 300 bpm", mixedSong, [](midiSong& s) { upDownTempo(s, bars(s, 1, 1), {false, 500}); },
         {"0:200000", "1920:500001", "4800:600000"}, kUpDownTempoLabel},
        {"up/down clamps at 20 bpm", mixedSong, [](midiSong& s) { upDownTempo(s, bars(s, 3, 3), {false, -500}); },
         {"0:500000", "1920:500001", "4800:3000000"}, kUpDownTempoLabel},
        {"ritardando with a tempo", plainSong,
         [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, false, -20, 2, true}); },
         // T1 = 600000: 550000 at r, 600000 halfway, back to 500000 at e = 3839.
         {"0:500000", "0:550000", "1919:600000", "3839:500000"}, kRitAccelLabel},
        {"ritardando by percent", plainSong,
         [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, true, 80, 4, false}); },
         {"0:500000", "0:531250", "959:562500", "1919:593750", "2879:625000"}, kRitAccelLabel},
        {"accelerando from the middle of the range", plainSong,
         [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {50, 100, false, 30, 3, false}); },
         // r = 3839 * 50 / 100 = 1919, e = 3839; T1 = 400000, steps of -33333.
         {"0:500000", "1919:466667", "2559:433334", "3199:400000"}, kRitAccelLabel},
        {"ramp starts from the tempo in force at its start", mixedSong,
         [](midiSong& s) { ritAccel(s, bars(s, 1, 4), {50, 100, false, -20, 2, false}); },
         // r = 3839, T0 = 500001 (119 bpm), T1 = 60000000 / 99 = 606060.
         {"0:500000", "1920:500001", "3839:553030", "4800:600000", "5759:606060"}, kRitAccelLabel},
        {"add", mixedSong, [](midiSong& s) { addTempo(s, 1000, 400000); },
         {"0:500000", "1000:400000", "1920:500001", "4800:600000"}, kAddTempoLabel},
        {"add at the time of another goes after it", mixedSong, [](midiSong& s) { addTempo(s, 1920, 400000); },
         {"0:500000", "1920:500001", "1920:400000", "4800:600000"}, kAddTempoLabel},
        {"add the current tempo", mixedSong, [](midiSong& s) { addCurrentTempo(s, 3000); },
         {"0:500000", "1920:500001", "3000:500001", "4800:600000"}, kAddCurrentTempoLabel},
        {"delete", mixedSong, [](midiSong& s) { EXPECT_TRUE(deleteTempo(s, nthTempo(s, 1))); },
         {"0:500000", "4800:600000"}, kDeleteTempoLabel},
        {"modify the value", mixedSong, [](midiSong& s) { EXPECT_TRUE(setTempoValue(s, nthTempo(s, 2), 450000)); },
         {"0:500000", "1920:500001", "4800:450000"}, kModifyTempoLabel},
        {"move past another change keeps time order", mixedSong,
         [](midiSong& s) { EXPECT_TRUE(moveTempo(s, nthTempo(s, 1), 6000)); },
         {"0:500000", "4800:600000", "6000:500001"}, kModifyTempoLabel},
        {"move before the start clamps to 0", mixedSong,
         [](midiSong& s) { EXPECT_TRUE(moveTempo(s, nthTempo(s, 2), -50)); },
         {"0:500000", "0:600000", "1920:500001"}, kModifyTempoLabel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, c.song());
        const std::string before = orderedDump(song);
        c.act(song);
        midiTrack& t = *song.track(0);
        EXPECT_EQ(temposOf(song), c.after);
        EXPECT_TRUE(t.isSorted());
        EXPECT_EQ(steps(t), 1);
        EXPECT_EQ(t.undoLabel(), c.label);
        EXPECT_TRUE(song.track(1)->journal.empty());
        const std::string after = dumpSong(song);
        t.undo();
        EXPECT_TRUE(t.journal.empty());
        EXPECT_EQ(orderedDump(song), before);
        t.redo();
        EXPECT_EQ(orderedDump(song), after);
    }
}

// Copy takes the changes inside the range with their ratio to the tempo in force before it.
TEST(TempoEdit, CopyRecordsOffsetsValuesAndRatiosToTheTempoBefore) {
    midiSong song;
    load(song, mixedSong());
    // Bars 2-3: the reference is the 500000 of bar 1.
    EXPECT_EQ(copyTempoPattern(song, bars(song, 2, 3)),
              (TempoPattern{{0, 500001, 500001 / 500000.0}, {2880, 600000, 1.2}}));
    // Bar 1 has nothing before it: the reference is 500000.
    EXPECT_EQ(copyTempoPattern(song, bars(song, 1, 1)), (TempoPattern{{0, 500000, 1.0}}));
    // Bar 4 holds no change.
    EXPECT_TRUE(copyTempoPattern(song, bars(song, 4, 4)).empty());
    EXPECT_TRUE(song.track(0)->journal.empty());
}

TEST(TempoEdit, PasteRepeatsThePatternBarAlignedScaledToTheTempoThere) {
    struct PasteCase {
        const char* name;
        std::initializer_list<std::pair<uint32_t, int32_t>> tempos;
        int copyFirst, copyLast, pasteFirst, pasteLast;
        std::vector<std::string> written;
    } cases[] = {
        // A one-bar pattern (120, then 150 bpm at beat 3) over four bars: once per bar, scaled to
        // the 150 bpm in force at bar 5.
        {"one bar over four", {{0, 500000}, {960, 400000}}, 1, 1, 5, 8,
         {"7680:400000", "8640:320000", "9600:400000", "10560:320000", "11520:400000", "12480:320000",
          "13440:400000", "14400:320000"}},
        // A pattern whose last change lies in its second bar starts again after that bar; the
        // repetition that starts inside the range is written whole, past the range's end.
        {"two bars over three", {{0, 500000}, {2400, 250000}}, 1, 2, 5, 7,
         {"7680:250000", "10080:125000", "11520:250000", "13920:125000"}},
    };
    for (const PasteCase& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, tempoSong(10, c.tempos));
        const TempoPattern pattern = copyTempoPattern(song, bars(song, c.copyFirst, c.copyLast));
        const std::string before = orderedDump(song);
        const WrittenTempos written = pasteTempoPattern(song, bars(song, c.pasteFirst, c.pasteLast), pattern);
        EXPECT_EQ(timesOf(written), c.written);
        midiTrack& t = *song.track(0);
        EXPECT_TRUE(t.isSorted());
        EXPECT_EQ(steps(t), 1);
        EXPECT_EQ(t.undoLabel(), kPasteTempoLabel);
        t.undo();
        EXPECT_EQ(orderedDump(song), before);
    }
}

// Results a tempo event cannot hold are refused before anything is written: the song, the
// journal and what redo can redo stay as they were.
TEST(TempoEdit, ResultsOutsideWhatATempoHoldsAreRefusedBeforeAnythingIsWritten) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Refusal {
        const char* name;
        std::function<void(midiSong&)> act;
    } cases[] = {
        // 120 bpm - 120 = 0 bpm: the target would divide by zero.
        {"ramp to 0 bpm", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, false, -120, 2, false}); }},
        {"ramp below 0 bpm", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, false, -200, 2, false}); }},
        // 3 bpm = 20000000 microseconds, more than three bytes hold.
        {"ramp to 3 bpm", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, false, -117, 2, false}); }},
        // 1 % of 120 bpm: 500000 * 100 / 1 = 50000000.
        {"ramp to 1 percent", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, true, 1, 2, false}); }},
        {"ramp to 0 percent", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, true, 0, 2, false}); }},
        {"ramp to a negative percent", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, true, -50, 2, false}); }},
        {"ramp of no steps", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, false, -20, 0, false}); }},
        {"ramp of too many steps",
         [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 100, false, -20, kMaxRampSteps + 1, false}); }},
        {"ramp ending before it starts", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {60, 60, false, -20, 2, false}); }},
        {"ramp beyond the range", [](midiSong& s) { ritAccel(s, bars(s, 1, 2), {0, 101, false, -20, 2, false}); }},
        {"up/down by no number", [nan](midiSong& s) { upDownTempo(s, bars(s, 1, 8), {true, nan}); }},
        {"add 0 microseconds", [](midiSong& s) { addTempo(s, 0, 0); }},
        {"add more than three bytes", [](midiSong& s) { addTempo(s, 0, 16777216); }},
        {"modify to 0", [](midiSong& s) { setTempoValue(s, nthTempo(s, 0), 0); }},
        {"paste a pattern that leaves the range",
         [](midiSong& s) { pasteTempoPattern(s, bars(s, 1, 8), {{0, 500000, 1.0}, {10, 5000000, 40.0}}); }},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, plainSong());
        // A step to undo, and one to redo, which a written step would drop.
        addTempo(song, 200, 300000);
        addTempo(song, 100, 400000);
        song.track(0)->undo();
        const std::string before = dumpSong(song);
        const auto journal = song.track(0)->journal;
        EXPECT_THROW(c.act(song), MidiError);
        EXPECT_EQ(dumpSong(song), before);
        EXPECT_EQ(song.track(0)->journal, journal);
        EXPECT_TRUE(song.track(0)->canRedo());
    }
    // The message says what was wrong.
    midiSong song;
    load(song, plainSong());
    try {
        ritAccel(song, bars(song, 1, 2), {0, 100, true, 1, 2, false});
        ADD_FAILURE() << "not refused";
    } catch (const MidiError& e) {
        EXPECT_NE(std::string(e.what()).find("50000000"), std::string::npos) << e.what();
    }
}

// A change that gives the tempo an event already has leaves the event alone; when nothing
// changes there is no undo step, and what redo can redo survives.
TEST(TempoEdit, ChangesThatComputeTheSameTempoLeaveTheEventsUntouched) {
    midiSong song;
    // 120 and 300 bpm: whole bpm, so percent 100 gives them back; +10 on 300 is clamped to 300.
    load(song, tempoSong(4, {{0, 500000}, {1920, 200000}}));
    addTempo(song, 5000, 400000);
    song.track(0)->undo();
    const std::string before = dumpSong(song);
    EXPECT_TRUE(upDownTempo(song, bars(song, 1, 4), {true, 100}).empty());
    EXPECT_TRUE(upDownTempo(song, bars(song, 2, 2), {false, 10}).empty());
    EXPECT_TRUE(upDownTempo(song, bars(song, 1, 4), {false, 0}).empty());
    EXPECT_FALSE(setTempoValue(song, nthTempo(song, 1), 200000));
    EXPECT_FALSE(moveTempo(song, nthTempo(song, 1), 1920));
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_TRUE(song.track(0)->journal.empty());
    EXPECT_TRUE(song.track(0)->canRedo());

    // Only the changes that differ are written.
    const WrittenTempos written = upDownTempo(song, bars(song, 1, 4), {false, 10});
    EXPECT_EQ(timesOf(written), std::vector<std::string>{"0:461538"});
    EXPECT_EQ(song.track(0)->journal.size(), 2u);  // the step and one tempo line
}

// Pointers that track 0 does not hold are never used.
TEST(TempoEdit, StaleOrForeignEventsAreIgnored) {
    midiSong song;
    load(song, mixedSong());
    const std::string before = dumpSong(song);
    TempoEvent loose(0, 0x51, 400000);
    EXPECT_FALSE(deleteTempo(song, &loose));
    EXPECT_FALSE(setTempoValue(song, &loose, 300000));
    EXPECT_FALSE(moveTempo(song, &loose, 10));
    EXPECT_FALSE(deleteTempo(song, nullptr));
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_TRUE(song.track(0)->journal.empty());

    midiSong empty;
    EXPECT_THROW(addTempo(empty, 0, 500000), MidiError);
}

// An undo of a move leaves track 0 out of order; the next edit still inserts in time order.
TEST(TempoEdit, AnEditAfterAnUndoneMoveKeepsTimeOrder) {
    midiSong song;
    load(song, mixedSong());
    moveTempo(song, nthTempo(song, 0), 7000);
    song.track(0)->undo();
    addTempo(song, 3000, 400000);
    EXPECT_TRUE(song.track(0)->isSorted());
    EXPECT_EQ(temposOf(song), (std::vector<std::string>{"0:500000", "1920:500001", "3000:400000", "4800:600000"}));
}

TEST(TempoEdit, TypedBpmBecomesTheNearestMicroseconds) {
    struct Typed {
        const char* text;
        int32_t micros;  // 0: refused
    } cases[] = {
        {"120", 500000},   {"97.35", 616333}, {"119,99", 500042}, {" 60.5 ", 991736},
        {"3.58", 16759777}, {"3.57", 0},       {"0", 0},           {"0.00", 0},
        {"1.234", 0},      {"-5", 0},         {"abc", 0},         {"", 0},
        {"1.2.3", 0},      {"600000000", 0},
    };
    for (const Typed& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const std::optional<int32_t> got = bpmTextToMicros(c.text, &error);
        if (c.micros) {
            EXPECT_EQ(got, c.micros);
        } else {
            EXPECT_FALSE(got);
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_EQ(formatBpm(500001), "120.00");
    EXPECT_EQ(formatBpm(616333), "97.35");
    EXPECT_EQ(formatBpm(16777215), "3.58");
}

// Every corpus song: a ramp and a percentage over the whole song keep track 0 in order, and
// undoing them gives the song back.
TEST(TempoEdit, CorpusSongsUndoToTheSameSong) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(TONVELA_CORPUS_DIR, ec)) {
        const auto ext = e.path().extension().string();
        if (ext == ".mid" || ext == ".midi" || ext == ".kar") files.push_back(e.path());
    }
    if (files.empty()) GTEST_SKIP() << "no corpus at " << TONVELA_CORPUS_DIR;
    int runs = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        midiSong song;
        try {
            song.load(path.string());
        } catch (const MidiError&) {
            continue;  // broken on purpose
        }
        if (song.trackCount() == 0) continue;
        const TickRange all = Selection::wholeSong(song).ticks(song);
        const std::string before = orderedDump(song);
        midiTrack& t = *song.track(0);
        try {
            ritAccel(song, all, {10, 90, false, -30, 16, true});
        } catch (const MidiError&) {
            // A song that starts below 31 bpm cannot be slowed by 30.
        }
        EXPECT_TRUE(t.isSorted());
        upDownTempo(song, all, {true, 90});
        EXPECT_TRUE(t.isSorted());
        try {
            pasteTempoPattern(song, all, copyTempoPattern(song, Selection{1, 1, 0, 0}.ticks(song)));
        } catch (const MidiError&) {
            // A pattern that would scale beyond what a tempo holds.
        }
        EXPECT_TRUE(t.isSorted());
        while (t.undoCount() > 0) t.undo();
        EXPECT_EQ(orderedDump(song), before);
        ++runs;
    }
    EXPECT_GT(runs, 0);
}
