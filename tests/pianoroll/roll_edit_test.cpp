#include <gtest/gtest.h>

#include <functional>

#include "pianoroll/roll_edit.h"
#include "roll_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// Track 1 on channel 3: A = key 60 at 0 (480 long), C = key 64 at 480 (240), B = key 60 at 960
// (480, velocity 90), a Mod controller at 480 and a pitch bend at 1440.
// Track 2 on channel 1: D = key 48 at 0 (960). Four bars of 4/4.
Bytes rollSong() {
    Bytes one = cat({note(0, 2, 60, 480), at(0, {0xB2, 1, 10}), note(0, 2, 64, 240), note(240, 2, 60, 480, 90),
                     at(0, {0xE2, 0x68, 0x47})});
    return smf(1, {conductor(4), one, note(0, 0, 48, 960)});
}

struct Notes {
    NoteOnEvent *a, *c, *b, *d;
};

Notes notesOfSong(const midiSong& song) {
    return {nthNote(*song.track(1), 0), nthNote(*song.track(1), 1), nthNote(*song.track(1), 2),
            nthNote(*song.track(2), 0)};
}

const TickRange kFourBars{0, 4 * 1920 - 1};

}  // namespace

// Each gesture is one undo step in its track, leaves the track in time order, and undo brings
// back the very song it started from.
TEST(RollEdit, EachGestureIsOneUndoStepThatRestoresTheSong) {
    struct Case {
        const char* name;
        std::function<void(midiSong&, const Notes&)> act;
        std::vector<std::string> after;  // notes of track 1
        const char* label;
    } cases[] = {
        {"move later and up",
         [](midiSong& s, const Notes& n) { moveNotes(s, std::vector<RollNote>{{1, n.a}}, 240, 2, kFourBars); },
         {"240:62/480/100", "480:64/240/100", "960:60/480/90"}, kRollMoveLabel},
        {"move past another note keeps time order",
         [](midiSong& s, const Notes& n) { moveNotes(s, std::vector<RollNote>{{1, n.c}}, 960, 0, kFourBars); },
         {"0:60/480/100", "960:60/480/90", "1440:64/240/100"}, kRollMoveLabel},
        {"move into a note of its key cuts the earlier one",
         [](midiSong& s, const Notes& n) { moveNotes(s, std::vector<RollNote>{{1, n.b}}, -720, 0, kFourBars); },
         {"0:60/240/100", "240:60/480/90", "480:64/240/100"}, kRollMoveLabel},
        {"move onto the start of a note of its key replaces it",
         [](midiSong& s, const Notes& n) { moveNotes(s, std::vector<RollNote>{{1, n.b}}, -960, 0, kFourBars); },
         {"0:60/480/90", "480:64/240/100"}, kRollMoveLabel},
        {"moved note ends where the next note of its key starts",
         [](midiSong& s, const Notes& n) { moveNotes(s, std::vector<RollNote>{{1, n.a}}, 720, 0, kFourBars); },
         {"480:64/240/100", "720:60/240/100", "960:60/480/90"}, kRollMoveLabel},
        {"group move stops at the range and the top key",
         [](midiSong& s, const Notes& n) {
             moveNotes(s, std::vector<RollNote>{{1, n.a}, {1, n.c}}, -1000, 100, kFourBars);
         },
         {"0:123/480/100", "480:127/240/100", "960:60/480/90"}, kRollMoveLabel},
        {"lengthen", [](midiSong& s, const Notes& n) { resizeNotes(s, std::vector<RollNote>{{1, n.c}}, 240); },
         {"0:60/480/100", "480:64/480/100", "960:60/480/90"}, kRollLengthLabel},
        {"shorten keeps one tick",
         [](midiSong& s, const Notes& n) { resizeNotes(s, std::vector<RollNote>{{1, n.a}}, -10000); },
         {"0:60/1/100", "480:64/240/100", "960:60/480/90"}, kRollLengthLabel},
        {"lengthen stops at the next note of its key",
         [](midiSong& s, const Notes& n) { resizeNotes(s, std::vector<RollNote>{{1, n.a}}, 960); },
         {"0:60/960/100", "480:64/240/100", "960:60/480/90"}, kRollLengthLabel},
        {"add", [](midiSong& s, const Notes&) { addNote(s, 1, 1920, 72, 240); },
         {"0:60/480/100", "480:64/240/100", "960:60/480/90", "1920:72/240/100"}, kRollAddLabel},
        {"add over a sounding note of its key cuts it",
         [](midiSong& s, const Notes&) { addNote(s, 1, 240, 60, 480); },
         {"0:60/240/100", "240:60/480/100", "480:64/240/100", "960:60/480/90"}, kRollAddLabel},
        {"delete", [](midiSong& s, const Notes& n) { deleteNotes(s, std::vector<RollNote>{{1, n.a}, {1, n.c}}); },
         {"960:60/480/90"}, kRollDeleteLabel},
        {"velocities are clamped to 1..127",
         [](midiSong& s, const Notes& n) {
             setLaneValues(s, Lane{LaneKind::velocity, 0}, std::vector<LaneChange>{{1, n.a, 0}, {1, n.c, 200}});
         },
         {"0:60/480/1", "480:64/240/127", "960:60/480/90"}, kRollVelocityLabel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, rollSong());
        const std::string before = orderedDump(song);
        c.act(song, notesOfSong(song));
        midiTrack& t = *song.track(1);
        EXPECT_EQ(notesOf(t), c.after);
        EXPECT_TRUE(t.isSorted());
        EXPECT_EQ(steps(t), 1);
        EXPECT_EQ(t.undoLabel(), c.label);
        EXPECT_TRUE(song.track(2)->journal.empty());
        t.undo();
        EXPECT_TRUE(t.journal.empty());
        EXPECT_EQ(orderedDump(song), before);
    }
}

TEST(RollEdit, AddedNotesTakeTheChannelOfTheTracksFirstNote) {
    midiSong song;
    // Track 2's first note is on channel 1 although a controller of channel 5 comes first.
    load(song, smf(1, {conductor(2), note(0, 2, 60, 10), cat({at(0, {0xB4, 7, 100}), note(0, 0, 40, 10)}),
                       at(0, {0xFF, 0x01, 0x00})}));
    ASSERT_EQ(song.trackCount(), 4);
    EXPECT_EQ(addNote(song, 1, 0, 62, 120)->status, 0x92);
    EXPECT_EQ(addNote(song, 2, 0, 62, 120)->status, 0x90);
    NoteOnEvent* lonely = addNote(song, 3, 100, 200, 0, 0);
    EXPECT_EQ(lonely->status, 0x90);  // no channel at all: channel 1
    EXPECT_EQ(notesOf(*song.track(3)), std::vector<std::string>{"100:127/1/1"});
    EXPECT_EQ(addNote(song, 4, 0, 60, 10), nullptr);
    EXPECT_EQ(addNote(song, -1, 0, 60, 10), nullptr);
}

TEST(RollEdit, AMoveOverTwoTracksIsOneStepInEachAndKeysStayTogether) {
    midiSong song;
    load(song, rollSong());
    Notes n = notesOfSong(song);
    const std::string before = orderedDump(song);
    MoveResult r = moveNotes(song, std::vector<RollNote>{{1, n.a}, {2, n.d}}, 480, -60, kFourBars);
    // Key 48 can go down only 48: the whole group follows.
    EXPECT_EQ(r.keys, -48);
    EXPECT_EQ(r.ticks, 480);
    EXPECT_EQ(r.moved, 2);
    EXPECT_EQ(notesOf(*song.track(2)), std::vector<std::string>{"480:0/960/100"});
    EXPECT_EQ(n.a->note(), 12);
    EXPECT_EQ(n.a->time, 480);
    EXPECT_EQ(steps(*song.track(1)), 1);
    EXPECT_EQ(steps(*song.track(2)), 1);
    song.track(1)->undo();
    song.track(2)->undo();
    EXPECT_EQ(orderedDump(song), before);
}

TEST(RollEdit, StaleOrForeignEventsAndEmptyChangesLeaveNoTrace) {
    midiSong song;
    load(song, rollSong());
    Notes n = notesOfSong(song);
    // A note removed by an earlier edit (held only for undo) and a note named with the wrong track.
    deleteNotes(song, std::vector<RollNote>{{1, n.c}});
    song.track(1)->journal.clear();
    const std::string before = orderedDump(song);
    EXPECT_EQ(moveNotes(song, std::vector<RollNote>{{1, n.c}, {2, n.a}, {7, n.b}}, 480, 1, kFourBars).moved, 0);
    EXPECT_EQ(resizeNotes(song, std::vector<RollNote>{{1, n.c}}, 100), 0);
    EXPECT_EQ(deleteNotes(song, std::vector<RollNote>{{2, n.b}}), 0);
    EXPECT_EQ(setLaneValues(song, Lane{}, std::vector<LaneChange>{{1, n.c, 5}}), 0);
    // Changes that change nothing open no step either.
    EXPECT_EQ(moveNotes(song, std::vector<RollNote>{{1, n.a}}, 0, 0, kFourBars).moved, 0);
    EXPECT_EQ(moveNotes(song, std::vector<RollNote>{{1, n.a}}, 480, 0, TickRange{}).moved, 0);
    EXPECT_EQ(resizeNotes(song, std::vector<RollNote>{{1, n.a}}, 0), 0);
    EXPECT_EQ(setLaneValues(song, Lane{}, std::vector<LaneChange>{{1, n.a, 100}}), 0);
    for (int i = 0; i < song.trackCount(); ++i) EXPECT_TRUE(song.track(i)->journal.empty()) << i;
    EXPECT_EQ(orderedDump(song), before);
}

TEST(RollEdit, LaneValuesChangeOnlyTheEventsOfTheLane) {
    midiSong song;
    load(song, rollSong());
    midiTrack& t = *song.track(1);
    std::vector<anyEvent*> mod, bend;
    for (anyEvent* e : t.events()) {
        if (e->kind() == kindControl) mod.push_back(e);
        if (e->kind() == kindPitchBend) bend.push_back(e);
    }
    ASSERT_EQ(mod.size(), 1u);
    ASSERT_EQ(bend.size(), 1u);
    const std::string before = orderedDump(song);

    // A Vol lane does not touch the Mod controller; the Mod lane clamps to 0..127.
    EXPECT_EQ(setLaneValues(song, Lane{LaneKind::controller, 7}, std::vector<LaneChange>{{1, mod[0], 50}}), 0);
    EXPECT_EQ(setLaneValues(song, Lane{LaneKind::controller, 1}, std::vector<LaneChange>{{1, mod[0], 300}}), 1);
    EXPECT_EQ(static_cast<ControlChangeEvent*>(mod[0])->value(), 127);
    EXPECT_EQ(t.undoLabel(), kRollControlLabel);
    // Bends are raw values, clamped to 0..16383; a bend is not a note's velocity.
    EXPECT_EQ(setLaneValues(song, Lane{LaneKind::velocity, 0}, std::vector<LaneChange>{{1, bend[0], 3}}), 0);
    EXPECT_EQ(setLaneValues(song, Lane{LaneKind::pitchBend, 0}, std::vector<LaneChange>{{1, bend[0], -5}}), 1);
    EXPECT_EQ(static_cast<PitchBendEvent*>(bend[0])->rawBend(), 0);
    EXPECT_EQ(t.undoLabel(), kRollBendLabel);
    EXPECT_EQ(steps(t), 2);
    t.undo();
    t.undo();
    EXPECT_EQ(orderedDump(song), before);
}

TEST(RollEdit, LaneMembershipAndValues) {
    NoteOnEvent n(0, 0x90);
    n.setNote(60);
    n.setVelocity(77);
    ControlChangeEvent c(0, 0xB0);
    c.setController(74);
    c.setValue(5);
    PitchBendEvent b(0, 0xE0);
    b.setRawBend(100);
    const Lane vel{LaneKind::velocity, 0}, bright{LaneKind::controller, 74}, mod{LaneKind::controller, 1},
        bendLane{LaneKind::pitchBend, 0};
    EXPECT_TRUE(inLane(n, vel));
    EXPECT_FALSE(inLane(n, bright));
    EXPECT_TRUE(inLane(c, bright));
    EXPECT_FALSE(inLane(c, mod));
    EXPECT_TRUE(inLane(b, bendLane));
    EXPECT_EQ(laneValue(n, vel), 77);
    EXPECT_EQ(laneValue(c, bright), 5);
    EXPECT_EQ(laneValue(b, bendLane), 100);
    NoteOnEvent off(0, 0x90);  // velocity 0: a note off, not in the velocity lane
    EXPECT_FALSE(inLane(off, vel));
}
