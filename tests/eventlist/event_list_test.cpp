// The lines of the event list: their text, their order across tracks and bars, the lookup of an
// event's line, and the helpers the list windows share.

#include <gtest/gtest.h>

#include "eventlist/event_list.h"
#include "eventlist/list_helpers.h"
#include "eventlist_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

std::vector<std::string> lines(const EventList& list) {
    std::vector<std::string> out;
    for (const anyEvent* e : list.rows()) out.push_back(eventLine(*e));
    return out;
}

}  // namespace

TEST(EventLine, ShowsPositionAndDescriptionAndHidesTheSerial) {
    midiSong song;
    load(song, pianoAndBass());
    struct Case {
        int track, position;
        uint32_t serial;
        const char* full;
        const char* shown;
    };
    const Case cases[] = {
        {1, 4, 42, "001:01:000 -0000000042-Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0480",
         "001:01:000 Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0480"},
        {1, 5, 7, "001:02:000 -0000000007-Chn = 01 Ctrl Chg:Data  90 Main Volume(7)",
         "001:02:000 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)"},
        {1, 6, 4000000000u, "002:01:000 -4000000000-Chn = 01 PitchBend:Value  2048 ",
         "002:01:000 Chn = 01 PitchBend:Value  2048 "},
        {0, 0, 1, "001:01:000 -0000000001-Track Name:<Song>", "001:01:000 Track Name:<Song>"},
    };
    for (const Case& c : cases) {
        anyEvent* e = song.track(c.track)->at(c.position);
        e->serial = c.serial;
        const std::string full = eventLineWithSerial(*e);
        EXPECT_EQ(full, c.full);
        EXPECT_EQ(eventLine(*e), c.shown);
        // The shown line is the full one without its serial part.
        EXPECT_EQ(full.substr(0, 11) + full.substr(23), c.shown);
    }
}

TEST(EventList, ListsTheSelectedTracksInTimeAndCreationOrder) {
    midiSong song;
    load(song, pianoAndBass());
    EventList list;
    list.fill(song, 1, 2, 0, -1);
    EXPECT_EQ(lines(list), (std::vector<std::string>{
                               "001:01:000 Track Name:<Piano>",
                               "001:01:000 Chn = 01 Ctrl Chg:Data   1 Bank Select MSB(0)",
                               "001:01:000 Chn = 01 Ctrl Chg:Data   2 Bank Select LSB(32)",
                               "001:01:000 Chn = 01 Prog Chg:Prog No   5 Electric Piano2",
                               "001:01:000 Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0480",
                               "001:01:000 Track Name:<Bass>",
                               "001:01:000 Chn = 03 Note ON:Key 036[ C 2] Vel = 080 Dur = 0240",
                               "001:02:000 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)",
                               "002:01:000 Chn = 01 PitchBend:Value  2048 ",
                               "002:01:000 Chn = 03 Note ON:Key 038[ D 2] Vel = 090 Dur = 0240",
                           }));
    // One track, one bar.
    list.fill(song, 2, 2, 1, 1);
    EXPECT_EQ(lines(list), (std::vector<std::string>{"002:01:000 Chn = 03 Note ON:Key 038[ D 2] Vel = 090 Dur = 0240"}));
    // Bars past the song and tracks past the last one list nothing and fail nothing.
    list.fill(song, 1, 99, 500, 600);
    EXPECT_TRUE(list.empty());
}

TEST(EventList, KeepsTimeOrderPastBar999WhereTextOrderBreaks) {
    // Bars 999, 1000 and 1001: as text "1000:..." sorts before "999:...".
    Bytes t1 = cat({note(998u * 1920, 0, 60, 10), note(1910, 0, 61, 10), note(1910, 0, 62, 10)});
    midiSong song;
    load(song, smf(1, {conductor(1002), t1}));
    EventList list;
    list.fill(song, 1, 1, 0, -1);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(eventLine(*list.at(0)).substr(0, 11), "999:01:000 ");
    EXPECT_EQ(eventLine(*list.at(1)).substr(0, 12), "1000:01:000 ");
    EXPECT_EQ(eventLine(*list.at(2)).substr(0, 12), "1001:01:000 ");
}

TEST(EventList, OrdersATrackWhoseSlotsAreOutOfOrderOrEmpty) {
    midiSong song;
    load(song, pianoAndBass());
    midiTrack& piano = *song.track(1);
    // Undo restores a moved time without reordering the track.
    anyEvent* bend = piano.at(6);
    piano.beginUndoStep("Move");
    piano.moveEvent(bend, -1920);
    piano.sortEvents();
    piano.undo();
    // An empty slot left by an operation in progress.
    piano.deleteEventAt(1);
    EventList list;
    list.fill(song, 1, 2, 0, -1);
    for (int i = 1; i < list.size(); ++i) EXPECT_TRUE(eventLess(list.at(i - 1), list.at(i))) << i;
    EXPECT_EQ(list.size(), 9);
    EXPECT_EQ(list.at(7), bend);
    piano.pack();
}

TEST(EventList, FindsTheRowOfEveryListedEventAndNoneOfOthers) {
    midiSong song;
    load(song, pianoAndBass());
    EventList list;
    list.fill(song, 1, 2, 0, -1);
    for (int row = 0; row < list.size(); ++row) EXPECT_EQ(list.rowOf(list.at(row)), row);
    EXPECT_EQ(list.rowOf(song.track(0)->at(0)), -1);  // the conductor track is not listed
    EXPECT_EQ(list.rowOf(nullptr), -1);

    // Events of different tracks with the same time and serial (as copies of one can be).
    song.track(2)->at(1)->serial = song.track(1)->at(4)->serial;
    list.fill(song, 1, 2, 0, 0);
    EXPECT_EQ(list.at(list.rowOf(song.track(2)->at(1))), song.track(2)->at(1));
    EXPECT_EQ(list.at(list.rowOf(song.track(1)->at(4))), song.track(1)->at(4));
}

TEST(ListHelpers, RestoredRowPrefersTheSameItemThenTheSameLineThenTheLast) {
    int item = 0;
    struct Case {
        ListSelection before;
        int rows, rowOfItem, expected;
    };
    const Case cases[] = {
        {{3, &item}, 10, 7, 7},    // the item moved
        {{3, &item}, 10, -1, 3},   // the item is gone: same line number
        {{9, &item}, 5, -1, 4},    // and the list became shorter: the last line
        {{-1, nullptr}, 5, -1, -1},  // nothing was selected
        {{2, &item}, 0, -1, -1},   // nothing to select
    };
    for (const Case& c : cases) EXPECT_EQ(restoredRow(c.before, c.rows, c.rowOfItem), c.expected) << c.before.row;
}

TEST(ListHelpers, NoteListOfATrackAndItsLines) {
    midiSong song;
    load(song, pianoAndBass());
    const midiTrack& bass = *song.track(2);
    auto both = notesInRange(bass, Selection{2, 2, 0, 1}.ticks(song));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(noteLine(*both[0]), "001:01:000  C 2 080 0240");
    EXPECT_EQ(noteLine(*both[1]), "002:01:000  D 2 090 0240");
    // The range ends one tick before the next bar: the note at the start of bar 2 is not in bar 1.
    EXPECT_EQ(notesInRange(bass, Selection{2, 2, 0, 0}.ticks(song)).size(), 1u);
    EXPECT_EQ(notesInRange(bass, Selection{2, 2, 1, 1}.ticks(song)).size(), 1u);
}

TEST(ListHelpers, TrackNamesInTrackOrder) {
    midiSong song;
    load(song, pianoAndBass());
    EXPECT_EQ(trackNames(song), (std::vector<std::string>{"Song", "Piano", "Bass"}));
}
