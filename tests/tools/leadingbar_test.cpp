#include <gtest/gtest.h>

#include "song_fixture.h"
#include "tools/leadingbar.h"

using namespace tonvela;
using namespace tonvela::test;

TEST(MakeLeadingBar, NotesAtZeroAndLaterEventsMoveOneBarSettingsAtZeroStay) {
    Bytes t1 = cat({at(0, {0xC0, 5}), at(0, {0xB0, 7, 100}), note(0, 0, 60, 480),
                    at(0, {0xB0, 11, 90}), note(0, 0, 62, 240)});
    midiSong song;
    load(song, smf(1, {conductor(2), t1}));
    const auto before1 = describeTrack(*song.track(1));

    EXPECT_EQ(makeLeadingBar(song), 1920);

    // Track 1: program and volume at 0 stay, the note from 0 goes to 1920, later events +1920.
    EXPECT_EQ(describeTrack(*song.track(1)),
              (std::vector<std::string>{"0:10", "0:5", "1920:6:60/480", "2400:5", "2400:6:62/240"}));
    EXPECT_EQ(song.track(1)->firstNoteTime, 1920);
    EXPECT_EQ(song.track(1)->at(2)->bar, 1);
    // Track 0: tempo and time signature at 0 stay; the text at the end moves.
    bool movedEnd = false, tempoAtZero = false;
    for (const anyEvent* e : song.track(0)->events()) {
        if (e->kind() == kindTempo) tempoAtZero = e->time == 0;
        if (e->kind() == kindText) movedEnd = e->time == 2 * 1920 + 1920;
    }
    EXPECT_TRUE(tempoAtZero);
    EXPECT_TRUE(movedEnd);

    ASSERT_NE(song.track(1)->undoCount(), 0);
    EXPECT_EQ(song.track(1)->undoLabel(), "Make Leading Bar");
    song.track(1)->undo();
    song.track(1)->sortEvents();
    EXPECT_EQ(describeTrack(*song.track(1)), before1);
}

TEST(MakeLeadingBar, ShiftIsTheLengthOfTheFirstBar) {
    // 3/4 at 480: the first bar is 1440 ticks.
    Bytes t0 = cat({at(0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08})});
    midiSong song;
    load(song, smf(1, {t0, note(0, 0, 60, 100)}));
    EXPECT_EQ(makeLeadingBar(song), 1440);
    EXPECT_EQ(song.track(1)->at(0)->time, 1440);
}
