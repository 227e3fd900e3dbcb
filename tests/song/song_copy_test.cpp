// A copy of a song for hearing an edit first: same tracks and events, the original untouched.

#include <gtest/gtest.h>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"
#include "song/song_copy.h"

using namespace tonvela;
using namespace tonvela::test;

TEST(SongCopy, KeepsTracksEventsAndTheOriginalsJournals) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x8F, 0x00, 0xFF, 0x01, 0x01, 'x'},
                       {0x00, 0x90, 0x3C, 0x40, 0x83, 0x60, 0x80, 0x3C, 0x00},
                       {0x00, 0xB0, 0x07, 0x64},
                       {0x00, 0x91, 0x40, 0x50, 0x60, 0x81, 0x40, 0x00}}));
    // Edits that a save would not keep as they are: a journal, an emptied track, an event past
    // the bar table.
    midiTrack& t2 = *song.track(2);
    t2.beginUndoStep("X");
    t2.removeEventAt(0);
    t2.pack();
    auto* late = new NoteOnEvent(20000, 0x90);
    late->setRawNote(70);
    late->setRawVelocity(90);
    late->setDuration(10);
    song.track(1)->addEvent(late, true, true);
    const std::string before = dumpSong(song);
    const auto journal1 = song.track(1)->journal;

    auto copy = copySong(song);
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_EQ(song.track(1)->journal, journal1);
    EXPECT_EQ(copy->trackCount(), song.trackCount());
    EXPECT_EQ(dumpSong(*copy), before);
    EXPECT_EQ(copy->barStarts, song.barStarts);
    EXPECT_EQ(copy->track(2)->countEvents(), 0);
    for (int i = 0; i < copy->trackCount(); ++i) {
        EXPECT_TRUE(copy->track(i)->journal.empty());
        EXPECT_EQ(copy->track(i)->name, song.track(i)->name);
    }

    // A format 0 song keeps its split tracks in the copy.
    midiSong zero;
    load(zero, smf(0, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00, 0x00, 0x92, 0x40, 0x40, 0x60, 0x82, 0x40, 0x00}}));
    auto zcopy = copySong(zero);
    EXPECT_EQ(zcopy->format, 0);
    EXPECT_EQ(zcopy->trackCount(), zero.trackCount());
    EXPECT_EQ(dumpSong(*zcopy), dumpSong(zero));
}
