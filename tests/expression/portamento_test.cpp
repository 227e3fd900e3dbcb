// The portamento editor's operation: the phrase, the list markers, Constant and Glide events,
// the replaced events, the refused settings and the undo step.

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "expression/expression_edit.h"
#include "expression/portamento.h"
#include "expression_fixture.h"

namespace tonvela {
namespace {

using test::Events;
using test::TrackWriter;
using Mode = PortamentoSettings::Mode;

TEST(Phrase, IsTheRunOfSelectedRowsFromTheFirst) {
    struct Case {
        std::vector<int> selected, phrase;
    } cases[] = {
        {{0, 1, 4}, {0, 1}},  // lines 1, 2 and 5 use lines 1 and 2
        {{0, 2}, {0}},
        {{3, 1, 2}, {1, 2, 3}},
        {{5}, {5}},
        {{}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(phraseRows(c.selected), c.phrase);
}

class Portamento : public testing::Test {
protected:
    void load(TrackWriter t) { test::loadSong(song, {t}); }
    midiTrack& track() { return *song.track(1); }
    Events build(const PortamentoSettings& s, std::vector<NoteOnEvent*> phrase) {
        removed = buildPortamento(song, track(), phrase, s, 0, work);
        return test::channelEvents(work);
    }
    midiSong song;
    midiTrack work{&song, 0, ""};
    std::vector<anyEvent*> removed;
};

TEST_F(Portamento, ConstantSetsTheTimeAQuarterIntoTheFirstNoteAndTheSwitchAroundThePhrase) {
    TrackWriter t;
    t.note(100, 0, 60, 90, 7).note(200, 0, 62, 90, 100).note(300, 0, 64, 90, 100);
    load(t);
    const auto notes = test::notesOf(track());
    EXPECT_EQ(build(PortamentoSettings{}, {notes[0], notes[1]}),
              (Events{"C 101 1 5 64",      // 7 / 4 = 1 tick after the first note
                      "C 103 1 65 127",    // 3 ticks after it
                      "C 250 1 65 0"}));   // the middle of the last note
}

TEST_F(Portamento, ConstantLeavesOutATimeEqualToTheOneInForce) {
    TrackWriter t;
    t.control(50, 0, 5, 64).control(100, 0, 5, 20).note(100, 0, 60, 90, 100).note(200, 0, 62, 90, 100);
    load(t);
    const auto notes = test::notesOf(track());
    // The 20 at the first note's own time is replaced, so 64 is what stays in force.
    EXPECT_EQ(build(PortamentoSettings{}, {notes[0], notes[1]}), (Events{"C 150 1 65 127", "C 250 1 65 0"}));
    PortamentoSettings other;
    other.ControlValue = 30;
    EXPECT_EQ(build(other, {notes[0], notes[1]}).front(), "C 125 1 5 30");
}

TEST_F(Portamento, ApplyReplacesThePortamentoEventsOfThePhraseOnEveryChannel) {
    TrackWriter t;
    t.control(99, 0, 65, 127)             // before the phrase: kept
        .note(100, 0, 60, 90, 100)
        .control(100, 2, 5, 10)            // at the first note, another channel: replaced
        .control(150, 0, 7, 100)           // volume: kept
        .note(200, 0, 62, 90, 100)
        .control(300, 3, 65, 0)            // the last note's end, both ends included: replaced
        .control(301, 0, 5, 40);           // after: kept
    load(t);
    const auto notes = test::notesOf(track());
    test::expectUndoRedo(song, 1, kPortamentoLabel, [&] {
        applyPortamento(song, 1, std::vector<NoteOnEvent*>{notes[0], notes[1]}, PortamentoSettings{}, 0, work);
    });
    track().redo();
    EXPECT_EQ(test::channelEvents(track()),
              (Events{"C 99 1 65 127", "N 100 1 60 90 100", "C 125 1 5 64", "C 150 1 7 100", "C 150 1 65 127",
                      "N 200 1 62 90 100", "C 250 1 65 0", "C 301 1 5 40"}));
}

PortamentoSettings glideSettings() {
    PortamentoSettings s;
    s.mode = Mode::glide;
    return s;
}

TEST_F(Portamento, GlideRunsOverEveryNoteAfterTheFirst) {
    TrackWriter t;
    t.note(0, 0, 60, 90, 100).note(480, 1, 62, 90, 100).note(960, 1, 64, 90, 10);
    load(t);
    const auto notes = test::notesOf(track());
    // In the order they are made: the switch, then per note its start, end and the values
    // between; a value equal to the one kept before it is dropped.
    EXPECT_EQ(build(glideSettings(), notes),
              (Events{"C 50 1 65 127", "C 969 1 65 0",
                      // g = 50: 32 + (1 - 32) * (x - t) / 50 every 10 ticks
                      "C 475 2 5 32", "C 530 2 5 1", "C 490 2 5 26", "C 500 2 5 20", "C 510 2 5 14", "C 520 2 5 8",
                      // g = 5: no value between start and end
                      "C 955 2 5 32", "C 965 2 5 1"}));
}

TEST_F(Portamento, GlideEdgeCases) {
    struct Case {
        const char* what;
        int start, end, duration, interval, offset;
        Events glide;  // the events made for the second note (at 480)
    } cases[] = {
        {"g = 0: start and end only", 32, 1, 1, 10, 5, {"C 475 1 5 32", "C 480 1 5 1"}},
        {"a start offset past the song's start stands at tick 0", 32, 1, 1, 10, 600, {"C 0 1 5 32", "C 480 1 5 1"}},
        {"truncated repeats are made once", 32, 30, 100, 1, 5,
         {"C 475 1 5 32", "C 530 1 5 30", "C 481 1 5 32", "C 505 1 5 31"}},
        {"equal start and end give one value", 20, 20, 100, 10, 5, {"C 475 1 5 20"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrackWriter t;
        t.note(0, 0, 60, 90, 100).note(480, 0, 62, 90, c.duration).note(3000, 0, 64, 90, 1);
        song.clearSong();
        load(t);
        PortamentoSettings s = glideSettings();
        s.StartValue = c.start;
        s.EndValue = c.end;
        s.Distance = c.interval;
        s.StartOffset = c.offset;
        Events made;
        for (const std::string& e : build(s, test::notesOf(track())))
            if (e.find(" 1 5 ") != std::string::npos && std::stoi(e.substr(2)) < 1500) made.push_back(e);
        EXPECT_EQ(made, c.glide);
    }
}

// The values of a glide as the step-by-step loop makes them, kept when they differ from the
// value kept before.
Events naiveGlide(const PortamentoSettings& s, int t, int d, int step, int& last) {
    Events out;
    auto add = [&](int64_t time, int value) {
        if (value == last) return;
        out.push_back(std::to_string(std::max<int64_t>(time, 0)) + ":" + std::to_string(value));
        last = value;
    };
    const int64_t g = int64_t{s.portaDuration} * d / 100;
    add(t - s.StartOffset, s.StartValue);
    add(t + g, s.EndValue);
    for (int64_t x = t + step; x < t + g; x += step)
        add(x, static_cast<int>(s.StartValue + (s.EndValue - s.StartValue) * (x - t) / g));
    return out;
}

TEST_F(Portamento, GlideMatchesTheStepByStepLoopOnRandomSettings) {
    std::mt19937 rng(19);
    for (int round = 0; round < 200; ++round) {
        PortamentoSettings s = glideSettings();
        s.StartValue = std::uniform_int_distribution<int>(1, 127)(rng);
        s.EndValue = std::uniform_int_distribution<int>(1, 127)(rng);
        s.Distance = std::uniform_int_distribution<int>(1, 40)(rng);
        s.portaDuration = std::uniform_int_distribution<int>(0, 400)(rng);
        s.StartOffset = std::uniform_int_distribution<int>(-20, 20)(rng);
        const int d1 = std::uniform_int_distribution<int>(1, 2000)(rng);
        const int d2 = std::uniform_int_distribution<int>(1, 2000)(rng);
        TrackWriter t;
        t.note(0, 0, 60, 90, 10).note(1000, 0, 62, 90, d1).note(4000, 0, 64, 90, d2);
        song.clearSong();
        load(t);
        Events made;
        for (const std::string& e : build(s, test::notesOf(track()))) {
            const size_t sp1 = e.find(' ', 2), sp3 = e.rfind(' ');
            if (e.find(" 5 ", sp1) == sp1 + 2) made.push_back(e.substr(2, sp1 - 2) + ":" + e.substr(sp3 + 1));
        }
        int last = -1;
        Events expected = naiveGlide(s, 1000, d1, static_cast<int>(s.Distance), last);
        const Events second = naiveGlide(s, 4000, d2, static_cast<int>(s.Distance), last);
        expected.insert(expected.end(), second.begin(), second.end());
        ASSERT_EQ(made, expected) << "round " << round;
    }
}

TEST_F(Portamento, ALongGlideAtTheFinestIntervalIsQuick) {
    TrackWriter t;
    t.note(0, 0, 60, 90, 10).note(1000, 0, 62, 90, 1000000).note(2000000, 0, 64, 90, 1000000);
    load(t);
    PortamentoSettings s = glideSettings();
    s.Distance = 1;
    s.portaDuration = 100000;  // a glide of 10^9 ticks, one value per tick
    s.StartValue = 127;
    const Events made = build(s, test::notesOf(track()));
    EXPECT_LE(made.size(), 2u + 2 * 128) << "one event per value at most";
    test::expectValidMidi(work);
}

TEST_F(Portamento, SettingsThatCannotBuildAreRefusedBeforeAnythingChanges) {
    struct Case {
        const char* what;
        Mode mode;
        int phrase;
        std::function<void(PortamentoSettings&)> set;
        std::string message;
    } cases[] = {
        {"an interval under a tick", Mode::glide, 3, [](PortamentoSettings& s) { s.Distance = 0.4; },
         "Interval must be at least 1 tick."},
        {"a negative interval", Mode::glide, 3, [](PortamentoSettings& s) { s.Distance = -10; },
         "Interval must be at least 1 tick."},
        {"an interval under a tick in ms", Mode::glide, 3,
         [](PortamentoSettings& s) { s.Distance = 1, s.DistanceUnit = 1; }, "Interval must be at least 1 tick."},
        {"a value above 127", Mode::constant, 2, [](PortamentoSettings& s) { s.ControlValue = 128; },
         "Portament value must be from 0 to 127."},
        {"a negative value", Mode::constant, 2, [](PortamentoSettings& s) { s.ControlValue = -1; },
         "Portament value must be from 0 to 127."},
        {"a glide value out of range", Mode::glide, 3, [](PortamentoSettings& s) { s.EndValue = 200; },
         "Portament value must be from 0 to 127."},
        {"one note", Mode::constant, 1, [](PortamentoSettings&) {}, "Select at least two notes in a row."},
        {"two notes for a glide", Mode::glide, 2, [](PortamentoSettings&) {},
         "Select at least three notes in a row for Glide."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrackWriter t;
        t.control(0, 0, 65, 0).note(0, 0, 60, 90, 100).note(480, 0, 62, 90, 100).note(960, 0, 64, 90, 100);
        song.clearSong();
        load(t);
        PortamentoSettings s;
        s.mode = c.mode;
        c.set(s);
        auto notes = test::notesOf(track());
        notes.resize(static_cast<size_t>(c.phrase));
        test::expectNothingChanged(song, 1, [&] {
            try {
                applyPortamento(song, 1, notes, s, 0, work);
                ADD_FAILURE() << "not refused";
            } catch (const MidiError& e) {
                EXPECT_EQ(e.message(), c.message);
            }
        });
        EXPECT_EQ(work.countEvents(), 0);
    }
}

TEST_F(Portamento, GlideApplyIsOneUndoStep) {
    TrackWriter t;
    t.note(0, 0, 60, 90, 100).control(470, 0, 5, 99).note(480, 0, 62, 90, 100).note(960, 0, 64, 90, 100);
    load(t);
    const auto notes = test::notesOf(track());
    test::expectUndoRedo(song, 1, kPortamentoLabel,
                         [&] { applyPortamento(song, 1, notes, glideSettings(), 0, work); });
}

TEST_F(Portamento, TheListMarksNotesWhileTheSwitchIsOn) {
    TrackWriter t;
    t.control(0, 0, 65, 127)              // on before the range
        .control(1900, 0, 5, 0)           // the time controller does not turn it off
        .note(1920, 0, 60, 90, 100)
        .control(2000, 0, 65, 63)         // 63 is off
        .note(2100, 0, 62, 80, 100)
        .control(2200, 0, 65, 64)
        .note(2300, 0, 64, 70, 100)
        .note(3840, 0, 65, 70, 100);      // after the range
    load(t);
    std::vector<std::string> lines;
    for (const PortamentoNote& n : portamentoNotes(track(), TickRange{1920, 3839})) lines.push_back(portamentoLine(n));
    EXPECT_EQ(lines, (std::vector<std::string>{"+002:01:000  C 4 090 0100", " 002:01:180  D 4 080 0100",
                                               "+002:01:380  E 4 070 0100"}));
    TrackWriter timeOnly;
    timeOnly.control(0, 0, 5, 100).note(1920, 0, 60, 90, 100);
    song.clearSong();
    load(timeOnly);
    EXPECT_FALSE(portamentoNotes(track(), TickRange{1920, 3839}).front().switchOn)
        << "a high portamento time is not the switch";
}

}  // namespace
}  // namespace tonvela
