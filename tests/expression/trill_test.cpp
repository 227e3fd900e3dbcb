// The trill editor's operation: step times with remainder and Fill, parity, keys, the pitch
// bend form, the range, the proposed keys, readiness and the undo step.

#include <gtest/gtest.h>

#include "base/errors.h"
#include "expression/trill.h"
#include "expression_fixture.h"

namespace tonvela {
namespace {

using test::Events;
using test::TrackWriter;
using Method = TrillSettings::Method;

class Trill : public testing::Test {
protected:
    // Track 1: the trilled note (key 60, velocity 90) at 1920 lasting `duration`.
    void load(int32_t duration, TrackWriter t = TrackWriter()) {
        t.note(1920, 0, 60, 90, duration);
        test::loadSong(song, {t});
        for (NoteOnEvent* n : test::notesOf(track()))
            if (n->time == 1920 && n->note() == 60) note = n;
    }
    midiTrack& track() { return *song.track(1); }
    Events build(const TrillSettings& s, int32_t range) {
        removed = buildTrill(track(), *note, s, range, work);
        return test::channelEvents(work);
    }
    midiSong song;
    midiTrack work{&song, 0, ""};
    NoteOnEvent* note = nullptr;
    std::vector<anyEvent*> removed;
};

TEST_F(Trill, TheRemainderIsWorkedOffAndFillStretchesTheStepsToTheRange) {
    load(480);
    TrillSettings s;
    s.UpperPitch = 62;
    s.TrillInterval = 50;
    // R = 480, I = 50: Q = 9, nine notes; the ninth starts 370 after the note before Fill.
    s.Fill = false;
    Events made = build(s, 480);
    ASSERT_EQ(made.size(), 9u);
    EXPECT_EQ(made.back(), "N 2290 1 60 90 53");
    s.Fill = true;
    EXPECT_EQ(build(s, 480), (Events{"N 1920 1 60 90 54", "N 1974 1 62 90 53", "N 2027 1 60 90 53",
                                     "N 2080 1 62 90 53", "N 2133 1 60 90 53", "N 2186 1 62 90 53",
                                     "N 2239 1 60 90 54", "N 2293 1 62 90 54", "N 2347 1 60 90 53"}))
        << "the last note (480 / 9 = 53) ends at the range";
}

TEST_F(Trill, TheStepCountFollowsTheEndingNote) {
    load(100);
    TrillSettings s;
    s.UpperPitch = 62;
    s.TrillInterval = 30;
    // R = 100, I = 30: three steps end on the given note.
    EXPECT_EQ(build(s, 100), (Events{"N 1920 1 60 90 34", "N 1954 1 62 90 33", "N 1987 1 60 90 33"}));
    // Without it the count must be even: 100 - 60 = 40 is not below 120 - 100 = 20, so four.
    s.EndwithGivenNote = false;
    EXPECT_EQ(build(s, 100),
              (Events{"N 1920 1 60 90 26", "N 1946 1 62 90 25", "N 1971 1 60 90 24", "N 1995 1 62 90 25"}));
    // Starting down flips which key comes first and which count is needed.
    s.StartDown = true;
    EXPECT_EQ(build(s, 100), (Events{"N 1920 1 62 90 34", "N 1954 1 60 90 33", "N 1987 1 62 90 33"}));
}

TEST_F(Trill, LongerFirstAndLastNotesAndTheTurn) {
    load(480);
    TrillSettings s;
    s.UpperPitch = 62;
    s.TrillInterval = 40;
    s.FirstLength = 3;
    s.LastLength = 2;
    s.TurnAtLast = true;
    s.TurnNote = 59;
    s.Fill = false;
    // Q = 12, count 9 (odd, given note); no remainder; the first step lasts 3 intervals.
    EXPECT_EQ(build(s, 480), (Events{"N 1920 1 60 90 120", "N 2040 1 62 90 40", "N 2080 1 60 90 40",
                                     "N 2120 1 62 90 40", "N 2160 1 60 90 40", "N 2200 1 62 90 40",
                                     "N 2240 1 60 90 40", "N 2280 1 59 90 40", "N 2320 1 60 90 80"}));
}

TEST_F(Trill, PitchBendTrillHoldsOneNote) {
    TrackWriter rpn;  // sensitivity 12 semitones: 8192 / 12 = 682 per semitone
    rpn.control(0, 0, 101, 0).control(0, 0, 100, 0).control(0, 0, 6, 12);
    // The sensitivity is read from events that have three more after them.
    rpn.control(5000, 0, 7, 100).control(5000, 0, 7, 100).control(5000, 0, 7, 100);
    load(100, rpn);
    TrillSettings s;
    s.TrillMethod = Method::pitchBend;
    s.UpperPitch = 62;
    s.TrillInterval = 30;
    EXPECT_EQ(build(s, 100), (Events{"N 1920 1 60 90 100", "B 1954 1 1364", "B 1987 1 0"}));
    s.EndwithGivenNote = false;
    // The upper key is held; the trill starts bent down to the given note, set a tick early,
    // and ends on the upper key (an even count).
    EXPECT_EQ(build(s, 100),
              (Events{"B 1919 1 -1364", "N 1920 1 62 90 100", "B 1946 1 0", "B 1971 1 -1364", "B 1995 1 0"}));
    s.StartDown = true;
    EXPECT_EQ(build(s, 100), (Events{"N 1920 1 62 90 100", "B 1954 1 -1364", "B 1987 1 0"}));
    s.StartDown = false;
    s.EndwithGivenNote = true;
    s.TurnAtLast = true;
    s.TurnNote = 59;
    s.TrillInterval = 20;
    // Five steps; the second-to-last bend goes to the turn key.
    EXPECT_EQ(build(s, 100), (Events{"N 1920 1 60 90 100", "B 1940 1 1364", "B 1960 1 0", "B 1980 1 -682",
                                     "B 2000 1 0"}));
}

TEST_F(Trill, ApplyReplacesTheNoteAndTheBendsOverTheTrill) {
    TrackWriter t;
    t.bend(1900, 0, 8192 + 100).bend(1953, 3, 8192 + 500).bend(1987, 0, 8192 + 300).bend(1988, 0, 8192);
    load(100, t);
    TrillSettings s;
    s.TrillMethod = Method::pitchBend;
    s.UpperPitch = 61;
    s.TrillInterval = 30;
    test::expectUndoRedo(song, 1, kTrillLabel, [&] { EXPECT_TRUE(applyTrill(song, 1, *note, s, 100, work)); });
    track().redo();
    EXPECT_EQ(test::channelEvents(track()),
              (Events{"B 1900 1 100", "N 1920 1 60 90 100", "B 1954 1 4096", "B 1987 1 0", "B 1988 1 0"}))
        << "bends from the first to the last event of the trill go, on every channel";
}

TEST_F(Trill, TooFewStepsBuildNothingAndApplyMakesNoStep) {
    load(100);
    TrillSettings s;
    s.UpperPitch = 62;
    s.TrillInterval = 40;  // Q = 2: count 2
    test::expectNothingChanged(song, 1, [&] { EXPECT_FALSE(applyTrill(song, 1, *note, s, 100, work)); });
    EXPECT_EQ(work.countEvents(), 0);
    s.TrillInterval = 0;
    EXPECT_TRUE(build(s, 100).empty());
    EXPECT_TRUE(removed.empty());
}

TEST_F(Trill, ReadinessNeedsEnoughIntervalsAndABendRangeThatReaches) {
    load(100);
    TrillSettings s;
    s.UpperPitch = 62;
    s.TrillInterval = 30;
    EXPECT_TRUE(trillReady(track(), *note, s, 100));
    s.TrillInterval = 34;  // 100 / 34 = 2 < 3
    EXPECT_FALSE(trillReady(track(), *note, s, 100));
    s.TrillInterval = 0;
    EXPECT_FALSE(trillReady(track(), *note, s, 100));
    s.TrillInterval = 30;
    s.TrillMethod = Method::pitchBend;
    EXPECT_TRUE(trillReady(track(), *note, s, 100)) << "2 semitones, the default sensitivity";
    s.UpperPitch = 63;
    EXPECT_FALSE(trillReady(track(), *note, s, 100));
    s.UpperPitch = 62;
    s.TurnAtLast = true;
    s.TurnNote = 59;  // 59..62 spans 3
    EXPECT_FALSE(trillReady(track(), *note, s, 100));
    EXPECT_THROW(build(s, 100), MidiError);
    EXPECT_EQ(work.countEvents(), 0);
}

TEST_F(Trill, KeysAndLengthsOutOfRangeAreRefused) {
    load(100);
    for (auto set : std::initializer_list<void (*)(TrillSettings&)>{
             [](TrillSettings& s) { s.UpperPitch = 128; }, [](TrillSettings& s) { s.UpperPitch = 0; },
             [](TrillSettings& s) { s.TurnAtLast = true, s.TurnNote = 200; },
             [](TrillSettings& s) { s.FirstLength = 0; }, [](TrillSettings& s) { s.LastLength = 10; }}) {
        TrillSettings s;
        s.TrillInterval = 30;
        set(s);
        test::expectNothingChanged(song, 1, [&] { EXPECT_THROW(applyTrill(song, 1, *note, s, 100, work), MidiError); });
    }
}

TEST_F(Trill, TheRangeReachesToTheNextLaterNote) {
    TrackWriter t;
    t.note(1920, 1, 64, 90, 50)    // a chord note at the same time does not count
        .note(2300, 2, 70, 90, 10);  // any key, any channel
    load(200, t);
    EXPECT_EQ(trillRange(track(), *note, TrillSettings::Quantize::toNextNote), 380);
    EXPECT_EQ(trillRange(track(), *note, TrillSettings::Quantize::dontAdjust), 200);
    NoteOnEvent* last = test::notesOf(track()).back();
    EXPECT_EQ(trillRange(track(), *last, TrillSettings::Quantize::toNextNote), 10) << "no later note: its duration";
}

TEST_F(Trill, TheProposedKeysAreTheScaleStepsAround) {
    struct Case {
        int sharps, key, channel, upper, turn;
    } cases[] = {
        {0, 60, 0, 62, 59},   // C major
        {0, 64, 0, 65, 62},
        {2, 66, 0, 67, 64},   // D major: F# -> G, E
        {-1, 69, 0, 70, 67},  // F major: A -> Bb, G
        {0, 38, 9, 38, 36},   // channel 10: the same key, a roll
    };
    for (const Case& c : cases) {
        TrackWriter conductor;
        conductor.at(0, {0xFF, 0x59, 0x02, static_cast<uint8_t>(c.sharps), 0x00});
        TrackWriter t;
        t.note(100, c.channel, c.key, 90, 100);
        song.clearSong();
        test::loadSong(song, {t}, 8, conductor);
        const TrillKeys k = trillKeysFor(song, *test::notesOf(track()).front());
        EXPECT_EQ(k.upper, c.upper) << c.key;
        EXPECT_EQ(k.turn, c.turn) << c.key;
    }
}

TEST_F(Trill, TheDefaultIntervalIsTheTimeInTicks) {
    load(100);
    EXPECT_EQ(trillIntervalDefault(song, 85, 0), 81);  // 85 ms at 120 bpm and 480 ticks: 81.6
    EXPECT_EQ(trillIntervalDefault(song, 125, 0), 120);
}

}  // namespace
}  // namespace tonvela
