#include <gtest/gtest.h>

#include "smf_builder.h"
#include "song/selection.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

// A two-track song in 3/4 (1440 ticks a bar) that ends at tick 3000: bars start at 0, 1440,
// 2880, and the table repeats its end (4320) for the grid's last column.
TEST(Selection, TicksCoverWholeBarsUpToTheLastColumnOfTheGrid) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x58, 0x04, 3, 2, 24, 8, 0x97, 0x38, 0xFF, 0x01, 0x00}, {0x00, 0xFF, 0x01, 0x00}}));
    ASSERT_EQ(song.barStarts, (std::vector<int32_t>{0, 1440, 2880, 4320, 4320}));
    struct Case {
        int firstBar, lastBar;
        TickRange ticks;
    } cases[] = {
        {0, 0, {0, 1439}},
        {1, 2, {1440, 4319}},
        {3, 3, {4320, 5759}},   // the repeated end entry: the bar after the table's last start
        {4, 4, {5760, 7199}},   // past the table: computed, never read outside it
        {2, 4, {2880, 7199}},
    };
    for (const auto& c : cases) {
        Selection s{1, 1, c.firstBar, c.lastBar};
        TickRange r = s.ticks(song);
        EXPECT_EQ(r.from, c.ticks.from) << c.firstBar << "-" << c.lastBar;
        EXPECT_EQ(r.to, c.ticks.to) << c.firstBar << "-" << c.lastBar;
    }
    EXPECT_TRUE((Selection{1, 1, 2, 1}).ticks(song).empty());
}

TEST(Selection, WholeSongSelectsEveryGridRowAndColumn) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x01, 0x00}, {0x00, 0xFF, 0x01, 0x00}, {0x00, 0xFF, 0x01, 0x00}}));
    Selection s = Selection::wholeSong(song);
    EXPECT_EQ(s, (Selection{1, 2, 0, static_cast<int>(song.barStarts.size()) - 1}));
    EXPECT_EQ((Selection{0, 9, 0, 0}).clippedTo(song), (Selection{0, 2, 0, 0}));
}

TEST(Selection, RangeFieldsShowTheLastTickOfTheLastBarAndReadBack) {
    midiSong song;
    // 3/4 from bar 1, 2/4 from bar 3 (tick 2880); ends at 6000.
    load(song, smf(1, {{0x00, 0xFF, 0x58, 0x04, 3, 2, 24, 8, 0x96, 0x40, 0xFF, 0x58, 0x04, 2, 2, 24, 8, 0xAE, 0x10,
                        0xFF, 0x01, 0x00},
                       {0x00, 0xFF, 0x01, 0x00}}));
    Selection s{1, 1, 1, 2};
    RangeFields f = rangeFieldsFor(song, s);
    EXPECT_EQ(f, (RangeFields{2, 1, 0, 3, 2, 479}));
    auto r = fieldsTickRange(song, f);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->from, 1440);
    EXPECT_EQ(r->to, 3839);
    EXPECT_EQ(r->to, s.ticks(song).to);
}

TEST(Selection, PositionsNoSongCanReachAreRefusedWithAMessage) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x01, 0x00}}));
    struct Case {
        int bar, beat, tick;
        bool ok;
    } cases[] = {{1, 1, 0, true},         {99999999, 1, 0, false}, {0, 1, 0, false}, {1, 0, 0, false},
                 {1, 1, -1, false},       {1000000, 1, 0, true},   {1, 65537, 0, false},
                 {1, 1, 0x1000000, false}};
    for (const auto& c : cases) {
        std::string error;
        auto t = positionTime(song, c.bar, c.beat, c.tick, &error);
        EXPECT_EQ(t.has_value(), c.ok) << c.bar << ":" << c.beat << ":" << c.tick;
        EXPECT_EQ(error.empty(), c.ok) << error;
    }
}

// The grid of the 3/4 song has columns for bars 0..3 (the last one the table's repeated entry).
TEST(Selection, OneBarStepsStayInsideTheGridAndKeepABar) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x58, 0x04, 3, 2, 24, 8, 0x97, 0x38, 0xFF, 0x01, 0x00}, {0x00, 0xFF, 0x01, 0x00}}));
    ASSERT_EQ(song.barStarts.size(), 5u);
    using S = SelectionStep;
    struct Case {
        int firstBar, lastBar;
        S step;
        int wantFirst, wantLast;
    } cases[] = {
        {1, 2, S::extendLeft, 0, 2},  {0, 2, S::extendLeft, 0, 2},  {1, 2, S::extendRight, 1, 3},
        {1, 3, S::extendRight, 1, 3}, {1, 2, S::shiftLeft, 0, 1},   {0, 1, S::shiftLeft, 0, 1},
        {1, 2, S::shiftRight, 2, 3},  {2, 3, S::shiftRight, 2, 3},  {1, 3, S::shrinkLeft, 2, 3},
        {2, 2, S::shrinkLeft, 2, 2},  {1, 3, S::shrinkRight, 1, 2}, {2, 2, S::shrinkRight, 2, 2},
    };
    for (const Case& c : cases) {
        const Selection s = stepSelection(song, Selection{1, 2, c.firstBar, c.lastBar}, c.step);
        EXPECT_EQ(s, (Selection{1, 2, c.wantFirst, c.wantLast})) << c.firstBar << "-" << c.lastBar << " "
                                                                   << static_cast<int>(c.step);
    }
}
