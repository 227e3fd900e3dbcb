#include <gtest/gtest.h>

#include "song/song.h"

using namespace tonvela;

namespace {

struct Fixture {
    midiSong song;
    midiTrack* track;
    NoteOnEvent* note;
    Fixture() {
        auto t = std::make_unique<midiTrack>(&song, 0, "");
        track = t.get();
        song.firstTrack = track;
        song.tracks.push_back(std::move(t));
        note = new NoteOnEvent(480, 0x90);
        note->setNote(60);
        note->setVelocity(100);
        note->setDuration(240);
        track->addEvent(note, true, false);
    }
};

}  // namespace

TEST(Journal, UndoRestoresEveryKindOfChangeInOneStep) {
    Fixture f;
    auto* cc = new ControlChangeEvent(0, 0xB0);
    cc->setController(7);
    cc->setValue(100);
    auto* pb = new PitchBendEvent(0, 0xE0);
    auto* pc = new ProgramChangeEvent(0, 0xC0);
    auto* tempo = new TempoEvent(0, 0x51, 500000);
    for (anyEvent* e : {static_cast<anyEvent*>(cc), static_cast<anyEvent*>(pb), static_cast<anyEvent*>(pc),
                        static_cast<anyEvent*>(tempo)})
        f.track->addEvent(e, true, false);

    f.track->beginUndoStep("X");
    f.track->moveEvent(f.note, 240);
    f.track->setVelocity(f.note, 60);
    f.track->setKey(f.note, 72);
    f.track->setDuration(f.note, 10);
    f.track->setChannel(f.note, 5);
    f.track->setNumber(cc, 10);
    f.track->setControlValue(cc, 300);
    f.track->setBend(pb, 0);
    f.track->setProgram(pc, 40);
    f.track->setTempo(tempo, 400000);
    EXPECT_EQ(f.note->time, 720);
    EXPECT_EQ(cc->value(), 127);
    EXPECT_EQ(f.track->undoLabel(), "X");

    f.track->undo();
    EXPECT_EQ(f.note->time, 480);
    EXPECT_EQ(f.note->velocity(), 100);
    EXPECT_EQ(f.note->note(), 60);
    EXPECT_EQ(f.note->duration(), 240);
    EXPECT_EQ(f.note->channelOf(), 0);
    EXPECT_EQ(cc->controller(), 7);
    EXPECT_EQ(cc->value(), 100);
    EXPECT_EQ(pb->rawBend(), 8192);
    EXPECT_EQ(pc->program(), 0);
    EXPECT_EQ(tempo->getTempo(), 500000);
    EXPECT_TRUE(f.track->journal.empty());
    EXPECT_EQ(f.track->undoCount(), 0);
}

TEST(Journal, UndoStopsAtTheNewestStep) {
    Fixture f;
    f.track->beginUndoStep("First");
    f.track->setVelocity(f.note, 50);
    f.track->beginUndoStep("Second");
    f.track->setVelocity(f.note, 20);
    EXPECT_EQ(f.track->undoLabel(), "Second");
    f.track->undo();
    EXPECT_EQ(f.note->velocity(), 50);
    EXPECT_EQ(f.track->undoLabel(), "First");
    EXPECT_EQ(f.track->undoCount(), 2);
    f.track->undo();
    EXPECT_EQ(f.note->velocity(), 100);
}

TEST(Journal, EmptyStepsAreDroppedAndLinesWithoutStepAreToStart) {
    Fixture f;
    f.track->setVelocity(f.note, 30);
    f.track->beginUndoStep("Nothing");
    EXPECT_EQ(f.track->undoCount(), 1);
    EXPECT_EQ(f.track->undoLabel(), "to Start");
    f.track->undo();
    EXPECT_EQ(f.note->velocity(), 100);
    EXPECT_EQ(f.track->undoCount(), 0);
}

TEST(Journal, RemovedEventComesBackAsTheSameObject) {
    Fixture f;
    auto* before = new ControlChangeEvent(100, 0xB0);
    auto* after = new ControlChangeEvent(900, 0xB0);
    f.track->addEvent(before, true, false);
    f.track->addEvent(after, true, false);
    uint32_t serial = f.note->serial;
    f.track->beginUndoStep("Delete");
    f.track->removeEvent(f.note);
    f.track->pack();
    EXPECT_EQ(f.track->positionOf(f.note), -1);
    EXPECT_EQ(f.note->refCount, 1);  // parked, not freed
    f.track->undo();
    EXPECT_EQ(f.track->positionOf(f.note), 1);
    EXPECT_EQ(f.note->serial, serial);
    EXPECT_EQ(f.note->refCount, 1);
    EXPECT_TRUE(f.track->removedEvents.empty());
}

TEST(Journal, UndoOfAnAddDropsTheEvent) {
    Fixture f;
    f.track->beginUndoStep("Add");
    auto* added = new ControlChangeEvent(10, 0xB0);
    f.track->addEvent(added, true, true);
    ASSERT_EQ(f.track->countEvents(), 2);
    f.track->undo();  // frees `added`; ASan reports if it is touched or leaked
    EXPECT_EQ(f.track->countEvents(), 1);
    EXPECT_EQ(f.track->at(0), f.note);
}

TEST(Journal, AddThenRemoveInOneStepUndoesCleanly) {
    Fixture f;
    f.track->beginUndoStep("Both");
    auto* added = new ControlChangeEvent(10, 0xB0);
    f.track->addEvent(added, true, true);
    f.track->removeEvent(added);
    f.track->pack();
    f.track->removeEvent(f.note);
    f.track->pack();
    f.track->undo();
    EXPECT_EQ(f.track->countEvents(), 1);
    EXPECT_EQ(f.track->at(0), f.note);
    EXPECT_TRUE(f.track->removedEvents.empty());
}

TEST(Journal, SystemExclusiveChannelChangeIsIgnored) {
    Fixture f;
    auto* sx = new sysexEvent(0, 0xF0);
    f.track->addEvent(sx, true, false);
    f.track->beginUndoStep("Channel");
    f.track->setChannel(sx, 3);
    f.track->undo();
    EXPECT_EQ(sx->status, 0xF0);
}

TEST(Journal, SavingClearsTheJournal) {
    Fixture f;
    f.track->beginUndoStep("X");
    f.track->setVelocity(f.note, 10);
    f.track->removeEvent(f.note);
    std::vector<uint8_t> bytes;
    f.song.write(bytes);
    EXPECT_EQ(f.track->undoCount(), 0);
    EXPECT_TRUE(f.track->removedEvents.empty());
}

TEST(Journal, UndoOfRemovalsAndMovesRestoresTheList) {
    Fixture f;
    std::vector<anyEvent*> original;
    for (int i = 0; i < 200; ++i) {
        auto* c = new ControlChangeEvent(i * 10 + 1, 0xB0);  // no time shared with the note
        f.track->addEvent(c, true, false);
    }
    original = f.track->events();
    f.track->beginUndoStep("Shift and delete");
    for (int i = 0; i < f.track->size(); i += 3) f.track->removeEventAt(i);
    for (int i = 1; i < f.track->size(); i += 3)
        if (f.track->at(i)) f.track->moveEvent(f.track->at(i), 1000);
    f.track->pack();
    f.track->undo();
    EXPECT_EQ(f.track->events(), original);
    EXPECT_TRUE(f.track->removedEvents.empty());
}
