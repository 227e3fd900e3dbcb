#include <gtest/gtest.h>

#include "song_fixture.h"
#include "tools/statistics.h"

using namespace tonvela;
using namespace tonvela::test;

TEST(Statistics, ReportsSongAndTrackFiguresWithIntegerDivisions) {
    // Track 1: a chord 60+64 of a quarter at 0, then 67 for an eighth at 960.
    Bytes t1 = cat({at(0, {0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o'}), at(0, {0x90, 60, 100}),
                    at(0, {0x90, 64, 80}), at(480, {0x80, 60, 0}), at(0, {0x80, 64, 0}),
                    note(480, 0, 67, 240, 90)});
    midiSong song;
    load(song, smf(1, {conductor(1), t1}));
    const std::vector<std::string> lines = songStatistics(song);

    const midiTrack& track = *song.track(1);
    EXPECT_EQ(track.noteCount, 3);
    EXPECT_EQ(track.chordNotes, 1);
    EXPECT_EQ(track.meanVelocity, 90);

    const std::string events1 = std::to_string(song.track(1)->countEvents());
    const std::vector<std::string> expectedTrack1 = {
        "Track 1:" + events1 + " events",
        "Name Piano",
        " Note = 0 - 1200 Range = 1200",
        " Range/Song range = " + std::to_string(1200 * 100 / (song.songEnd - 0)) +
            "% Beat/Note Count = 83%",
        " Note Count = 3 Note Max = 67 Note Min = 60 Note Mean = 63 Note Deviation = 8",
        " Mean duration = 83% of Quater Dur Deviation = 5",
        "",
    };
    ASSERT_GE(lines.size(), 3u + expectedTrack1.size());
    EXPECT_EQ(lines[0], "Song Note = 0 - " + std::to_string(song.songEnd) +
                            " Range = " + std::to_string(song.songEnd));
    // Track 0 has no notes: two lines only.
    EXPECT_EQ(lines[1].rfind("Track 0:", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Name ", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), expectedTrack1);
}

TEST(Statistics, ASongWithoutNotesOrWithAZeroRangeDoesNotDivideByZero) {
    midiSong song;
    load(song, smf(1, {conductor(1), cat({note(0, 0, 60, 0)})}));
    std::vector<std::string> lines;
    ASSERT_NO_THROW(lines = songStatistics(song));
    EXPECT_FALSE(lines.empty());
    midiSong empty;
    load(empty, smf(1, {conductor(1)}));
    ASSERT_NO_THROW(lines = songStatistics(empty));
    EXPECT_EQ(lines.size(), 3u);  // song line, track 0 and its name
}
