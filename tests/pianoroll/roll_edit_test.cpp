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

namespace {

// Three tracks on channel 3 (index 2). Track 1: Volume 100 at 0, 90 at 500, Volume 80 at 500 on
// channel 6, a pitch bend of raw 9192 at 700. Track 2: Volume 70 at 600, 60 at 2000. Track 3:
// Volume 50 at 600. Four bars of 4/4.
Bytes strokeSong() {
    Bytes one = cat({at(0, {0xB2, 7, 100}), note(0, 2, 60, 480), at(20, {0xB2, 7, 90}), at(0, {0xB5, 7, 80}),
                     at(200, {0xE2, 0x68, 0x47})});
    Bytes two = cat({at(600, {0xB2, 7, 70}), at(1400, {0xB2, 7, 60})});
    return smf(1, {conductor(4), one, two, at(600, {0xB2, 7, 50})});
}

// The events of a lane in a track as "time:value/channel" (bends signed), in list order.
std::vector<std::string> laneOf(const midiTrack& t, const Lane& lane) {
    std::vector<std::string> out;
    for (const anyEvent* e : t.events()) {
        if (!e || !inLane(*e, lane)) continue;
        const int v = laneValue(*e, lane) - (lane.kind == LaneKind::pitchBend ? 8192 : 0);
        out.push_back(std::to_string(e->time) + ":" + std::to_string(v) + "/" + std::to_string(e->channelOf()));
    }
    return out;
}

const Lane kVolume{LaneKind::controller, 7};
const Lane kBend{LaneKind::pitchBend, 0};

LaneStroke stroke(const Lane& lane, std::vector<LanePoint> points, int32_t grid = 120) {
    LaneStroke s;
    s.lane = lane;
    s.track = 1;
    s.channel = 2;
    s.firstTrack = 1;
    s.lastTrack = 2;
    s.grid = grid;
    s.allowed = kFourBars;
    s.points = std::move(points);
    return s;
}

}  // namespace

// A stroke puts one value at the start of every grid cell it covers, read from the path, and the
// lane's values of its channel in those cells give way in every shown track; each changed track
// gets one undo step that brings it back.
TEST(RollEdit, AStrokeDrawsOneValuePerGridCellAndReplacesTheLaneUnderIt) {
    struct Case {
        const char* name;
        LaneStroke stroke;
        std::vector<std::string> one, two;  // the lane in tracks 1 and 2 afterwards
        StrokeResult result;
    } cases[] = {
        {"a rising drag over four cells",
         stroke(kVolume, {{10, 0}, {470, 120}}),
         {"0:0/2", "120:29/2", "240:60/2", "360:91/2", "500:90/2", "500:80/5"},
         {"600:70/2", "2000:60/2"},
         {3, 1, 0}},
        {"the cells cover the values of the channel in both shown tracks, not other channels",
         stroke(kVolume, {{610, 64}, {490, 64}}),
         {"0:100/2", "480:64/2", "500:80/5", "600:64/2"},
         {"2000:60/2"},
         {2, 0, 2}},
        {"a click sets the value of one cell",
         stroke(kVolume, {{130, 127}}),
         {"0:100/2", "120:127/2", "500:90/2", "500:80/5"},
         {"600:70/2", "2000:60/2"},
         {1, 0, 0}},
        {"a later point at the same time wins, values stay in range",
         stroke(kVolume, {{5, 300}, {5, 40}}),
         {"0:40/2", "500:90/2", "500:80/5"},
         {"600:70/2", "2000:60/2"},
         {0, 1, 0}},
        {"cells stop at the bar line when the grid does not divide the bar",
         stroke(kVolume, {{1300, 10}, {2100, 10}}, 1280),
         {"0:100/2", "500:90/2", "500:80/5", "1280:10/2", "1920:10/2"},
         {"600:70/2"},
         {2, 0, 1}},
        {"a path beyond the shown time is clipped to it",
         stroke(kVolume, {{7600, 5}, {9000, 5}}),
         {"0:100/2", "500:90/2", "500:80/5", "7560:5/2"},
         {"600:70/2", "2000:60/2"},
         {1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, strokeSong());
        const std::string before = orderedDump(song);
        const std::vector<std::string> three = laneOf(*song.track(3), kVolume);
        const StrokeResult r = drawLaneStroke(song, c.stroke);
        EXPECT_EQ(laneOf(*song.track(1), kVolume), c.one);
        EXPECT_EQ(laneOf(*song.track(2), kVolume), c.two);
        EXPECT_EQ(laneOf(*song.track(3), kVolume), three);  // not shown
        EXPECT_EQ(r.added, c.result.added);
        EXPECT_EQ(r.changed, c.result.changed);
        EXPECT_EQ(r.removed, c.result.removed);
        for (int i = 1; i <= 3; ++i) {
            midiTrack& t = *song.track(i);
            EXPECT_TRUE(t.isSorted()) << i;
            EXPECT_LE(steps(t), 1) << i;
            if (steps(t) == 1) {
                EXPECT_EQ(t.undoLabel(), kRollControlLabel) << i;
                t.undo();
            }
        }
        EXPECT_EQ(orderedDump(song), before);
    }
}

TEST(RollEdit, ABendStrokeCoversTheWholeSignedRangeAndRedoesExactly) {
    midiSong song;
    load(song, strokeSong());
    const std::string before = orderedDump(song);
    // From the lowest bend at bar 1 beat 2 to the highest at beat 3, in eighths (240 ticks).
    const LaneStroke s = stroke(kBend, {{480, 0}, {960, 16383}}, 240);
    const StrokeCells cells = strokeCells(song, s);
    EXPECT_EQ(cells.from, 480);
    EXPECT_EQ(cells.to, 1200);
    EXPECT_EQ(cells.values, (std::vector<LanePoint>{{480, 0}, {720, 8192}, {960, 16383}}));
    const StrokeResult r = drawLaneStroke(song, s);
    EXPECT_EQ(laneOf(*song.track(1), kBend), (std::vector<std::string>{"480:-8192/2", "720:0/2", "960:8191/2"}));
    EXPECT_EQ(r.removed, 1);  // the bend at 700
    EXPECT_EQ(song.track(1)->undoLabel(), kRollBendLabel);
    EXPECT_TRUE(song.track(2)->journal.empty());  // no bends there
    const std::string drawn = orderedDump(song);
    song.track(1)->undo();
    EXPECT_EQ(orderedDump(song), before);
    song.track(1)->redo();
    EXPECT_EQ(orderedDump(song), drawn);
}

TEST(RollEdit, StrokesThatCannotDrawChangeNothing) {
    midiSong song;
    load(song, strokeSong());
    const std::string before = orderedDump(song);
    LaneStroke velocity = stroke(Lane{LaneKind::velocity, 0}, {{0, 60}});
    LaneStroke empty = stroke(kVolume, {});
    LaneStroke noTrack = stroke(kVolume, {{0, 60}});
    noTrack.track = 9;
    LaneStroke badChannel = stroke(kVolume, {{0, 60}});
    badChannel.channel = 16;
    LaneStroke nothingShown = stroke(kVolume, {{0, 60}});
    nothingShown.allowed = TickRange{10, 5};
    LaneStroke same = stroke(kVolume, {{0, 100}});  // the value that is already there
    for (const LaneStroke& s : {velocity, empty, noTrack, badChannel, nothingShown, same}) {
        const StrokeResult r = drawLaneStroke(song, s);
        EXPECT_EQ(r.added + r.changed + r.removed, 0);
    }
    for (int i = 0; i < song.trackCount(); ++i) EXPECT_TRUE(song.track(i)->journal.empty()) << i;
    EXPECT_EQ(orderedDump(song), before);
}
