#include <gtest/gtest.h>

#include "smf_builder.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

TEST(SmfReader, ErrorsForBrokenFiles) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::string message;
    };
    Bytes good = trackChunk({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00});
    std::vector<Case> cases = {
        {"empty file", {}, "Couldn't find MIDI Header block"},
        {"no header", cat({{'R', 'I', 'F', 'X'}, header(0, 1)}), "Couldn't find MIDI Header block"},
        {"header length 10", {'M', 'T', 'h', 'd', 0, 0, 0, 10, 0, 1, 0, 1, 1, 0xE0, 0, 0, 0, 0}, "Invalid header length"},
        {"format 2", cat({header(2, 1), good}), "Format2 is not supported"},
        {"fewer tracks than announced", cat({header(1, 2), good}), "Couldn't find MIDI Track block"},
        {"data byte without status", smf(0, {{0x00, 0x3C, 0x40}}), "Data chunk may be broken"},
        {"delta of five bytes", smf(0, {{0x81, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x01, 0x00}}), "Data may have been broken."},
        {"illegal status F4", smf(0, {{0x00, 0xF4}}), "Illegal status byte F4 in track 0 at tick 0"},
        {"illegal status FE", smf(0, {{0x10, 0xFE}}), "Illegal status byte FE in track 0 at tick 16"},
        {"SMPTE division", cat({header(0, 1, 0xE728), good}), "SMPTE time division is not supported"},
        {"division zero", cat({header(0, 1, 0), good}), "Invalid time base 0"},
        {"truncated note", cat({header(0, 1), {'M', 'T', 'r', 'k', 0, 0, 0, 3, 0x00, 0x90, 0x3C}}),
         "The file ends inside an event in track 0."},
        {"missing end of track", cat({header(0, 1), trackChunk({0x00, 0x90, 0x3C, 0x40}, false)}),
         "The file ends inside a variable-length number in track 0."},
        {"meta length past the end", cat({header(0, 1), trackChunk({0x00, 0xFF, 0x01, 0x7F, 'a'}, false)}),
         "The file ends inside a meta event in track 0."},
        {"sysex length past the end", cat({header(0, 1), trackChunk({0x00, 0xF0, 0x8F, 0x7F, 0x7E}, false)}),
         "The file ends inside a system exclusive message in track 0."},
        {"header cut short", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, "Invalid header length"},
        {"status byte inside a note", smf(0, {{0x00, 0x90, 0x3C, 0xB0, 0x07, 0x64}}), "Data chunk may be broken"},
        {"time beyond what a delta can reach", smf(0, {{0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00, 0x01, 0xFF, 0x01, 0x00}}),
         "Data may have been broken."},
    };
    for (const auto& c : cases) {
        midiSong song;
        try {
            load(song, c.bytes);
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const MidiError& e) {
            EXPECT_EQ(e.message(), c.message) << c.name;
        }
        EXPECT_TRUE(song.tracks.empty()) << c.name << ": a failed load keeps no partial song";
    }
}

// A damaged file says where it broke: the message stays the program's own text, the detail
// names the track and the tick (or the chunk) so the user can judge the damage.
TEST(SmfReader, BrokenTrackDataNamesItsPlace) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::string message;
        std::string text;  // messageWithDetail()
    };
    const Bytes good = trackChunk({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00});
    const std::vector<Case> cases = {
        {"data byte without status", cat({header(1, 2), good, trackChunk({0x83, 0x60, 0x3C, 0x40})}),
         "Data chunk may be broken", "Data chunk may be broken (data byte 3C without a status in track 1 at tick 480)"},
        {"status byte inside a note", smf(0, {{0x10, 0x90, 0x3C, 0xB0, 0x07, 0x64}}), "Data chunk may be broken",
         "Data chunk may be broken (status byte B0 inside a channel message in track 0 at tick 16)"},
        {"delta of five bytes", cat({header(1, 2), good, trackChunk({0x20, 0xFF, 0x01, 0x00, 0x81, 0x80, 0x80, 0x80, 0x00})}),
         "Data may have been broken.",
         "Data may have been broken. (variable-length number longer than four bytes in track 1 after tick 32)"},
        {"fewer tracks than announced", cat({header(1, 3), good, good}), "Couldn't find MIDI Track block",
         "Couldn't find MIDI Track block (track 2 of the 3 the header announces, at byte 54)"},
        {"illegal status", smf(0, {{0x10, 0xFE}}), "Illegal status byte FE in track 0 at tick 16",
         "Illegal status byte FE in track 0 at tick 16"},
    };
    for (const auto& c : cases) {
        midiSong song;
        try {
            load(song, c.bytes);
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const MidiError& e) {
            EXPECT_EQ(e.message(), c.message) << c.name;
            EXPECT_EQ(e.messageWithDetail(), c.text) << c.name;
        }
    }
}

TEST(SmfReader, ResetMessagesBecomeFlags) {
    struct Case {
        Bytes sysex;
        int flags;
        bool stays;
    } cases[] = {
        {{0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, 1, false},
        {{0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, 2, false},
        {{0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, 4, false},
        {{0xF0, 0x08, 0x43, 0x11, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, 0, true},  // device 1 is not recognised
    };
    for (const auto& c : cases) {
        midiSong song;
        Bytes ev = {0x00};
        ev.insert(ev.end(), c.sysex.begin(), c.sysex.end());
        load(song, smf(1, {ev}));
        EXPECT_EQ(song.systemFlags, c.flags);
        EXPECT_EQ(song.track(0)->countEvents(), c.stays ? 1 : 0);
        EXPECT_EQ(song.sysexEvents.size(), c.stays ? 1u : 0u);
    }
}

TEST(SmfReader, TracksTemposAndRunningStatus) {
    midiSong song;
    Bytes t0 = {0x00, 0xFF, 0x03, 0x01, 'A'};                          // name only
    Bytes t1 = {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40,              // running status
                0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // tempo at 496+..
                0x00, 0x80, 0x3C, 0x00, 0x00, 0x90, 0x3E, 0x00};       // 8n off and velocity-0 off
    Bytes t2 = {};                                                      // only end of track: dropped
    load(song, smf(1, {t0, t1, t2}));
    ASSERT_EQ(song.trackCount(), 2);
    EXPECT_EQ(song.track(0)->name, "A");
    EXPECT_EQ(describeTrack(*song.track(1)), (std::vector<std::string>{"0:6:60/496", "16:6:62/480"}));
    EXPECT_EQ(describeTrack(*song.track(0)), (std::vector<std::string>{"0:13", "496:14"}));
    EXPECT_EQ(song.track(1)->channelLabel, "[1]");
    EXPECT_EQ(song.track(1)->firstNoteTime, 0);
    EXPECT_EQ(song.firstNoteTime, 0);
}

TEST(SmfReader, EmptyFirstTrackIsKept) {
    midiSong song;
    load(song, smf(1, {{}, {0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}}));
    ASSERT_EQ(song.trackCount(), 2);
    EXPECT_EQ(song.track(0)->name, "Track0");
    EXPECT_EQ(song.firstNoteTime, 0);
}

TEST(SmfReader, RunningStatusContinuesAfterMetaEvents) {
    // Common in real files: the note after the text event uses the note-on status of before.
    midiSong song;
    load(song, smf(0, {{0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'x', 0x60, 0x3C, 0x00}}));
    EXPECT_EQ(describeTrack(*song.track(1)), (std::vector<std::string>{"0:6:60/96"}));
}

TEST(SmfReader, Format0SplitsByChannel) {
    midiSong song;
    load(song, smf(0, {{0x00, 0xFF, 0x03, 0x01, 'S', 0x00, 0x90, 0x3C, 0x40, 0x00, 0x99, 0x24, 0x64, 0x60, 0x80,
                        0x3C, 0x00, 0x00, 0x89, 0x24, 0x00, 0x10, 0xFF, 0x01, 0x00}}));
    ASSERT_EQ(song.trackCount(), 17);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.track(0)->countEvents(), 2);
    EXPECT_EQ(song.track(0)->endTime, 112);
    EXPECT_EQ(song.track(1)->channelLabel, "[1]");
    EXPECT_EQ(song.track(10)->channelLabel, "[10]");
    EXPECT_EQ(song.track(2)->channelLabel, "[--]");
    EXPECT_EQ(song.track(2)->name, "Track2");
    EXPECT_EQ(song.track(1)->endTime, 96);
    EXPECT_EQ(song.track(10)->firstNoteTime, 0);
    EXPECT_TRUE(song.track(10)->isDrum);
    EXPECT_FALSE(song.track(0)->channels.any());
}

TEST(SmfReader, CopyrightsAreJoinedForDisplayButKeptAsRead) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x02, 0x01, 'A'}, {0x00, 0xFF, 0x02, 0x01, 'B', 0x00, 0x90, 0x3C, 0x40}}));
    ASSERT_NE(song.songCopyright, nullptr);
    EXPECT_EQ(song.songCopyright->text(), "A");
    EXPECT_EQ(song.copyrightText(), "A B");
    EXPECT_EQ(song.track(1)->countEvents(), 2);
}

TEST(SmfReader, LengthFieldIsNotTrustedAndTrailingChunksAreIgnored) {
    midiSong song;
    Bytes chunk = trackChunk({0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00});
    chunk[7] = 0x55;  // wrong length
    load(song, cat({header(1, 1), chunk, {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2}}));
    EXPECT_EQ(song.track(0)->countEvents(), 1);
}

TEST(SmfReader, ForeignChunksBetweenTracksAreSkipped) {
    midiSong song;
    load(song, cat({header(1, 2), {'J', 'u', 'n', 'k', 0, 0, 0, 3, 1, 2, 3}, trackChunk({}),
                    trackChunk({0x00, 0x90, 0x3C, 0x40})}));
    EXPECT_EQ(song.trackCount(), 2);
}

TEST(SmfReader, RiffWrappedFileLoadsTheFileInside) {
    Bytes inner = smf(0, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}});
    uint32_t dataLen = static_cast<uint32_t>(inner.size());
    Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a',
                  static_cast<uint8_t>(dataLen), static_cast<uint8_t>(dataLen >> 8), 0, 0};
    riff.insert(riff.end(), inner.begin(), inner.end());
    midiSong song;
    load(song, riff);
    EXPECT_EQ(song.trackCount(), 17);
    EXPECT_EQ(describeTrack(*song.track(1)), (std::vector<std::string>{"0:6:60/96"}));

    midiSong empty;
    Bytes noData = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'};
    EXPECT_THROW(load(empty, noData), MidiError);
}

TEST(SmfReader, RecoveringLoadRepairsAndReports) {
    struct Case {
        const char* name;
        Bytes bytes;
        int tracks;
        std::string firstRepair;
    };
    std::vector<Case> cases = {
        {"track runs off the end", cat({header(1, 1), trackChunk({0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}, false)}), 1,
         "track 0: data ends before its end-of-track event; the track ends at tick 96"},
        {"more tracks announced than present", cat({header(1, 3), trackChunk({0x00, 0x90, 0x3C, 0x40})}), 1,
         "the header announces 3 tracks; the file holds 1"},
        {"junk before the header", cat({{1, 2, 3}, smf(1, {{0x00, 0x90, 0x3C, 0x40}})}), 1,
         "skipped 3 bytes before the header"},
        {"illegal status is skipped", smf(1, {{0x00, 0xF8, 0x00, 0x90, 0x3C, 0x40}}), 1,
         "track 0: skipped illegal status byte F8 at tick 0"},
        {"message cut short by a status byte", smf(1, {{0x00, 0x90, 0x3C, 0xB0, 0x07, 0x64}}), 1,
         "track 0: dropped a channel message cut short by status byte B0 at tick 0"},
        {"more chunks than announced", cat({header(1, 1), trackChunk({}), trackChunk({0x00, 0x90, 0x3C, 0x40})}), 2,
         "read track chunk 1 beyond the 1 the header announces"},
    };
    for (const auto& c : cases) {
        midiSong song;
        LoadReport r = load(song, c.bytes, true);
        EXPECT_EQ(song.trackCount(), c.tracks) << c.name;
        ASSERT_FALSE(r.repairs.empty()) << c.name;
        EXPECT_EQ(r.repairs[0], c.firstRepair) << c.name;
    }
}

// The status byte that cuts a message short starts the next message at the same tick: it has
// no delta time before it.
TEST(SmfReader, RecoveringLoadReadsOnFromTheStatusThatCutAMessageShort) {
    midiSong song;
    LoadReport r = load(song, smf(1, {{0x00, 0x90, 0x3C, 0x90, 0x3E, 0x64, 0x83, 0x60, 0x80, 0x3E, 0x00, 0x00, 0xB0, 0x07, 0x64}}),
                        true);
    ASSERT_EQ(r.repairs.size(), 1u);
    EXPECT_EQ(r.repairs[0], "track 0: dropped a channel message cut short by status byte 90 at tick 0");
    EXPECT_EQ(describeTrack(*song.track(0)), (std::vector<std::string>{"0:6:62/480", "480:5"}));
}

TEST(SmfReader, StrictLoadReportsNothingToRepair) {
    midiSong song;
    LoadReport r = load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40}}));
    EXPECT_TRUE(r.repairs.empty());
}
