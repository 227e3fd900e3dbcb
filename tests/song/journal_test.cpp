#include <gtest/gtest.h>

#include <functional>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

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

// A step finds its events by serial. The serials it names may lie close together, in a few
// runs far apart (old events edited, new ones added much later), or scattered wide; undo and
// redo must find every one of them in each case.
TEST(Journal, StepsFindTheirEventsWhereverTheirSerialsLie) {
    struct Case {
        const char* name;
        int groups;  // runs of serials the step names
        int gap;     // events made elsewhere between two runs
        int addGap;  // events made elsewhere between two additions of the step
    };
    for (const Case& c : {Case{"close together", 3, 0, 0}, Case{"a few runs far apart", 3, 20000, 0},
                          Case{"scattered wide", 40, 3000, 3000}}) {
        SCOPED_TRACE(c.name);
        Fixture f;
        std::vector<ControlChangeEvent*> old;
        for (int g = 0; g < c.groups; ++g) {
            for (int i = 0; i < 4; ++i) {
                auto* e = new ControlChangeEvent(g * 40 + i * 10 + 1, 0xB0);
                e->setController(7);
                e->setValue(64);
                f.track->addEvent(e, true, false);
                old.push_back(e);
            }
            for (int i = 0; i < c.gap; ++i) delete new ControlChangeEvent(0, 0xB0);
        }
        const std::string before = dumpSong(f.song);
        f.track->beginUndoStep("Edit");
        for (size_t i = 0; i < old.size(); ++i) {
            if (i % 4 == 0) f.track->setControlValue(old[i], 10);
            if (i % 4 == 1) f.track->moveEvent(old[i], 5);
            if (i % 4 == 2) f.track->removeEvent(old[i]);
        }
        for (int i = 0; i < 3; ++i) {
            auto* e = new ControlChangeEvent(i * 7 + 3, 0xB0);
            e->setController(10);
            f.track->addEvent(e, true, true);
            for (int k = 0; k < c.addGap; ++k) delete new ControlChangeEvent(0, 0xB0);
        }
        f.track->pack();
        const std::string after = dumpSong(f.song);
        ASSERT_NE(before, after);
        f.track->undo();
        EXPECT_EQ(dumpSong(f.song), before);
        f.track->redo();
        EXPECT_EQ(dumpSong(f.song), after);
        f.track->undo();
        EXPECT_EQ(dumpSong(f.song), before);
    }
}

// ---- redo ------------------------------------------------------------------------------------

namespace {

// A song of two tracks with events of every class, some sharing ticks, a time signature and a
// tempo event whose data is not the usual three bytes.
const Bytes kEditSong = smf(1, {
    {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1, 0x00, 0xFF, 0x51, 0x03, 0x07,
     0xA1, 0x20, 0x83, 0x60, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08},
    {0x00, 0xFF, 0x03, 0x01, 'A', 0x00, 0xB0, 0x07, 0x64, 0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x00, 0x3E, 0x50,
     0x00, 0xE0, 0x00, 0x40, 0x83, 0x60, 0x3C, 0x00, 0x00, 0x90, 0x3E, 0x00, 0x00, 0x40, 0x64, 0x00, 0xB0, 0x0A, 0x20,
     0x81, 0x70, 0x90, 0x40, 0x00},
});

template <typename T>
T* nth(midiTrack& t, int kind, int n = 0) {
    for (anyEvent* e : t.events())
        if (e && e->kind() == kind && n-- == 0) return static_cast<T*>(e);
    return nullptr;
}

}  // namespace

TEST(Journal, RedoAndUndoAreExactInversesOfEveryEdit) {
    using Edit = std::function<void(midiSong&, midiTrack&)>;
    struct Case {
        const char* name;
        int track;
        Edit edit;
    } cases[] = {
        {"move a note later", 1, [](midiSong&, midiTrack& t) { t.moveEvent(nth<NoteOnEvent>(t, kindNote), 700); }},
        {"set a time", 1, [](midiSong&, midiTrack& t) { t.setEventTime(t.at(1), 5000); }},
        {"channel", 1, [](midiSong&, midiTrack& t) { t.setChannel(nth<NoteOnEvent>(t, kindNote, 1), 9); }},
        {"controller number and value", 1, [](midiSong&, midiTrack& t) {
             auto* c = nth<ControlChangeEvent>(t, kindControl);
             t.setNumber(c, 11);
             t.setControlValue(c, 5);
         }},
        {"key, velocity and duration", 1, [](midiSong&, midiTrack& t) {
             auto* n = nth<NoteOnEvent>(t, kindNote);
             t.setKey(n, 70);
             t.setVelocity(n, 1);
             t.setDuration(n, 7);
         }},
        {"program", 1, [](midiSong&, midiTrack& t) { t.setProgram(nth<ProgramChangeEvent>(t, kindProgram), 99); }},
        {"bend", 1, [](midiSong&, midiTrack& t) { t.setBend(nth<PitchBendEvent>(t, kindPitchBend), 0); }},
        {"tempo with two data bytes", 0, [](midiSong&, midiTrack& t) { t.setTempo(nth<TempoEvent>(t, kindTempo), 400000); }},
        {"remove the first of three events at one tick", 1, [](midiSong&, midiTrack& t) {
             t.removeEventAt(1);
             t.pack();
         }},
        {"remove a run and one more, then add two", 1, [](midiSong&, midiTrack& t) {
             for (int p : {2, 3, 4, 0}) t.removeEventAt(p);
             t.pack();
             t.addEvent(new ControlChangeEvent(0, 0xB0), true, true);
             std::vector<anyEvent*> more{new ControlChangeEvent(480, 0xB1), new ControlChangeEvent(10, 0xB1)};
             t.addEvents(more, true);
         }},
        {"move, then remove and put back the moved event", 1, [](midiSong&, midiTrack& t) {
             anyEvent* e = nth<NoteOnEvent>(t, kindNote);
             t.moveEvent(e, 900);
             t.removeEvent(e);
             t.pack();
             t.addEvent(e, true, true);
         }},
        {"take out the second time signature and add it back", 0, [](midiSong&, midiTrack& t) {
             anyEvent* e = nth<anyEvent>(t, kindTimeSignature, 1);
             t.removeEvent(e);
             t.pack();
             t.addEvent(e, true, true);  // placed without itself in force: another beat
         }},
        {"move the second time signature before the first", 0,
         [](midiSong&, midiTrack& t) { t.moveEvent(nth<anyEvent>(t, kindTimeSignature, 1), -480); }},
        {"remove the time signatures and the name", 0, [](midiSong& s, midiTrack& t) {
             t.removeEvent(nth<anyEvent>(t, kindTimeSignature));
             t.removeEvent(nth<anyEvent>(t, kindTimeSignature));
             s.track(1)->beginUndoStep("Name");
             s.track(1)->removeEvent(s.track(1)->nameEvent);
         }},
        {"copyright", 0, [](midiSong& s, midiTrack&) { s.setCopyright("(c)"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, kEditSong);
        midiTrack& t = *song.track(c.track);
        const std::string before = dumpSong(song);
        const auto signatures = song.timeSignatures;
        t.beginUndoStep(c.name);
        c.edit(song, t);
        const std::string after = dumpSong(song);
        const auto signaturesAfter = song.timeSignatures;
        trackNameEvent* nameAfter = song.track(1)->nameEvent;
        copyrightEvent* copyrightAfter = song.songCopyright;
        ASSERT_NE(after, before);
        for (int round = 0; round < 2; ++round) {
            for (auto& tr : song.tracks)
                while (tr->undoCount() != 0) tr->undo();
            EXPECT_EQ(dumpSong(song), before);
            EXPECT_EQ(song.timeSignatures, signatures);
            EXPECT_NE(song.track(1)->nameEvent, nullptr);
            EXPECT_EQ(song.songCopyright, nullptr);
            ASSERT_TRUE(t.canRedo());
            EXPECT_EQ(t.redoLabel(), c.name);
            for (auto& tr : song.tracks)
                while (tr->canRedo()) tr->redo();
            EXPECT_EQ(dumpSong(song), after);
            EXPECT_EQ(song.timeSignatures, signaturesAfter);
            EXPECT_EQ(song.track(1)->nameEvent, nameAfter);
            EXPECT_EQ(song.songCopyright, copyrightAfter);
            EXPECT_EQ(t.undoLabel(), c.name);
        }
        Bytes once = save(song);
        midiSong again;
        load(again, once);
        EXPECT_EQ(save(again), once);
    }
}

TEST(Journal, RedoLastsUntilTheNextStepOrEdit) {
    struct Case {
        const char* name;
        std::function<void(midiTrack&, NoteOnEvent*)> after;
        bool redoable;
    } cases[] = {
        {"nothing", [](midiTrack&, NoteOnEvent*) {}, true},
        {"an undo step begun", [](midiTrack& t, NoteOnEvent*) { t.beginUndoStep("Next"); }, false},
        {"an edit without a step", [](midiTrack& t, NoteOnEvent* n) { t.setVelocity(n, 3); }, false},
        {"an edit the journal does not see", [](midiTrack& t, NoteOnEvent*) { t.setName("Other"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.track->beginUndoStep("First");
        f.track->setVelocity(f.note, 50);
        f.track->beginUndoStep("Second");
        f.track->setVelocity(f.note, 20);
        f.track->undo();
        f.track->undo();
        EXPECT_EQ(f.track->redoCount(), 2);
        EXPECT_EQ(f.track->redoLabel(), "First");
        f.track->redo();
        EXPECT_EQ(f.note->velocity(), 50);
        EXPECT_EQ(f.track->redoLabel(), "Second");
        EXPECT_EQ(f.track->undoLabel(), "First");
        c.after(*f.track, f.note);
        EXPECT_EQ(f.track->canRedo(), c.redoable);
        if (c.redoable) {
            f.track->redo();
            EXPECT_EQ(f.note->velocity(), 20);
            EXPECT_FALSE(f.track->canRedo());
        }
    }
}

TEST(Journal, LinesWithoutStepAreRedoneWithoutOne) {
    Fixture f;
    f.track->setVelocity(f.note, 30);
    f.track->undo();
    EXPECT_EQ(f.track->redoLabel(), "to Start");
    f.track->redo();
    EXPECT_EQ(f.note->velocity(), 30);
    EXPECT_EQ(f.track->undoLabel(), "to Start");
    EXPECT_EQ(f.track->journal, (std::vector<std::string>{"V," + eventHandle(f.note) + ",100"}));
}

TEST(Journal, SavingEndsRedoAndFreesWhatOnlyRedoHeld) {
    Fixture f;
    f.track->beginUndoStep("Add");
    auto* added = new ControlChangeEvent(10, 0xB0);
    f.track->addEvent(added, true, true);
    f.track->undo();
    EXPECT_EQ(added->refCount, 1);  // held for redo only
    save(f.song);
    EXPECT_FALSE(f.track->canRedo());  // and `added` is freed (AddressSanitizer builds check)
    EXPECT_EQ(f.track->countEvents(), 1);
}

// An edit the journal does not see (clearing the name) makes the lines naming the event name
// nothing, on both sides, so neither undo nor redo brings it back or touches another event.
TEST(Journal, ClearedNameIsNotBroughtBackByUndoOrRedo) {
    midiSong song;
    load(song, kEditSong);
    midiTrack& t = *song.track(1);
    trackNameEvent* name = t.nameEvent;
    t.beginUndoStep("Name");
    t.removeEvent(name);
    t.pack();
    t.addEvent(name, true, true);
    t.beginUndoStep("Velocity");
    t.setVelocity(nth<NoteOnEvent>(t, kindNote), 9);
    t.undo();
    t.setName("");
    EXPECT_EQ(t.nameEvent, nullptr);
    t.redo();
    t.undo();
    t.undo();
    EXPECT_EQ(t.nameEvent, nullptr);
    EXPECT_EQ(nth<anyEvent>(t, kindTrackName), nullptr);
    t.redo();
    EXPECT_EQ(nth<anyEvent>(t, kindTrackName), nullptr);
}

// ---- order ------------------------------------------------------------------------------------

namespace {

// Every event held, in list order: what a reader that walks the track sees.
std::vector<const anyEvent*> order(const midiTrack& t) {
    std::vector<const anyEvent*> out;
    for (const anyEvent* e : t.events())
        if (e) out.push_back(e);
    return out;
}

// Track 1: volume 100 at 0, volume 80 at 480, three controllers sharing tick 960 and a note at
// bar 2, so a sort has events of one tick to keep in creation order.
const Bytes kOrderSong = smf(1, {
    {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08},
    {0x00, 0xB0, 0x07, 0x64, 0x83, 0x60, 0xB0, 0x07, 0x50, 0x83, 0x60, 0xB0, 0x0A, 0x10, 0x00, 0xB0, 0x0A, 0x20, 0x00,
     0xB0, 0x0A, 0x30, 0x87, 0x40, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x00},
});

}  // namespace

// A step that moves events and then sorts the track: undo gives back the list as it was before
// the step, order included, and redo the sorted list; readers that stop at the first later
// event (controllerAt) see the values they saw before.
TEST(Journal, UndoAndRedoGiveBackTheOrderOfAStepThatSorted) {
    using Edit = std::function<void(midiTrack&)>;
    struct Case {
        const char* name;
        Edit edit;
    } cases[] = {
        {"a volume change moved from 0 to 960", [](midiTrack& t) { t.setEventTime(t.at(0), 960); }},
        {"the first of a tick moved to its end", [](midiTrack& t) { t.moveEvent(t.at(2), 0); t.markUnsorted(); }},
        {"events moved past each other both ways", [](midiTrack& t) {
             t.moveEvent(t.at(0), 2000);
             t.moveEvent(t.at(5), -1500);
             t.setEventTime(t.at(3), 10);
         }},
        {"a removal, an addition and moves", [](midiTrack& t) {
             t.removeEventAt(1);
             t.addEvent(new ControlChangeEvent(960, 0xB0), false, true);
             t.moveEvent(t.at(4), -960);
         }},
        {"two sorts in one step", [](midiTrack& t) {
             t.moveEvent(t.at(0), 960);
             t.sortEvents();
             t.moveEvent(t.at(4), -960);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, kOrderSong);
        midiTrack& t = *song.track(1);
        const auto before = order(t);
        const std::string dumpBefore = dumpSong(song);
        ASSERT_EQ(t.controllerAt(100, 7, -1), 100);
        t.beginUndoStep("Step");
        c.edit(t);
        t.sortEvents();
        ASSERT_TRUE(t.isSorted());
        const auto after = order(t);
        const std::string dumpAfter = dumpSong(song);
        for (int round = 0; round < 2; ++round) {
            t.undo();
            EXPECT_EQ(order(t), before);
            EXPECT_EQ(dumpSong(song), dumpBefore);
            EXPECT_EQ(t.controllerAt(100, 7, -1), 100);
            t.redo();
            EXPECT_EQ(order(t), after);
            EXPECT_EQ(dumpSong(song), dumpAfter);
        }
    }
}

// Sorting outside any step (a freshly loaded or saved song) writes no journal line.
TEST(Journal, SortingWithoutAStepIsNotAnEdit) {
    midiSong song;
    load(song, kOrderSong);
    midiTrack& t = *song.track(1);
    t.at(0)->time = 1000;
    t.markUnsorted();
    t.sortEvents();
    EXPECT_TRUE(t.isSorted());
    EXPECT_EQ(t.undoCount(), 0);
}

// An event that a step removed goes back right after the event it followed, even when that
// event has since left the track without a journal line: then after the one before it, still
// within its tick, not after every event of the tick.
TEST(Journal, RemovedEventGoesBackInItsTickWhenItsPredecessorLeftUnjournaled) {
    struct Case {
        const char* name;
        std::function<anyEvent*(midiSong&, midiTrack&)> predecessor;  // the event to drop
        std::function<void(midiSong&, midiTrack&, anyEvent*)> drop;
    } cases[] = {
        {"setCopyright(\"\")", [](midiSong& s, midiTrack&) -> anyEvent* { return s.songCopyright; },
         [](midiSong& s, midiTrack&, anyEvent*) { s.setCopyright(""); }},
        {"deleteEventAt", [](midiSong&, midiTrack& t) -> anyEvent* { return nth<anyEvent>(t, kindTempo, 1); },
         [](midiSong&, midiTrack& t, anyEvent* e) {
             t.deleteEventAt(t.positionOf(e));
             t.pack();
         }},
        {"setName(\"\")", [](midiSong&, midiTrack& t) -> anyEvent* { return t.nameEvent; },
         [](midiSong&, midiTrack& t, anyEvent*) { t.setName(""); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, kEditSong);
        midiTrack& t = *song.track(0);
        // Tick 0 of track 0: time signature, two tempos, a name and a copyright, then a marker
        // after the dropped event and one after every event of the tick.
        t.setName("Title");
        song.setCopyright("(c)");
        save(song);  // the name and copyright become part of the song
        anyEvent* dropped = c.predecessor(song, t);
        const int at = t.positionOf(dropped);
        ASSERT_GT(at, 0);
        anyEvent* follower = new MarkerEvent(0);
        t.insertEventAt(at + 1, follower);
        anyEvent* before = t.at(at - 1);
        anyEvent* last = new MarkerEvent(0);
        t.addEvent(last, true, false);

        t.beginUndoStep("Remove");
        t.removeEvent(follower);
        t.pack();
        c.drop(song, t, dropped);
        ASSERT_EQ(t.positionOf(dropped), -1);
        for (int round = 0; round < 2; ++round) {
            t.undo();
            EXPECT_EQ(t.positionOf(follower), t.positionOf(before) + 1);
            EXPECT_LT(t.positionOf(follower), t.positionOf(last));
            t.redo();
            EXPECT_EQ(t.positionOf(follower), -1);
        }
    }
}

// A sort's lines that name the event an unjournaled deletion took out: the moved event goes
// back after the deleted event's predecessor.
TEST(Journal, SortUndoneAfterItsAnchorWasDeletedKeepsTheTick) {
    midiSong song;
    load(song, kOrderSong);
    midiTrack& t = *song.track(1);
    anyEvent* first = t.at(2);  // the first controller of tick 960
    anyEvent* second = t.at(3);
    t.beginUndoStep("Move");
    t.moveEvent(second, -960);  // to tick 0, sorted to the head's tick
    t.sortEvents();
    t.deleteEventAt(t.positionOf(first));
    t.pack();
    t.undo();
    EXPECT_EQ(second->time, 960);
    EXPECT_EQ(t.positionOf(second), 2) << "right after volume 80, where the deleted event was";
}

// ---- giving up part way -----------------------------------------------------------------------

// An operation that gives up after it changed a track returns it to its mark: the lines it
// journaled are undone and gone, and the redo steps it would have ended are back; an empty
// step before the mark stays.
TEST(Journal, AbandoningReturnsUndoAndRedoToTheMark) {
    struct Case {
        const char* name;
        std::function<void(midiTrack&)> edit;
    } cases[] = {
        {"nothing written", [](midiTrack&) {}},
        {"a step that wrote nothing", [](midiTrack& t) { t.beginUndoStep("Run"); }},
        {"a step with every kind of line", [](midiTrack& t) {
             t.beginUndoStep("Run");
             t.setVelocity(nth<NoteOnEvent>(t, kindNote), 1);
             t.moveEvent(t.at(1), 3000);
             t.sortEvents();
             t.removeEventAt(0);
             t.pack();
             t.addEvent(new ControlChangeEvent(5, 0xB3), true, true);
         }},
        {"lines without a step of their own", [](midiTrack& t) { t.setChannel(t.at(1), 4); }},
        {"two steps", [](midiTrack& t) {
             t.beginUndoStep("Run");
             t.setChannel(t.at(1), 4);
             t.beginUndoStep("Run 2");
             t.removeEventAt(2);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, kEditSong);
        midiTrack& t = *song.track(1);
        NoteOnEvent* n = nth<NoteOnEvent>(t, kindNote);
        t.beginUndoStep("Kept");
        t.setVelocity(n, 50);
        t.beginUndoStep("Empty");
        t.beginUndoStep("Redone");
        t.setKey(n, 70);
        t.undo();  // leaves "Empty" last in the journal and "Redone" to redo
        const auto journal = t.journal;
        ASSERT_EQ(journal.back(), "@,Empty");
        const auto orderAtMark = order(t);
        const std::string dumpAtMark = dumpSong(song);

        t.markHistory();
        c.edit(t);
        t.abandonToMark();
        EXPECT_FALSE(t.historyMarked());
        EXPECT_EQ(t.journal, journal);
        EXPECT_EQ(order(t), orderAtMark);
        EXPECT_EQ(dumpSong(song), dumpAtMark);
        EXPECT_EQ(t.redoCount(), 1);
        EXPECT_EQ(t.redoLabel(), "Redone");
        t.redo();
        EXPECT_EQ(n->note(), 70);
        t.undo();
        t.undo();
        EXPECT_EQ(n->velocity(), 100);
        EXPECT_EQ(t.undoCount(), 0);
    }
}

TEST(Journal, KeepingEndsRedoOnlyWhenSomethingWasJournaled) {
    for (bool step : {false, true}) {
        SCOPED_TRACE(step ? "a step begun" : "nothing journaled");
        Fixture f;
        f.track->beginUndoStep("Velocity");
        f.track->setVelocity(f.note, 5);
        f.track->undo();
        f.track->markHistory();
        EXPECT_FALSE(f.track->canRedo()) << "set aside while the operation runs";
        if (step) f.track->beginUndoStep("Run");
        f.track->keepSinceMark();
        EXPECT_EQ(f.track->canRedo(), !step);
    }
}

// ---- tracks an edit created ---------------------------------------------------------------------

TEST(Journal, UndoDropsATrackAnEditCreatedAndRedoBringsItBack) {
    midiSong song;
    load(song, kEditSong);
    const std::string before = dumpSong(song);
    auto made = std::make_unique<midiTrack>(&song, 2, "Echo Track");
    midiTrack* t = made.get();
    t->createdByEdit = true;
    song.tracks.push_back(std::move(made));
    t->beginUndoStep("Echo <x>");
    auto* name = new trackNameEvent(0);
    name->setText("Echo Track");
    t->addEvent(name, true, true);
    auto* n = new NoteOnEvent(100, 0x90);
    n->setNote(60);
    n->setDuration(10);
    t->addEvent(n, true, true);
    t->beginUndoStep("Velocity");
    t->setVelocity(n, 3);
    const std::string after = dumpSong(song);

    song.undoTrack(2);
    ASSERT_EQ(song.trackCount(), 3) << "still holds its events";
    song.undoTrack(2);
    ASSERT_EQ(song.trackCount(), 2);
    EXPECT_EQ(dumpSong(song), before);
    for (int i = 0; i < song.trackCount(); ++i) EXPECT_EQ(song.track(i)->undoCount(), 0);
    EXPECT_TRUE(song.canRedoTrack(1));
    EXPECT_EQ(song.redoLabelOfTrack(1), "Echo <x>");
    midiSong reloaded;
    load(reloaded, save(song));
    EXPECT_EQ(reloaded.trackCount(), 2) << "saved without the dropped track";

    // A save ends the redo; without it, redo brings the track back.
    midiSong again;
    load(again, kEditSong);
    auto made2 = std::make_unique<midiTrack>(&again, 2, "E");
    midiTrack* t2 = made2.get();
    t2->createdByEdit = true;
    again.tracks.push_back(std::move(made2));
    t2->beginUndoStep("Echo <y>");
    t2->addEvent(new NoteOnEvent(10, 0x91), true, true);
    const std::string made2Dump = dumpSong(again);
    again.undoTrack(2);
    ASSERT_EQ(again.trackCount(), 2);
    again.track(1)->setVelocity(nth<NoteOnEvent>(*again.track(1), kindNote), 9);  // track 1 has lines to undo, none to redo
    again.redoTrack(1);
    ASSERT_EQ(again.trackCount(), 3);
    EXPECT_EQ(again.track(2), t2);
    EXPECT_EQ(t2->undoLabel(), "Echo <y>");
    EXPECT_FALSE(again.canRedoTrack(1));
    again.track(1)->undo();
    EXPECT_EQ(dumpSong(again), made2Dump);
    (void)after;
}

// A track the song read from its file is never dropped, even when undo leaves it empty.
TEST(Journal, TracksOfTheFileStayWhenUndoEmptiesThem) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}, {0x00, 0xB0, 0x07, 0x64}}));
    midiTrack& t = *song.track(1);
    t.removeEventAt(0);
    t.pack();
    t.beginUndoStep("Add");
    t.addEvent(new ControlChangeEvent(0, 0xB0), true, true);
    song.undoTrack(1);
    song.undoTrack(1);
    EXPECT_EQ(song.trackCount(), 2);
}
