// The slur bender's operations: the held note and its bends, the glides with and without the
// delay, Bend->Note's split with its tolerance, readiness, refusals and the undo steps.

#include <gtest/gtest.h>

#include "base/errors.h"
#include "expression/slur.h"
#include "expression_fixture.h"

namespace tonvela {
namespace {

using test::Events;
using test::TrackWriter;
using Velocity = SlurSettings::Velocity;

class Slur : public testing::Test {
protected:
    void load(TrackWriter t) {
        test::loadSong(song, {t});
        notes = test::notesOf(track());
    }
    midiTrack& track() { return *song.track(1); }
    Events build(const SlurSettings& s, std::vector<NoteOnEvent*> phrase) {
        removed = buildSlur(song, track(), phrase, s, work);
        return test::channelEvents(work);
    }
    Events build(const SlurSettings& s) { return build(s, notes); }
    midiSong song;
    midiTrack work{&song, 0, ""};
    std::vector<NoteOnEvent*> notes;
    std::vector<anyEvent*> removed;
};

// Two semitones of sensitivity (the default): 4096 per semitone. Tempo 120 at 480 ticks: the
// glides step every 19 ticks (20 ms).
TEST_F(Slur, TheHeldNoteTakesTheLastKeyAndBendsFollowThePhrase) {
    TrackWriter t;
    t.note(1000, 0, 62, 80, 200).note(1200, 0, 63, 100, 200).note(1200, 0, 63, 60, 100).note(1480, 0, 64, 90, 240);
    load(t);
    SlurSettings s;
    EXPECT_EQ(build(s), (Events{"B 999 1 -8192", "N 1000 1 64 80 720", "B 1200 1 -4096", "B 1480 1 0"}))
        << "a note at the time of the last bend adds none";
    s.SlurVelocity = Velocity::end;
    EXPECT_EQ(build(s)[1], "N 1000 1 64 90 720");
    s.SlurVelocity = Velocity::mean;
    EXPECT_EQ(build(s)[1], "N 1000 1 64 82 720");  // (80 + 100 + 60 + 90) / 4
}

TEST_F(Slur, APhraseOnOneKeyIsOneHeldNote) {
    TrackWriter t;
    t.note(1000, 0, 64, 80, 200).note(1200, 0, 64, 100, 200);
    load(t);
    EXPECT_EQ(build(SlurSettings{}), (Events{"B 999 1 0", "N 1000 1 64 80 400"}));
}

TEST_F(Slur, GlidesFollowAHalfCosineAndTheDelayCentresThemOnTheNote) {
    TrackWriter t;
    t.note(1000, 0, 63, 80, 480).note(1480, 0, 64, 90, 240);
    load(t);
    SlurSettings s;
    s.UsePortament = true;
    s.Delay = false;
    // Track bar 7: the glide starts 7/11 of the way; steps that move less than 204 are left out.
    EXPECT_EQ(build(s), (Events{"B 999 1 -4096", "N 1000 1 64 80 720", "B 1343 1 -3637", "B 1362 1 -3114",
                                "B 1381 1 -2467", "B 1400 1 -1773", "B 1419 1 -1110", "B 1438 1 -555",
                                "B 1457 1 -172", "B 1480 1 0"}));
    s.Delay = true;
    EXPECT_EQ(build(s), (Events{"B 999 1 -4096", "N 1000 1 64 80 720", "B 1413 1 -3637", "B 1432 1 -3114",
                                "B 1451 1 -2467", "B 1470 1 -1773", "B 1489 1 -1110", "B 1508 1 -555",
                                "B 1527 1 -172", "B 1550 1 0"}))
        << "moved by 70 ticks: their mean time was 1410";
    s.MaxEffectRange = 100;  // 96 ticks at most
    s.Delay = false;
    EXPECT_EQ(build(s), (Events{"B 999 1 -4096", "N 1000 1 64 80 720", "B 1403 1 -3712", "B 1422 1 -2706",
                                "B 1441 1 -1453", "B 1460 1 -423", "B 1479 1 -1", "B 1480 1 0"}));
}

TEST_F(Slur, AGlideThatReachesItsTargetAddsNoBendAndNoDelay) {
    TrackWriter t;
    t.note(1000, 0, 63, 80, 125).note(1125, 0, 64, 90, 240);
    load(t);
    SlurSettings s;
    s.UsePortament = true;
    s.PortTrackBar1 = 1;
    EXPECT_EQ(build(s), (Events{"B 999 1 -4096", "N 1000 1 64 80 365", "B 1029 1 -3826", "B 1048 1 -3088",
                                "B 1067 1 -2075", "B 1086 1 -1056", "B 1105 1 -298", "B 1124 1 0"}));
}

TEST_F(Slur, ApplyReplacesThePhraseAndTheBendsOverTheSlur) {
    TrackWriter t;
    t.bend(900, 0, 8192 + 10)
        .note(1000, 0, 62, 80, 200)
        .bend(1100, 2, 8192 + 20)   // another channel, inside: replaced
        .note(1200, 0, 63, 100, 200)
        .bend(1480, 0, 8192 + 30)   // at the last bend: replaced
        .note(1480, 0, 64, 90, 240)
        .bend(1481, 0, 8192 + 40);  // after: kept
    load(t);
    test::expectUndoRedo(song, 1, kSlurLabel, [&] { applySlur(song, 1, notes, SlurSettings{}, work); });
    track().redo();
    EXPECT_EQ(test::channelEvents(track()), (Events{"B 900 1 10", "B 999 1 -8192", "N 1000 1 64 80 720",
                                                    "B 1200 1 -4096", "B 1480 1 0", "B 1481 1 40"}));
}

TEST_F(Slur, ReadinessNeedsTwoNotesWithinTheBendRangeOfTheLast) {
    TrackWriter t;
    t.note(1000, 0, 60, 80, 100).note(1100, 0, 62, 80, 100).note(1200, 0, 65, 80, 100).note(1300, 0, 64, 80, 100);
    load(t);
    SlurSettings s;
    EXPECT_TRUE(slurReady(track(), std::vector<NoteOnEvent*>{notes[1], notes[3]}, s));
    EXPECT_FALSE(slurReady(track(), std::vector<NoteOnEvent*>{notes[0], notes[3]}, s)) << "4 semitones below";
    EXPECT_FALSE(slurReady(track(), std::vector<NoteOnEvent*>{notes[1], notes[2]}, s)) << "3 semitones below";
    EXPECT_FALSE(slurReady(track(), std::vector<NoteOnEvent*>{notes[1]}, s));
    s.Reverse = true;
    EXPECT_TRUE(slurReady(track(), std::vector<NoteOnEvent*>{notes[1]}, s));
    EXPECT_FALSE(slurReady(track(), std::vector<NoteOnEvent*>{}, s));
    s.Reverse = false;
    test::expectNothingChanged(song, 1, [&] {
        EXPECT_THROW(applySlur(song, 1, std::vector<NoteOnEvent*>{notes[0], notes[3]}, s, work), MidiError);
    });
}

TEST_F(Slur, ThePrecisionStartsAtOneCent) {
    TrackWriter t;
    t.note(1000, 0, 60, 80, 100);
    load(t);
    EXPECT_EQ(precisionDefault(track()), 40);  // 8192 / 2 / 100
    TrackWriter wide;
    wide.control(0, 0, 101, 0).control(0, 0, 100, 0).control(0, 0, 6, 12).note(1000, 0, 60, 80, 100);
    wide.control(5000, 0, 7, 1).control(5000, 0, 7, 1).control(5000, 0, 7, 1);
    song.clearSong();
    load(wide);
    EXPECT_EQ(precisionDefault(track()), 6);
}

SlurSettings reverse(int precision = 40) {
    SlurSettings s;
    s.Reverse = true;
    s.Precision = precision;
    return s;
}

TEST_F(Slur, BendToNoteSplitsWhereABendReachesTheNextSemitone) {
    TrackWriter t;
    t.note(480, 0, 60, 90, 960).bend(720, 0, 8192 + 4096).bend(960, 0, 8192);
    load(t);
    // u = 4095, tolerance 40: a deviation of 4055 is a new semitone. Each piece ends with the note.
    EXPECT_EQ(build(reverse()), (Events{"B 479 1 0", "N 480 1 60 90 240", "N 721 1 61 90 239", "N 961 1 60 90 479"}));
    test::expectUndoRedo(song, 1, kBendToNoteLabel, [&] { applySlur(song, 1, notes, reverse(), work); });
    track().redo();
    EXPECT_EQ(test::channelEvents(track()),
              (Events{"B 479 1 0", "N 480 1 60 90 240", "N 721 1 61 90 239", "N 961 1 60 90 479"}))
        << "the note and the bends over it are replaced";
}

TEST_F(Slur, BendToNoteCountsASemitoneFromTheTolerance) {
    struct Case {
        int deviation, precision;
        bool split;
    } cases[] = {{4054, 40, false}, {4055, 40, true}, {-4055, 40, true}, {-4054, 40, false},
                 {3000, 1095, true}, {2999, 1095, false}};
    for (const Case& c : cases) {
        TrackWriter t;
        t.note(480, 0, 60, 90, 960).bend(720, 0, 8192 + c.deviation);
        song.clearSong();
        load(t);
        EXPECT_EQ(build(reverse(c.precision)).size(), c.split ? 3u : 2u) << c.deviation << " at " << c.precision;
    }
}

TEST_F(Slur, BendToNoteCarriesTheBendBetweenNotesAndWritesNoEmptyPiece) {
    TrackWriter t;
    t.note(480, 0, 60, 90, 240)
        .bend(800, 0, 8192 + 4096)    // between the notes: the next starts a semitone up
        .note(960, 0, 62, 90, 240)
        .bend(1200, 0, 8192 + 8191);  // on the last tick of the note: nothing left to sound
    load(t);
    EXPECT_EQ(build(reverse()), (Events{"B 479 1 0", "N 480 1 60 90 240", "N 960 1 63 90 240"}));
    test::expectValidMidi(work);
}

TEST_F(Slur, BendToNoteRefusesAToleranceWithoutRoomForAStep) {
    TrackWriter t;
    t.note(480, 0, 60, 90, 960).bend(720, 0, 8192 + 4096);
    load(t);
    test::expectNothingChanged(song, 1, [&] {
        try {
            applySlur(song, 1, notes, reverse(4095), work);
            ADD_FAILURE() << "not refused";
        } catch (const MidiError& e) {
            EXPECT_EQ(e.message(), "Sensitivity must be below 4095 at a bend range of 2.");
        }
    });
    EXPECT_EQ(build(reverse(4094)).size(), 3u) << "a tolerance of one step is still a rule";
}

}  // namespace
}  // namespace tonvela
