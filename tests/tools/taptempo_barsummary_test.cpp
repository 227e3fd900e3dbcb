#include <gtest/gtest.h>

#include "song_fixture.h"
#include "tools/barsummary.h"
#include "tools/taptempo.h"

using namespace tonvela;
using namespace tonvela::test;

TEST(TapTempo, GapsAbove200MsUpTo3SecondsSetTheTempo) {
    const std::pair<int64_t, std::optional<int32_t>> gaps[] = {
        {500, 500000},    // 120 per minute
        {2000, 2000000},  // 30
        {3000, 3000000},  // 20: the upper end is accepted
        {3001, std::nullopt},
        {4000, std::nullopt},
        {200, std::nullopt},  // 300: the lower end is not
        {201, 201000},
    };
    for (auto [gap, tempo] : gaps) {
        TapTempo tap;
        EXPECT_EQ(tap.tap(10000), std::nullopt);  // the first tap only starts
        EXPECT_EQ(tap.tap(10000 + gap), tempo) << gap;
    }
}

TEST(TapTempo, EveryTapBecomesThePreviousOneAndForgetStartsOver) {
    TapTempo tap;
    tap.tap(0);
    EXPECT_EQ(tap.tap(5000), std::nullopt);   // too slow, but remembered
    EXPECT_EQ(tap.tap(5500), 500000);
    tap.forget();
    EXPECT_EQ(tap.tap(6000), std::nullopt);
    EXPECT_EQ(tap.tap(6600), 600000);
}

TEST(BarSummary, CountsSoundingNotesPerBarAndMarksProgramChanges) {
    Bytes t1;
    for (int i = 0; i < 12; ++i) t1 = cat({t1, note(i == 0 ? 0 : 0, 0, 60 + i, 100)});
    t1 = cat({at(0, {0xC0, 1}), t1, at(1920 - 1200 + 1920, {0xC0, 2})});  // bar 3: program only
    midiSong song;
    load(song, smf(1, {conductor(4), t1}));
    BarSummary s;
    s.build(song);
    EXPECT_EQ(s.tracks(), song.trackCount());
    EXPECT_EQ(s.bars(), static_cast<int>(song.barStarts.size()));
    EXPECT_EQ(s.cellText(1, 0), "12*");
    EXPECT_EQ(s.cellText(1, 1), "0");
    EXPECT_EQ(s.cellText(1, 2), "0*");
    EXPECT_EQ(s.notes(1, 0), 12);
    EXPECT_FALSE(s.hasProgram(1, 1));
    EXPECT_EQ(s.cellText(7, 0), "0");  // outside: empty
    EXPECT_EQ(s.widestCellText(), 3);
}
