// The add/edit dialog's work without the dialog: prefill from the selected line, adding,
// editing and deleting one event under its undo label, and undoing each of them exactly.

#include <gtest/gtest.h>

#include "base/errors.h"
#include "eventlist/event_edit.h"
#include "eventlist/event_list.h"
#include "eventlist/evlist_prefs.h"
#include "eventlist_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

class EventEdit : public ::testing::Test {
protected:
    void SetUp() override { load(song, pianoAndBass()); }

    // The song as the list shows it, every track, for before/after comparisons.
    std::vector<std::string> allLines() {
        EventList list;
        list.fill(song, 0, song.trackCount() - 1, 0, -1);
        std::vector<std::string> out;
        for (const anyEvent* e : list.rows()) out.push_back(eventLine(*e));
        return out;
    }
    midiTrack& piano() { return *song.track(1); }
    midiTrack& bass() { return *song.track(2); }
    // The piano's events: 0 name, 1 bank MSB, 2 bank LSB, 3 program, 4 note, 5 volume, 6 bend.
    anyEvent& pianoAt(int i) { return *piano().at(i); }

    midiSong song;
};

EventFields at(int bar, int beat, int tick, EventPage page) {
    EventFields f;
    f.bar = bar;
    f.beat = beat;
    f.tick = tick;
    f.page = page;
    return f;
}

}  // namespace

TEST_F(EventEdit, PrefillTakesThePageAndValuesOfTheSelectedEvent) {
    // A program change with bank selects on the two lines above it.
    EventFields p = prefillEventFields(pianoAt(3), &pianoAt(2), &pianoAt(1));
    EXPECT_EQ(p.page, EventPage::program);
    EXPECT_EQ(p.program, 5);
    EXPECT_EQ(p.msbValue, 1);
    EXPECT_EQ(p.lsbValue, 2);
    EXPECT_FALSE(p.bankSelectMsb);  // the switches keep their defaults
    EXPECT_EQ(p.msbOffset, -10);
    EXPECT_EQ(p.lsbOffset, -5);
    // The lines above in the wrong places give nothing.
    EventFields q = prefillEventFields(pianoAt(3), &pianoAt(1), &pianoAt(2));
    EXPECT_EQ(q.msbValue, 0);
    EXPECT_EQ(q.lsbValue, 0);
    EventFields r = prefillEventFields(pianoAt(3), nullptr, nullptr);
    EXPECT_EQ(r.msbValue, 0);

    EventFields n = prefillEventFields(pianoAt(4), nullptr, nullptr);
    EXPECT_EQ(n.page, EventPage::note);
    EXPECT_EQ((std::vector<int>{n.bar, n.beat, n.tick, n.channel, n.key, n.velocity, n.duration}),
              (std::vector<int>{1, 1, 0, 1, 60, 100, 480}));
    EventFields c = prefillEventFields(pianoAt(5), nullptr, nullptr);
    EXPECT_EQ(c.page, EventPage::control);
    EXPECT_EQ((std::vector<int>{c.bar, c.beat, c.controller, c.controlValue}), (std::vector<int>{1, 2, 7, 90}));
    EventFields b = prefillEventFields(pianoAt(6), nullptr, nullptr);
    EXPECT_EQ(b.page, EventPage::pitchBend);
    EXPECT_EQ(b.bar, 2);
    EXPECT_EQ(b.bend, 2048);
    EventFields bassNote = prefillEventFields(*bass().at(1), nullptr, nullptr);
    EXPECT_EQ(bassNote.channel, 3);

    // Meta events: the texts have a page, everything else (and system exclusive) has none.
    struct Case {
        anyEvent* event;
        EventPage page;
        MetaKind kind;
        std::string text;
    };
    sysexEvent sysex(0, 0xF0);
    sysex.sysexData = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    MarkerEvent marker(0);
    marker.setText("Verse");
    lyricEvent lyric(0);
    lyric.setText("la");
    queuePointEvent cue(0);
    cue.setText("go");
    const Case cases[] = {
        {song.track(0)->at(3), EventPage::meta, MetaKind::text, "end"},
        {&marker, EventPage::meta, MetaKind::marker, "Verse"},
        {&lyric, EventPage::meta, MetaKind::lyric, "la"},
        {&cue, EventPage::meta, MetaKind::cuePoint, "go"},
        {&sysex, EventPage::cantEdit, MetaKind::marker, ""},
        {song.track(0)->at(0), EventPage::cantEdit, MetaKind::marker, ""},  // track name
        {song.track(0)->at(2), EventPage::cantEdit, MetaKind::marker, ""},  // tempo
    };
    for (const Case& k : cases) {
        EventFields f = prefillEventFields(*k.event, nullptr, nullptr);
        EXPECT_EQ(f.page, k.page) << k.event->describe();
        EXPECT_EQ(f.metaKind, k.kind) << k.event->describe();
        EXPECT_EQ(f.metaText, k.text) << k.event->describe();
        EXPECT_EQ(f.channel, 1) << "channel-less events show 1";
    }
}

TEST_F(EventEdit, AddPutsTheEventOfEachPageInTimeOrderUnderItsLabel) {
    struct Case {
        EventPage page;
        const char* label;
        std::function<void(EventFields&)> set;
        const char* line;
    };
    const Case cases[] = {
        {EventPage::note, "Add Note", [](EventFields& f) { f.key = 0, f.velocity = 0, f.duration = 120; },
         "001:03:000 Chn = 02 Note ON:Key 000[ C-1] Vel = 001 Dur = 0120"},
        {EventPage::note, "Add Note", [](EventFields& f) { f.key = 300, f.velocity = 300; },
         "001:03:000 Chn = 02 Note ON:Key 127[ G 9] Vel = 127 Dur = 0001"},
        {EventPage::control, "Add Control", [](EventFields& f) { f.controller = 11, f.controlValue = 200; },
         "001:03:000 Chn = 02 Ctrl Chg:Data 127 Expression(11)"},
        {EventPage::pitchBend, "Add PitchBend", [](EventFields& f) { f.bend = -9000; },
         "001:03:000 Chn = 02 PitchBend:Value -8192 "},
        {EventPage::program, "Add ProgramChange", [](EventFields& f) { f.program = 40; },
         "001:03:000 Chn = 02 Prog Chg:Prog No  40 Violin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto before = allLines();
        EventFields f = at(1, 3, 0, c.page);
        f.channel = 2;
        c.set(f);
        AddedEvent added = addEventFromFields(song, bass(), f);
        EXPECT_EQ(added.track, &bass());
        EXPECT_FALSE(added.movedToFirstTrack);
        ASSERT_NE(added.event, nullptr);
        EXPECT_EQ(eventLine(*added.event), c.line);
        EXPECT_EQ(bass().undoLabel(), c.label);
        EXPECT_TRUE(bass().isSorted());
        EXPECT_EQ(bass().positionOf(added.event), 2) << "after the note at 0, before the note of bar 2";
        bass().undo();
        EXPECT_EQ(allLines(), before);
        EXPECT_EQ(bass().undoCount(), 0);
    }
}

TEST_F(EventEdit, AProgramChangeWithBothBankSelectsWritesThemBeforeIt) {
    EventFields f = at(2, 1, 0, EventPage::program);
    f.program = 24;
    f.bankSelectMsb = f.bankSelectLsb = true;
    f.msbValue = 8;
    f.lsbValue = 3;
    addEventFromFields(song, bass(), f);
    EventList list;
    list.fill(song, 2, 2, 0, 1);
    std::vector<std::string> got;
    for (const anyEvent* e : list.rows())
        if (e->time > 1000) got.push_back(std::to_string(e->time) + " " + eventLine(*e).substr(11));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "1910 Chn = 01 Ctrl Chg:Data   8 Bank Select MSB(0)",
                       "1915 Chn = 01 Ctrl Chg:Data   3 Bank Select LSB(32)",
                       "1920 Chn = 03 Note ON:Key 038[ D 2] Vel = 090 Dur = 0240",
                       "1920 Chn = 01 Prog Chg:Prog No  24 Acoustic Guitar(nylon)",
                   }));
    // One undo step takes all three away; the dialog opened on that program change finds the
    // bank values two and one lines above it.
    const int pc = list.size() - 1;
    EventFields again = prefillEventFields(*list.at(pc), list.at(pc - 1), list.at(pc - 2));
    EXPECT_EQ(again.lsbValue, 0) << "the line above is the bass note, not the LSB";
    bass().undo();
    EXPECT_EQ(kindsOf(bass()), (std::vector<std::string>{"0:13", "0:6", "1920:6"}));

    // A bank select whose offset reaches before the song starts at tick 0.
    EventFields early = at(1, 1, 0, EventPage::program);
    early.bankSelectMsb = early.bankSelectLsb = true;
    addEventFromFields(song, bass(), early);
    list.fill(song, 2, 2, 0, 0);
    EXPECT_EQ(list.at(list.size() - 1)->kind(), kindProgram);
    EventFields fromLines = prefillEventFields(*list.at(list.size() - 1), list.at(list.size() - 2), list.at(list.size() - 3));
    EXPECT_EQ(fromLines.page, EventPage::program);
    for (const anyEvent* e : list.rows()) EXPECT_GE(e->time, 0);
}

TEST_F(EventEdit, MetaEventsGoToTrack0WhateverTrackWasAsked) {
    EventFields f = at(3, 1, 0, EventPage::meta);
    f.metaKind = MetaKind::marker;
    f.metaText = "Chorus";
    AddedEvent added = addEventFromFields(song, piano(), f);
    EXPECT_TRUE(added.movedToFirstTrack);
    EXPECT_EQ(added.track, song.track(0));
    EXPECT_EQ(eventLine(*added.event), "003:01:000 Marker:<Chorus>");
    EXPECT_EQ(song.track(0)->undoLabel(), "Add metaEvent");
    EXPECT_EQ(piano().undoCount(), 0) << "nothing changed in the asked track";
    // Asked for track 0 itself: no message.
    f.metaKind = MetaKind::lyric;
    EXPECT_FALSE(addEventFromFields(song, *song.track(0), f).movedToFirstTrack);
}

TEST_F(EventEdit, PositionsNoSongReachesAreRefusedAndChangeNothing) {
    const auto before = allLines();
    const EventFields bad[] = {at(99999999, 1, 0, EventPage::note), at(0, 1, 0, EventPage::note),
                               at(1, 0, 0, EventPage::control), at(1, 1, -1, EventPage::pitchBend),
                               at(1000000, 65536, 16777215, EventPage::note),
                               // The bar table has 11 bars (the last one open): bar 12 is past it.
                               at(12, 1, 0, EventPage::note), at(11, 5, 0, EventPage::note)};
    for (const EventFields& f : bad) {
        EXPECT_THROW(addEventFromFields(song, piano(), f), MidiError) << f.bar << ":" << f.beat << ":" << f.tick;
        EXPECT_THROW(editEventFromFields(song, pianoAt(4), [&] {
                         EventFields g = f;
                         g.page = EventPage::note;
                         return g;
                     }()),
                     MidiError);
    }
    try {
        addEventFromFields(song, piano(), at(99999999, 1, 0, EventPage::note));
    } catch (const MidiError& e) {
        EXPECT_EQ(e.message(), "Position out of range: 99999999:1:0");
    }
    ASSERT_EQ(song.barStarts.size(), 11u);
    EXPECT_EQ(addEventFromFields(song, piano(), at(11, 4, 479, EventPage::note)).event->bar, 10);
    piano().undo();
    EventFields badChannel = at(1, 1, 0, EventPage::note);
    badChannel.channel = 17;
    EXPECT_THROW(addEventFromFields(song, piano(), badChannel), MidiError);
    EXPECT_THROW(addEventFromFields(song, piano(), at(1, 1, 0, EventPage::cantEdit)), MidiError);
    EXPECT_EQ(allLines(), before);
    for (int t = 0; t < song.trackCount(); ++t) EXPECT_EQ(song.track(t)->undoCount(), 0) << t;
}

TEST_F(EventEdit, EditingANoteClampsItsValuesAndUndoRestoresThem) {
    const auto before = allLines();
    auto& n = static_cast<NoteOnEvent&>(pianoAt(4));
    struct Case {
        int key, velocity, duration;
        int wantKey, wantVelocity, wantDuration;
    };
    const Case cases[] = {
        {0, 0, 10, 0, 1, 10},          // key 0 stays 0; velocity 0 would make a note off
        {130, 500, 5, 127, 127, 5},    // above the data byte
        {-4, -1, -7, 0, 1, 0},
        {60, 100, 480, 60, 100, 480},  // nothing changes: nothing to undo
    };
    for (const Case& c : cases) {
        EventFields f = prefillEventFields(n, nullptr, nullptr);
        f.key = c.key, f.velocity = c.velocity, f.duration = c.duration;
        EditedEvent edited = editEventFromFields(song, n, f);
        EXPECT_EQ(edited.event, &n);
        EXPECT_EQ((std::vector<int>{n.note(), n.velocity(), n.duration()}),
                  (std::vector<int>{c.wantKey, c.wantVelocity, c.wantDuration}));
        if (piano().undoCount() != 0) {
            EXPECT_EQ(piano().undoLabel(), "Modity Note");
            piano().undo();
        }
        EXPECT_EQ(allLines(), before) << c.key;
    }
}

TEST_F(EventEdit, EditingTheTimeMovesAndSortsAndUndoRestoresIt) {
    auto& n = static_cast<NoteOnEvent&>(pianoAt(4));
    EventFields f = prefillEventFields(n, nullptr, nullptr);
    f.bar = 3;
    f.beat = 2;
    f.tick = 10;
    f.channel = 5;
    editEventFromFields(song, n, f);
    EXPECT_EQ(n.time, 2 * 1920 + 480 + 10);
    EXPECT_EQ(positionText(n), "003:02:010 ");
    EXPECT_EQ(n.channelOf(), 4);
    EXPECT_EQ(piano().at(piano().size() - 1), &n);
    EXPECT_TRUE(piano().isSorted());
    piano().undo();
    EXPECT_EQ(n.time, 0);
    EXPECT_EQ(n.channelOf(), 0);
}

TEST_F(EventEdit, EditingControllerProgramAndBendSetsOnlyWhatChanged) {
    auto& c = static_cast<ControlChangeEvent&>(pianoAt(5));
    EventFields f = prefillEventFields(c, nullptr, nullptr);
    f.controlValue = 300;
    editEventFromFields(song, c, f);
    EXPECT_EQ(c.value(), 127);
    EXPECT_EQ(c.controller(), 7);
    EXPECT_EQ(piano().undoLabel(), "Modify Control");
    EXPECT_EQ(piano().journal.size(), 2u) << "the step and one value line";

    auto& p = static_cast<ProgramChangeEvent&>(pianoAt(3));
    f = prefillEventFields(p, &pianoAt(2), &pianoAt(1));
    f.program = 128;
    editEventFromFields(song, p, f);
    EXPECT_EQ(p.program(), 127);
    EXPECT_EQ(piano().undoLabel(), "Modify ProgramNo");

    auto& b = static_cast<PitchBendEvent&>(pianoAt(6));
    f = prefillEventFields(b, nullptr, nullptr);
    f.bend = -8192;
    editEventFromFields(song, b, f);
    EXPECT_EQ(b.rawBend(), 0);
    EXPECT_EQ(piano().undoLabel(), "Modify PitchBend");

    piano().undo();
    piano().undo();
    piano().undo();
    EXPECT_EQ((std::vector<int>{c.value(), p.program(), b.bend()}), (std::vector<int>{90, 5, 2048}));
    EXPECT_EQ(piano().undoCount(), 0);
}

TEST_F(EventEdit, ANewMetaTextIsOneUndoableStep) {
    anyEvent* end = song.track(0)->at(3);
    EventFields f = prefillEventFields(*end, nullptr, nullptr);
    f.metaText = "fine";
    f.bar = 2;
    EditedEvent edited = editEventFromFields(song, *end, f);
    EXPECT_NE(edited.event, end);
    EXPECT_EQ(edited.track, song.track(0));
    EXPECT_EQ(eventLine(*edited.event), "002:01:000 Text:<fine>");
    EXPECT_EQ(song.track(0)->positionOf(end), -1);
    EXPECT_EQ(song.track(0)->undoLabel(), "Modify MetaEvent");
    song.track(0)->undo();
    ASSERT_GE(song.track(0)->positionOf(end), 0) << "the very same event is back";
    EXPECT_EQ(eventLine(*end), "009:01:000 Text:<end>");
    EXPECT_EQ(song.track(0)->countEvents(), 4);

    // The same text at another time only moves the event.
    f = prefillEventFields(*end, nullptr, nullptr);
    f.bar = 4;
    EXPECT_EQ(editEventFromFields(song, *end, f).event, end);
    EXPECT_EQ(end->bar, 3);
}

TEST_F(EventEdit, EventsWithoutAPageCanOnlyBeMoved) {
    anyEvent* tempo = song.track(0)->at(2);
    EventFields f = prefillEventFields(*tempo, nullptr, nullptr);
    ASSERT_EQ(f.page, EventPage::cantEdit);
    f.beat = 3;
    f.channel = 9;  // ignored: a meta event has no channel
    editEventFromFields(song, *tempo, f);
    EXPECT_EQ(tempo->time, 960);
    EXPECT_EQ(tempo->status, 0xFF);
    EXPECT_EQ(song.track(0)->undoLabel(), "Modify Event");
    song.track(0)->undo();
    EXPECT_EQ(tempo->time, 0);

    // A page that does not fit the event is a program error, not an edit.
    f.page = EventPage::note;
    EXPECT_THROW(editEventFromFields(song, *tempo, f), MidiError);
}

TEST_F(EventEdit, DeleteAndUndoPutTheSameEventBack) {
    anyEvent* note = &pianoAt(4);
    const auto before = allLines();
    EXPECT_EQ(deleteListedEvent(song, *note), &piano());
    EXPECT_EQ(piano().positionOf(note), -1);
    EXPECT_EQ(piano().undoLabel(), "Delete Event");
    EXPECT_EQ(piano().countEvents(), piano().size()) << "the track is packed";
    piano().undo();
    EXPECT_EQ(piano().positionOf(note), 4);
    EXPECT_EQ(allLines(), before);

    NoteOnEvent stray(0, 0x90);
    try {
        deleteListedEvent(song, stray);
        ADD_FAILURE() << "no track holds the event";
    } catch (const MidiError& e) {
        EXPECT_EQ(e.message().rfind("Dooh! Internal Error!", 0), 0u);
    }
    EXPECT_THROW(editEventFromFields(song, stray, prefillEventFields(stray, nullptr, nullptr)), MidiError);
}

TEST_F(EventEdit, DeletedSignaturesNamesAndSysexAreForgottenWhenTheSongIsSaved) {
    // Saving releases the deleted events; the song must not keep pointing at them.
    Bytes t1 = cat({text(0, 0x03, "Lead"), at(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x03, 0xF7}), note(0, 0, 60, 10)});
    Bytes t0 = cat({text(0, 0x02, "(c) me"), at(0, {0xFF, 0x59, 0x02, 0x00, 0x00}), conductor(4)});
    load(song, smf(1, {t0, t1}));
    ASSERT_EQ(song.timeSignatures.size(), 1u);
    ASSERT_EQ(song.keySignatures.size(), 1u);
    ASSERT_EQ(song.sysexEvents.size(), 1u);
    ASSERT_NE(song.songCopyright, nullptr);
    std::vector<anyEvent*> doomed = {song.timeSignatures[0], song.keySignatures[0], song.sysexEvents[0],
                                     song.songCopyright, song.track(1)->nameEvent};
    for (anyEvent* e : doomed) deleteListedEvent(song, *e);
    save(song);
    EXPECT_TRUE(song.timeSignatures.empty());
    EXPECT_TRUE(song.keySignatures.empty());
    EXPECT_TRUE(song.sysexEvents.empty());
    EXPECT_EQ(song.songCopyright, nullptr);
    EXPECT_EQ(song.track(1)->nameEvent, nullptr);
    // What used them still works (under the address sanitizer this reads no freed memory).
    EXPECT_EQ(song.timeSignatureAt(100).beatsPerBar, 4);
    EXPECT_EQ(song.keySignatureAt(100), nullptr);
    EXPECT_EQ(song.masterTune(), 0);
    song.track(1)->setName("Solo");
    EXPECT_EQ(song.track(1)->nameEvent->text(), "Solo");
}

TEST(EventListPrefs, ReadsVersion0AndRefusesNewerOrDamagedFiles) {
    const WindowPlace place{10, 20, 640, 480};
    EventListPrefs p = readEventListPrefs(formatEventListPrefs(place));
    ASSERT_EQ(p.status, EventListPrefsStatus::read);
    EXPECT_EQ((std::vector<int>{p.place->top, p.place->left, p.place->width, p.place->height}),
              (std::vector<int>{10, 20, 640, 480}));
    EXPECT_EQ(formatEventListPrefs(place), (std::vector<std::string>{"0000", "10", "20", "640", "480"}));

    EXPECT_EQ(readEventListPrefs({"-1", "1", "2", "3", "4"}).status, EventListPrefsStatus::read);
    EventListPrefs newer = readEventListPrefs({"0001", "1", "2", "3", "4"});
    EXPECT_EQ(newer.status, EventListPrefsStatus::newerVersion);
    EXPECT_FALSE(newer.place);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {}, {"0000", "1", "2", "3"}, {"x", "1", "2", "3", "4"}, {"0000", "1", "two", "3", "4"}}) {
        EventListPrefs r = readEventListPrefs(bad);
        EXPECT_EQ(r.status, EventListPrefsStatus::unreadable) << bad.size();
        EXPECT_FALSE(r.place);
    }
}

// Add with no line to start from (an empty track lists none): the start of the bar asked for, the
// track's channel, the dialog's defaults; adding from those fields fills the empty track.
TEST(EventEditEmptyLine, FieldsStartAtTheBarOnTheTracksChannel) {
    midiSong song;
    // A track of nothing but its name: no channel, no line in any bar after the first.
    load(song, smf(1, {conductor(8), note(0, 2, 36, 240), text(0, 0x03, "Empty")}));
    ASSERT_EQ(song.trackCount(), 3);
    const EventFields bass = emptyLineFields(*song.track(1), 4);
    EXPECT_EQ(bass.bar, 5);
    EXPECT_EQ(bass.beat, 1);
    EXPECT_EQ(bass.tick, 0);
    EXPECT_EQ(bass.channel, 3);
    EXPECT_EQ(bass.page, EventPage::note);
    EXPECT_EQ(emptyLineFields(*song.track(2), 0).channel, 1);  // no channel yet
    EXPECT_EQ(emptyLineFields(*song.track(0), -3).bar, 1);

    midiTrack& empty = *song.track(2);
    ASSERT_EQ(empty.countEvents(), 1);
    EventFields f = emptyLineFields(empty, 2);
    f.page = EventPage::control;
    f.controller = 7;
    f.controlValue = 100;
    const AddedEvent added = addEventFromFields(song, empty, f);
    ASSERT_EQ(added.track, &empty);
    EXPECT_EQ(eventLine(*added.event).substr(0, 10), "003:01:000");
    EXPECT_EQ(added.event->channelOf(), 0);
    EXPECT_EQ(empty.undoLabel(), "Add Control");
    empty.undo();
    EXPECT_EQ(empty.countEvents(), 1);
}
