#include <gtest/gtest.h>

#include <random>

#include "smf_builder.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

NoteOnEvent* note(int32_t time, int key, int duration = 0, int channel = 0, int velocity = 100) {
    auto* n = new NoteOnEvent(time, static_cast<uint8_t>(0x90 | channel));
    n->setNote(key);
    n->setVelocity(velocity);
    n->setDuration(duration);
    return n;
}

NoteOnEvent* noteOff(int32_t time, int key, int channel = 0) {
    auto* n = new NoteOnEvent(time, static_cast<uint8_t>(0x90 | channel));
    n->setRawNote(static_cast<uint8_t>(key));
    n->setRawVelocity(0);
    return n;
}

ControlChangeEvent* cc(int32_t time, int number, int value, int channel = 0) {
    auto* c = new ControlChangeEvent(time, static_cast<uint8_t>(0xB0 | channel));
    c->setController(number);
    c->setValue(value);
    return c;
}

std::vector<int> durations(const midiTrack& t) {
    std::vector<int> d;
    for (const anyEvent* e : t.events())
        if (e && e->kind() == kindNote) d.push_back(static_cast<const NoteOnEvent*>(e)->duration());
    return d;
}

}  // namespace

TEST(Track, SortedAddGoesAfterEqualTimesAndBeforeLater) {
    midiSong song;
    midiTrack t(&song, 1, "");
    for (int i = 0; i < 3; ++i) t.addEvent(cc(100, 7, i), true, false);
    t.addEvent(cc(200, 7, 9), true, false);
    auto* same = cc(100, 10, 1);
    EXPECT_EQ(t.addEvent(same, true, false), 3);
    EXPECT_EQ(t.addEvent(cc(0, 1, 1), true, false), 0);
    EXPECT_EQ(same->refCount, 1);
    EXPECT_EQ(t.name, "Track1");
}

TEST(Track, BulkAddMatchesOneByOneAddsInOrderedAndDisorderedLists) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        midiSong song;
        midiTrack one(&song, 1, ""), bulk(&song, 2, "");
        int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            auto* e = cc(static_cast<int32_t>(rng() % 500), 7, i % 128);
            one.appendEvent(e);
            bulk.appendEvent(e);
        }
        one.sortEvents();
        bulk.sortEvents();
        if (round % 2 && n > 0) {
            // A moved event leaves the list out of order, as after a time shift.
            anyEvent* moved = one.at(static_cast<int>(rng() % static_cast<unsigned>(n)));
            moved->time = static_cast<int32_t>(rng() % 700);
            one.updatePosition(moved);
            bulk.updatePosition(moved);
        }
        std::vector<anyEvent*> added;
        int k = 1 + static_cast<int>(rng() % 20);
        for (int i = 0; i < k; ++i) added.push_back(cc(static_cast<int32_t>(rng() % 600), 10, i));
        for (anyEvent* e : added) one.addEvent(e, true, true);
        bulk.addEvents(added, true);
        ASSERT_EQ(one.events(), bulk.events()) << "round " << round;
        ASSERT_EQ(one.journal, bulk.journal);
    }
}

TEST(Track, PairingCases) {
    struct Case {
        const char* name;
        std::vector<anyEvent*> events;
        int32_t endTime;
        std::vector<int> durations;
    };
    std::vector<Case> cases;
    cases.push_back({"note offs end their notes", {note(0, 60), noteOff(240, 60), note(480, 60), noteOff(720, 60)}, 720, {240, 240}});
    cases.push_back({"overlaps pair first on to first off", {note(0, 60), note(100, 60), noteOff(200, 60), noteOff(300, 60)}, 300, {200, 200}});
    cases.push_back({"no off: one tick before the next attack", {note(0, 60), note(960, 60)}, 1000, {959, 40}});
    cases.push_back({"no off: to the end of the track", {note(0, 60), note(960, 62), noteOff(1000, 62)}, 3840, {3840, 40}});
    cases.push_back({"all notes off of the channel", {note(0, 60), cc(500, 123, 0), note(0, 61, 0, 1)}, 2000, {500, 2000}});
    cases.push_back({"next attack at the same tick gives 1", {note(10, 60), note(10, 60)}, 50, {1, 40}});
    cases.push_back({"a later off goes to the first waiting note", {note(0, 60), note(960, 60), noteOff(1000, 60)}, 1000, {1000, 40}});
    cases.push_back({"other channel's off does not count", {note(0, 60, 0, 0), noteOff(100, 60, 1)}, 400, {400}});
    for (auto& c : cases) {
        midiSong song;
        midiTrack t(&song, 1, "");
        for (anyEvent* e : c.events) t.appendEvent(e);
        t.paired = false;
        t.endTime = c.endTime;
        t.pairNotes();
        EXPECT_EQ(durations(t), c.durations) << c.name;
        for (const anyEvent* e : t.events()) EXPECT_NE(e->kind(), kindNoteOff) << c.name;
        EXPECT_TRUE(t.paired);
    }
}

TEST(Track, AllNotesOffControllerStaysAndLoneOffsDisappear) {
    midiSong song;
    midiTrack t(&song, 1, "");
    t.appendEvent(noteOff(5, 40));
    t.appendEvent(note(10, 60));
    t.appendEvent(cc(500, 120, 0));
    t.paired = false;
    t.pairNotes();
    EXPECT_EQ(describeTrack(t), (std::vector<std::string>{"10:6:60/490", "500:5"}));
}

TEST(Track, SplitPutsNoteOffsFirstAndZeroLengthOffsAfterTheirNote) {
    midiSong song;
    midiTrack t(&song, 1, "");
    t.addEvent(note(0, 60, 480), true, false);
    t.addEvent(note(480, 60, 480), true, false);
    t.addEvent(note(480, 64, 0), true, false);
    t.addEvent(cc(480, 7, 100), true, false);
    t.splitNotes();
    EXPECT_EQ(describeTrack(t), (std::vector<std::string>{"0:6:60/480", "480:7:60/0", "480:6:60/480", "480:6:64/0",
                                                          "480:7:64/0", "480:5", "960:7:60/0"}));
    t.pairNotes();
    EXPECT_EQ(durations(t), (std::vector<int>{480, 480, 0}));
}

TEST(Track, QueriesSeeTheStateAtATime) {
    midiSong song;
    midiTrack t(&song, 1, "");
    t.addEvent(cc(0, 7, 100), true, false);
    t.addEvent(cc(480, 7, 50), true, false);
    auto* pb = new PitchBendEvent(240, 0xE0);
    pb->setBend(-100);
    t.addEvent(pb, true, false);
    auto* pc = new ProgramChangeEvent(100, 0xC2);
    pc->setProgram(33);
    t.addEvent(pc, true, false);
    EXPECT_EQ(t.controllerAt(479, 7, -1), 100);
    EXPECT_EQ(t.controllerAt(480, 7, -1), 50);
    EXPECT_EQ(t.controllerAt(480, 11, -1), -1);
    EXPECT_EQ(t.bendAt(239), 0);
    EXPECT_EQ(t.bendAt(240), -100);
    EXPECT_EQ(t.programAt(200, 2), 33);
    EXPECT_EQ(t.programAt(200, 1), 0);
    EXPECT_EQ(t.programAt(200, -1), 33);
    EXPECT_EQ(t.findSustainPedal(0, 1000), -1);
}

TEST(Track, BendRangeSkipsTheLastThreeEvents) {
    midiSong song;
    midiTrack t(&song, 1, "");
    t.addEvent(cc(0, 101, 0), true, false);
    t.addEvent(cc(0, 100, 0), true, false);
    t.addEvent(cc(0, 6, 12), true, false);
    EXPECT_EQ(t.bendRangeAt(100), 2);
    for (int i = 0; i < 3; ++i) t.addEvent(cc(50, 7, 100), true, false);
    EXPECT_EQ(t.bendRangeAt(100), 12);
    EXPECT_EQ(t.bendRangeAt(-1), 2);
    // A non-zero parameter number (98/99 style NRPN or another RPN) leaves the range alone.
    midiTrack u(&song, 2, "");
    u.addEvent(cc(0, 101, 0), true, false);
    u.addEvent(cc(0, 100, 1), true, false);
    u.addEvent(cc(0, 6, 24), true, false);
    for (int i = 0; i < 3; ++i) u.addEvent(cc(50, 7, 100), true, false);
    EXPECT_EQ(u.bendRangeAt(100), 2);
}

TEST(Track, LegatoInfo) {
    midiSong song;
    midiTrack t(&song, 1, "");
    t.addEvent(note(0, 60, 480), true, false);
    t.addEvent(note(480, 64, 600), true, false);   // +4, touching: no flags
    t.addEvent(note(1000, 62, 100), true, false);  // starts before previous ends
    t.addEvent(note(2000, 67, 100), true, false);  // rest of 900 >= 720
    EXPECT_EQ(t.legatoInfo(0), 0x40000000u | 0x00u);
    EXPECT_EQ(t.legatoInfo(1), 4u | 0x80000000u);  // the next note overlaps it
    EXPECT_EQ(t.legatoInfo(2), 0xFEu | 0x80000000u);
    EXPECT_EQ(t.legatoInfo(3), 5u | 0x40000000u);
}

TEST(Track, ChannelLabelsAndNames) {
    midiSong song;
    midiTrack t(&song, 3, "");
    EXPECT_EQ(t.firstChannel(), 255);
    t.makeChannelLabel();
    EXPECT_EQ(t.channelLabel, "[]");
    t.addEvent(note(0, 60, 10, 9), true, false);
    t.addEvent(note(0, 60, 10, 2), true, false);
    t.addEvent(note(0, 60, 10, 15), true, false);
    t.makeChannelLabel();
    EXPECT_EQ(t.channelLabel, "[3,10]");
    EXPECT_EQ(t.firstChannel(), 2);
    t.setName("Bass");
    ASSERT_NE(t.nameEvent, nullptr);
    EXPECT_EQ(t.nameEvent->text(), "Bass");
    EXPECT_EQ(t.countEvents(), 4);
    t.setName("");
    EXPECT_EQ(t.nameEvent, nullptr);
    EXPECT_EQ(t.countEvents(), 3);
}

TEST(Track, SearchQueries) {
    midiSong song;
    midiTrack t(&song, 1, "");
    // 0: note 60 ch0 @0, 1: note 62 ch1 @10, 2: off 60 ch0 @20, 3: sustain @30, 4: note 60 ch0 @40,
    // 5: all notes off ch1 @50, 6: note 64 ch0 @60
    auto* a = note(0, 60);
    auto* b = note(10, 62, 0, 1);
    t.appendEvent(a);
    t.appendEvent(b);
    t.appendEvent(noteOff(20, 60));
    t.appendEvent(cc(30, 64, 127));
    auto* c = note(40, 60);
    t.appendEvent(c);
    t.appendEvent(cc(50, 123, 0, 1));
    t.appendEvent(note(60, 64));
    NoteOnEvent outside(45, 0x90);
    outside.setNote(60);
    struct Case {
        const char* name;
        int got, want;
    } cases[] = {
        {"note off of a", t.findNoteOff(1, a), 2},
        {"no note off of c", t.findNoteOff(5, c), -1},
        {"next same key", t.findNextSameKey(1, a), 4},
        {"next same key after", t.findNextSameKeyAfter(a), 4},
        {"next on channel 0", t.findNextOnChannel(1, a), 4},
        {"next note from time 15", t.findNextNoteFrom(15, a), 4},
        {"next note from time 0 skips itself", t.findNextNoteFrom(0, a), 1},
        {"previous same key", t.findPreviousNote(c), 0},
        {"previous of an outside note", t.findPreviousNote(&outside), 4},
        {"sustain in range", t.findSustainPedal(25, 35), 3},
        {"sustain outside range", t.findSustainPedal(31, 100), -1},
        {"next of kind 5", t.findNextOfKind(0, kindControl), 3},
        {"next of kind after", t.findNextOfKindAfter(t.at(3), kindControl), 5},
        {"all notes off ch1", t.findAllNotesOff(0, 1), 5},
        {"all notes off ch0", t.findAllNotesOff(0, 0), -1},
        {"kind in range", t.findKindInRange(kindNote, 35, 70, 0), 4},
        {"kind in range from start position", t.findKindInRange(kindNote, 35, 70, 5), 6},
    };
    for (const auto& c2 : cases) EXPECT_EQ(c2.got, c2.want) << c2.name;
    EXPECT_EQ(song.keySignatureAt(0), nullptr);
    EXPECT_EQ(song.sharpsAt(0), 0);
}

TEST(Track, ResetDropsEverything) {
    midiSong song;
    midiTrack t(&song, 1, "Piano");
    t.addEvent(note(0, 60, 100), true, true);
    t.resetTrack();
    EXPECT_EQ(t.countEvents(), 0);
    EXPECT_TRUE(t.journal.empty());
    EXPECT_EQ(t.name, "");
    EXPECT_EQ(t.endTime, 0);
}
