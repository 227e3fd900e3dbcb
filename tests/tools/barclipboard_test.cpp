#include <gtest/gtest.h>

#include <algorithm>

#include "song_fixture.h"
#include "tools/barclipboard.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// Track 1 (channel 1): a note in bar 1, in bar 2 a note, a controller, a bend and a text
// event, in bar 3 a program change and a note, a note in bar 4. Track 2 (channel 3): one note
// in bar 1. Bars counted from 1 here, from 0 in the model.
Bytes song8Bars() {
    Bytes t1 = cat({note(0, 0, 48, 100),
                    note(1920 + 100 - 100, 0, 60, 240),      // 2020, bar 2
                    at(0, {0xB0, 1, 64}),                    // 2260
                    at(20, {0xE0, 0x00, 0x50}),              // 2280
                    at(0, {0xFF, 0x01, 0x02, 'h', 'i'}),     // 2280
                    at(1920, {0xC0, 12}),                    // 4200, bar 3
                    note(0, 0, 64, 480),                     // 4200
                    note(1920, 0, 67, 10)});                 // 6600, bar 4
    Bytes t2 = note(0, 2, 36, 100);
    return smf(1, {conductor(8), t1, t2});
}

std::vector<std::string> timesAndKinds(const midiTrack& t, int fromTime = 0) {
    std::vector<std::string> out;
    for (const anyEvent* e : t.events())
        if (e && e->time >= fromTime)
            out.push_back(std::to_string(e->time) + ":" + std::to_string(e->kind()) + ":ch" +
                          std::to_string(e->channelOf()));
    return out;
}

}  // namespace

TEST(BarClipboard, CopyBars2To3AndPasteAtBar6OfAnotherTrackOnItsChannel) {
    midiSong song;
    load(song, song8Bars());
    BarClipboard clip(song);
    EXPECT_EQ(clip.copy(Selection{1, 1, 1, 2}), 5);  // note, controller, bend, program, note
    const auto before = timesAndKinds(*song.track(2));

    EXPECT_EQ(clip.paste(Selection::cell(2, 5)), 5);
    const int32_t bar6 = 5 * 1920;
    EXPECT_EQ(timesAndKinds(*song.track(2), bar6),
              (std::vector<std::string>{
                  std::to_string(bar6 + 100) + ":6:ch2", std::to_string(bar6 + 340) + ":5:ch2",
                  std::to_string(bar6 + 360) + ":9:ch2", std::to_string(bar6 + 2280) + ":10:ch2",
                  std::to_string(bar6 + 2280) + ":6:ch2"}));
    // The source is unchanged by Copy.
    EXPECT_EQ(song.track(1)->undoCount(), 0);

    EXPECT_EQ(song.track(2)->undoLabel(), "Paste");
    song.track(2)->undo();
    EXPECT_EQ(timesAndKinds(*song.track(2)), before);
}

TEST(BarClipboard, PasteCanBeRepeatedAndKeepsChannelsOnATrackWithoutChannel) {
    midiSong song;
    load(song, song8Bars());
    BarClipboard clip(song);
    clip.copy(Selection::cell(1, 3));  // the note of bar 4
    midiTrack& conductorTrack = *song.track(0);
    ASSERT_EQ(conductorTrack.firstChannel(), 255);
    clip.paste(Selection::cell(0, 0));
    clip.paste(Selection::cell(0, 1));
    EXPECT_FALSE(clip.empty());
    std::vector<int> noteTimes;
    for (const anyEvent* e : conductorTrack.events())
        if (e->kind() == kindNote) {
            noteTimes.push_back(e->time);
            EXPECT_EQ(e->channelOf(), 0);
        }
    EXPECT_EQ(noteTimes, (std::vector<int>{840, 2760}));  // 6600 is 840 into bar 4
}

TEST(BarClipboard, CutRemovesChannelEventsAndLeavesMetaEventsUndoRestores) {
    midiSong song;
    load(song, song8Bars());
    BarClipboard clip(song);
    midiTrack& t = *song.track(1);
    const auto before = timesAndKinds(t);
    EXPECT_EQ(clip.cut(Selection{1, 1, 1, 2}), 5);
    EXPECT_EQ(timesAndKinds(t), (std::vector<std::string>{"0:6:ch0", "2280:16:ch-1", "6600:6:ch0"}));
    EXPECT_EQ(t.undoLabel(), "Cut");
    t.undo();
    // Undo puts events back after the others of their tick, so compare as sets.
    auto after = timesAndKinds(t);
    auto expected = before;
    std::sort(after.begin(), after.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);
    // What was cut can be pasted back.
    clip.paste(Selection::cell(1, 1));
    EXPECT_EQ(t.countEvents(), static_cast<int>(before.size()) + 5);
}

TEST(BarClipboard, ASelectionOutsideTheSongsTracksDoesNothing) {
    midiSong song;
    load(song, song8Bars());
    BarClipboard clip(song);
    EXPECT_EQ(clip.copy(Selection{1, 1, 0, 7}), 7);  // every channel event of track 1
    for (int track : {-1, 3, 99}) {
        EXPECT_EQ(clip.cut(Selection::cell(track, 1)), 0) << track;
        EXPECT_EQ(clip.paste(Selection::cell(track, 1)), 0) << track;
    }
    EXPECT_FALSE(clip.empty()) << "a refused copy keeps the buffer";
    for (int i = 0; i < song.trackCount(); ++i) EXPECT_EQ(song.track(i)->undoCount(), 0) << i;
}
