// The song's own lists and pointers (signatures, system exclusive, copyright, names, tune)
// and journal steps that take the same event out and in: every list names only events held
// by a track, and nothing is used after it is freed (AddressSanitizer builds check that).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

ControlChangeEvent* cc(int32_t time, int number, int value) {
    auto* c = new ControlChangeEvent(time, 0xB0);
    c->setController(number);
    c->setValue(value);
    return c;
}

anyEvent* firstOfKind(const midiTrack& t, int kind) {
    for (anyEvent* e : t.events())
        if (e && e->kind() == kind) return e;
    return nullptr;
}

bool held(const midiSong& song, const anyEvent* e) { return song.trackOf(e) != nullptr; }

// Every list and pointer of the song names an event that a track holds.
void expectListsHeld(const midiSong& song) {
    for (const anyEvent* e : song.timeSignatures) EXPECT_TRUE(held(song, e));
    for (const anyEvent* e : song.keySignatures) EXPECT_TRUE(held(song, e));
    for (const anyEvent* e : song.sysexEvents) EXPECT_TRUE(held(song, e));
    EXPECT_TRUE(!song.songCopyright || held(song, song.songCopyright));
    EXPECT_TRUE(!song.tuneEvent || held(song, song.tuneEvent));
    for (const auto& t : song.tracks) EXPECT_TRUE(!t->nameEvent || t->positionOf(t->nameEvent) >= 0);
}

const Bytes kXgMasterTune = {0x00, 0xF0, 0x0B, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00, 0xF7};

}  // namespace

// Removing a listed event in a step and saving (which frees the parked event) must not leave
// the song pointing at it; the next use of the list works on what is left.
TEST(SongLists, RemovedAndSavedEventsLeaveTheSongLists) {
    struct Case {
        const char* name;
        Bytes track0;
        int kind;
        int beatAt1940;  // bar table of the load: [0, 1440 or 1920, same]; 4/4 after the removal
    } cases[] = {
        {"time signature 6/8", {0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08}, kindTimeSignature, 1},
        {"track name", {0x00, 0xFF, 0x03, 0x03, 'O', 'l', 'd'}, kindTrackName, 0},
        {"XG master tune", kXgMasterTune, kindSysex, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, smf(1, {c.track0, {0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00}}));
        ASSERT_EQ(song.masterTune(), c.kind == kindSysex ? 16 : 0);
        midiTrack& t0 = *song.track(0);
        anyEvent* e = firstOfKind(t0, c.kind);
        ASSERT_NE(e, nullptr);
        t0.beginUndoStep("Delete");
        t0.removeEvent(e);
        t0.pack();
        save(song);  // clears the journal: the removed event is freed here
        expectListsHeld(song);
        EXPECT_TRUE(song.timeSignatures.empty());
        EXPECT_TRUE(song.sysexEvents.empty());
        EXPECT_EQ(t0.nameEvent, nullptr);
        EXPECT_EQ(song.masterTune(), 0);
        EXPECT_EQ(song.tuneEvent, nullptr);

        auto* later = cc(1940, 7, 100);
        song.track(1)->addEvent(later, true, true);
        EXPECT_EQ(later->bar, 2);
        EXPECT_EQ(later->beat, c.beatAt1940);
        EXPECT_EQ(later->tick, 20);
        song.setTitle("New title");
        ASSERT_NE(t0.nameEvent, nullptr);
        EXPECT_EQ(t0.nameEvent->text(), "New title");
        expectListsHeld(song);
    }
}

TEST(SongLists, CopyrightSetInAStepUndoneAndSetAgain) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x01, 0x01, 'x'}}));
    midiTrack& t0 = *song.track(0);
    t0.beginUndoStep("Copyright");
    song.setCopyright("X");
    t0.undo();
    EXPECT_EQ(song.songCopyright, nullptr);
    song.setCopyright("Y");
    ASSERT_NE(song.songCopyright, nullptr);
    EXPECT_TRUE(held(song, song.songCopyright));
    EXPECT_EQ(song.copyrightText(), "Y");
}

TEST(SongLists, AddedAndRemovedInOneStepThenUndoneAndSaved) {
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00}}));
    midiTrack& t = *song.track(0);
    const std::string before = dumpSong(song);
    t.beginUndoStep("Both");
    auto* e = cc(100, 7, 1);
    t.addEvent(e, true, true);
    t.removeEvent(e);
    t.pack();
    t.undo();
    EXPECT_TRUE(t.removedEvents.empty());
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_EQ(load(song, save(song)).repairs.size(), 0u);
}

TEST(SongLists, RemovedAddedBackAndRemovedAgainInOneStepComesBackOnce) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xB0, 0x07, 0x64, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00}}));
    midiTrack& t = *song.track(0);
    anyEvent* volume = t.at(0);
    const std::string before = dumpSong(song);
    t.beginUndoStep("Shuffle");
    t.removeEvent(volume);
    t.pack();
    t.addEvent(volume, true, true);
    t.removeEvent(volume);
    t.pack();
    EXPECT_EQ(t.countEvents(), 1);
    t.undo();
    EXPECT_EQ(t.countEvents(), 2);
    EXPECT_EQ(t.at(0), volume);
    EXPECT_EQ(dumpSong(song), before);
    t.beginUndoStep("Next");  // nothing left to redo: the track alone holds the event
    EXPECT_EQ(volume->refCount, 1);
}

// Undo of a step that adds many events and removes them again is linear, not quadratic.
TEST(SongLists, UndoOfALargeAddAndRemoveStepIsQuick) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x01, 0x01, 'x'}}));
    midiTrack& t = *song.track(0);
    const int n = 100000;
    std::vector<anyEvent*> added;
    for (int i = 0; i < n; ++i) added.push_back(cc(i, 7, i % 128));
    t.beginUndoStep("Many");
    t.addEvents(added, true);
    for (int p = 0; p < t.size(); ++p)
        if (t.at(p) && t.at(p)->kind() == kindControl) t.removeEventAt(p);
    t.pack();
    auto start = std::chrono::steady_clock::now();
    t.undo();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(t.countEvents(), 1);
    EXPECT_LT(seconds, 3.0);
}

// A journal line left behind by a delete the journal does not see (clearing the copyright)
// must not act on a later, unrelated event.
TEST(SongLists, UnjournaledDeleteLeavesNoLineThatHitsALaterEvent) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x01, 0x01, 'x'}}));
    song.setCopyright("X");
    song.setCopyright("");
    song.setTitle("My title");
    midiTrack& t0 = *song.track(0);
    t0.undo();
    ASSERT_NE(t0.nameEvent, nullptr);
    EXPECT_GE(t0.positionOf(t0.nameEvent), 0);
    EXPECT_EQ(t0.nameEvent->text(), "My title");
    EXPECT_EQ(song.title(), "My title");
    EXPECT_EQ(song.songCopyright, nullptr);
    expectListsHeld(song);
}
