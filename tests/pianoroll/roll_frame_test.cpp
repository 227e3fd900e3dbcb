#include <gtest/gtest.h>

#include "pianoroll/roll_frame.h"
#include "roll_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// 3/4 (1440 ticks a bar) ending at tick 3000: bars start at 0, 1440, 2880 and the table repeats
// its end, 4320, for the grid's last column.
void loadThreeFour(midiSong& song) {
    load(song, smf(1, {{0x00, 0xFF, 0x58, 0x04, 3, 2, 24, 8, 0x97, 0x38, 0xFF, 0x01, 0x00}, {0x00, 0xFF, 0x01, 0x00}}));
    ASSERT_EQ(song.barStarts, (std::vector<int32_t>{0, 1440, 2880, 4320, 4320}));
}

}  // namespace

// The end of the shown time is the start of the bar after the last shown bar, computed without
// reading past the bar table, and always after the start, up to the last grid column.
TEST(RollFrame, ShownTimeEndsAtTheNextBarEvenAtTheLastGridColumn) {
    midiSong song;
    loadThreeFour(song);
    struct Case {
        int firstBar, lastBar;
        int32_t start, end;
        bool notes;
    } cases[] = {
        {0, 0, 0, 1440, true},
        {0, 3, 0, 5760, true},
        {2, 2, 2880, 4320, true},   // the next-to-last column: its end is the table's repeated entry
        {3, 3, 4320, 5760, false},  // the last column: notes are not drawn, the scale still holds
        {3, 4, 4320, 7200, false},  // past the grid
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstBar);
        auto t = shownTime(song, Selection{1, 1, c.firstBar, c.lastBar});
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->start, c.start);
        EXPECT_EQ(t->end, c.end);
        EXPECT_EQ(notesShownFor(song, Selection{1, 1, c.firstBar, c.lastBar}), c.notes);
    }
    EXPECT_FALSE(shownTime(song, Selection{1, 1, 2, 1}).has_value());
    EXPECT_FALSE(shownTime(song, Selection{1, 1, -1, 0}).has_value());
}

TEST(RollFrame, TimeScaleIsExactIn64BitsForLongSongsAndWidePanes) {
    RollFrame f;
    f.viewStart = 1000;
    f.viewEnd = 2'000'001'000;
    f.width = 4000;
    EXPECT_EQ(f.x(1000), 0);
    EXPECT_EQ(f.x(1'000'001'000), 2000);  // (t - start) * width would overflow 32 bits
    EXPECT_EQ(f.x(2'000'000'999), 3999);
    EXPECT_EQ(f.x(2'000'001'000), 4000);
    // The Part's grid scale: one tick less.
    EXPECT_EQ(f.gridX(2'000'000'999), 4000);
    for (int px : {0, 1, 1999, 2000, 3999, 4000}) {
        const int32_t t = f.timeAt(px);
        EXPECT_GE(f.x(t), px) << px;
        if (t > f.viewStart) {
            EXPECT_LT(f.x(t - 1), px) << px;
        }
    }
}

TEST(RollFrame, KeyRowsFollowTheFixedMappingAndKeyAtInvertsIt) {
    for (int h : {128, 300, 517}) {
        RollFrame f;
        f.height = h;
        for (int key = 0; key < 128; ++key) {
            EXPECT_EQ(f.keyTop(key), h * (127 - key) / 128);
            EXPECT_EQ(f.keyBottom(key), h * (128 - key) / 128);
        }
        EXPECT_EQ(f.keyLineY(32), h - h * 32 / 128);
        for (int y = 0; y < h; ++y) {
            const int k = f.keyAt(y);
            EXPECT_LE(f.keyTop(k), y) << h << " " << y;
            // A row can be empty when the pane has fewer pixels than keys; then the next one holds y.
            if (f.keyBottom(k) > f.keyTop(k)) {
                EXPECT_GT(f.keyBottom(k), y) << h << " " << y;
            }
        }
    }
    // Zoomed to two octaves from C 3.
    RollFrame z;
    z.keyLow = 48;
    z.keyCount = 24;
    z.height = 240;
    EXPECT_EQ(z.keyTop(71), 0);
    EXPECT_EQ(z.keyBottom(48), 240);
    EXPECT_EQ(z.keyAt(5), 71);
    EXPECT_EQ(z.keyAt(235), 48);
    EXPECT_EQ(z.keyAt(-50), 71);
    EXPECT_EQ(z.keyAt(1000), 48);
}

TEST(RollFrame, LaneBarsFollowTheFixedLevels) {
    const Lane vel{LaneKind::velocity, 0}, mod{LaneKind::controller, 1}, bend{LaneKind::pitchBend, 0};
    const int h = 100;
    struct Case {
        Lane lane;
        int value;
        LaneSpan span;
    } cases[] = {
        {vel, 127, {0, 100}},         // 100 * 1 / 128
        {vel, 1, {99, 100}},
        {mod, 0, {99, 100}},          // 100 - 1
        {mod, 127, {-1, 100}},
        {bend, 0, {50, 100}},         // from the centre line to the bottom
        {bend, 16383, {0, 50}},       // from near the top to the centre
        {bend, 8192, {49, 51}},       // a two-pixel mark at the centre
        {bend, 12288, {25, 50}},
    };
    for (const Case& c : cases) {
        const LaneSpan s = laneSpan(c.lane, c.value, h);
        EXPECT_EQ(s.top, c.span.top) << c.value;
        EXPECT_EQ(s.bottom, c.span.bottom) << c.value;
    }
}

TEST(RollFrame, APenSetsTheValueWhoseBarReachesIt) {
    const Lane vel{LaneKind::velocity, 0}, mod{LaneKind::controller, 1}, bend{LaneKind::pitchBend, 0};
    for (int v = 1; v <= 127; ++v) EXPECT_EQ(laneValueAt(vel, laneSpan(vel, v, 256).top, 256), v);
    for (int v = 0; v <= 127; ++v) EXPECT_EQ(laneValueAt(mod, laneSpan(mod, v, 256).top, 256), v);
    for (int raw : {0, 100, 4000, 12000, 16383}) {
        const LaneSpan s = laneSpan(bend, raw, 512);
        const int level = raw < 8192 ? s.bottom : s.top;
        EXPECT_NEAR(laneValueAt(bend, level, 512), raw, 32) << raw;  // one pixel is 32 raw steps
    }
    EXPECT_EQ(laneValueAt(bend, 256, 512), 8192);
    EXPECT_EQ(laneValueAt(vel, 500, 256), 1);    // never a note off
    EXPECT_EQ(laneValueAt(vel, -20, 256), 127);
    EXPECT_EQ(laneValueAt(bend, 0, 512), 16383);
    EXPECT_EQ(laneValueAt(bend, 512, 512), 0);
}

TEST(RollFrame, LaneGridLinesAndTabs) {
    const Lane bend = laneForTab(1, 0);
    const std::vector<int> bends = laneGridValues(bend);
    ASSERT_EQ(bends.size(), 16u);
    EXPECT_EQ(bends.front(), -8192);
    EXPECT_EQ(bends.back(), 7168);
    EXPECT_EQ(laneLineY(bend, -8192, 300), 300);
    EXPECT_EQ(laneLineY(bend, 0, 300), 300 - 8192 * 300 / 16383);
    const Lane vol = laneForTab(3, 0);
    EXPECT_EQ(laneGridValues(vol), (std::vector<int>{0, 32, 64, 96}));
    EXPECT_EQ(laneLineY(vol, 64, 127), 63);

    struct Tab {
        const char* caption;
        Lane lane;
    } tabs[] = {
        {"Vel", {LaneKind::velocity, 0}},      {"P.B.", {LaneKind::pitchBend, 0}},
        {"Mod", {LaneKind::controller, 1}},    {"Vol", {LaneKind::controller, 7}},
        {"Pan", {LaneKind::controller, 10}},   {"Expr", {LaneKind::controller, 11}},
        {"H.C.", {LaneKind::controller, 71}},  {"Bright", {LaneKind::controller, 74}},
        {"Other Control", {LaneKind::controller, 93}},
    };
    for (int i = 0; i < kLaneTabCount; ++i) {
        EXPECT_STREQ(laneTabCaption(i), tabs[i].caption);
        EXPECT_EQ(laneForTab(i, 93), tabs[i].lane) << i;
    }
}

// Crowded lines and labels thin out: lane lines by halves around the centre line, bar lines by
// fours, bar numbers from every fifth bar to every power-of-two-th line.
TEST(RollFrame, GridsThinOutAsTheyCrowd) {
    const Lane bend{LaneKind::pitchBend, 0}, vol{LaneKind::controller, 7};
    struct LaneCase {
        Lane lane;
        int height;
        std::vector<int> kept;  // of the lane's grid values
    } lanes[] = {
        {vol, 300, {0, 32, 64, 96}},
        {vol, 40, {0, 64}},
        {bend, 400, {-8192, -7168, -6144, -5120, -4096, -3072, -2048, -1024, 0, 1024, 2048, 3072, 4096, 5120, 6144, 7168}},
        {bend, 150, {-8192, -6144, -4096, -2048, 0, 2048, 4096, 6144}},
        {bend, 40, {-8192, 0}},
    };
    for (const LaneCase& c : lanes) {
        const int step = laneGridStep(c.lane, c.height, 14);
        std::vector<int> kept;
        for (int v : laneGridValues(c.lane))
            if (laneGridKeeps(c.lane, v, step)) kept.push_back(v);
        EXPECT_EQ(kept, c.kept) << c.height;
        for (size_t i = 1; i < kept.size(); ++i)
            EXPECT_GE(laneLineY(c.lane, kept[i - 1], c.height) - laneLineY(c.lane, kept[i], c.height), 14) << c.height;
    }

    struct BarCase {
        double pixelsPerBar;
        int lineStep;
        bool fifths;
        int numberStep;
    } bars[] = {
        {250, 1, true, 1},       // four bars in a wide pane: every line, numbers 5, 10, ...
        {8, 1, true, 1},         // the narrowest bars with a line each
        {7.5, 4, false, 8},      // lines per four bars, numbers 1, 9, 17, ...
        {3, 4, false, 16},
        {1000.0 / 1543, 16, false, 64},  // a long song in a 1000 pixel pane
        {0, 1 << 28, false, 1 << 29},    // degenerate: nothing but the first bar
    };
    for (const BarCase& c : bars) {
        const BarGridPlan p = planBarGrid(c.pixelsPerBar, 36);
        EXPECT_EQ(p.lineStep, c.lineStep) << c.pixelsPerBar;
        EXPECT_EQ(p.fifths, c.fifths) << c.pixelsPerBar;
        if (!c.fifths) {
            EXPECT_EQ(p.numberStep, c.numberStep) << c.pixelsPerBar;
        }
    }
    const BarGridPlan near = planBarGrid(250, 36), far = planBarGrid(3, 36);
    EXPECT_TRUE(near.lined(1));
    EXPECT_TRUE(near.numbered(4));  // bar 5
    EXPECT_FALSE(near.numbered(0));
    EXPECT_TRUE(far.lined(4));      // bar 5
    EXPECT_FALSE(far.lined(5));
    EXPECT_TRUE(far.numbered(16));  // bar 17
    EXPECT_FALSE(far.numbered(4));
}

TEST(RollFrame, NoteValuesAndSnapping) {
    EXPECT_STREQ(noteValueName(NoteValue::quarter), "Quater Note");
    EXPECT_STREQ(noteValueName(NoteValue::thirtySecond), "32th Note");
    const int32_t at480[] = {1920, 960, 480, 240, 120, 60, 30};
    for (int i = 0; i < kNoteValueCount; ++i) EXPECT_EQ(noteValueTicks(static_cast<NoteValue>(i), 480), at480[i]);
    EXPECT_EQ(noteValueTicks(NoteValue::sixtyFourth, 24), 1);
    EXPECT_EQ(noteValueTicks(NoteValue::sixtyFourth, 1), 1);

    midiSong song;
    load(song, smf(1, {conductor(4)}));
    struct Case {
        int32_t t, grid;
        bool down;
        int32_t snapped;
    } fourFour[] = {
        {239, 480, false, 0}, {240, 480, false, 480}, {479, 480, true, 0}, {1919, 1920, false, 1920},
        {-5, 480, false, 0},  {100, 1, false, 100},   {100, 0, false, 100},
    };
    for (const Case& c : fourFour) EXPECT_EQ(snapTime(song, c.t, c.grid, c.down), c.snapped) << c.t;

    // 3/8 bars (720 ticks) with a quarter-note grid: every bar start is a grid line.
    midiSong odd;
    load(odd, smf(1, {cat({at(0, {0xFF, 0x58, 0x04, 3, 3, 24, 8}), at(2880, {0xFF, 0x01, 0x00})})}));
    ASSERT_EQ(odd.barStarts[1], 720);
    Case threeEight[] = {{700, 480, false, 720}, {1000, 480, false, 1200}, {1400, 480, false, 1440},
                         {1400, 480, true, 1200}, {500, 480, false, 480}};
    for (const Case& c : threeEight) EXPECT_EQ(snapTime(odd, c.t, c.grid, c.down), c.snapped) << c.t;
    // Past the bar table the grid goes on from the last bar.
    EXPECT_EQ(snapTime(odd, 100000 + 10, 480, false) % 240, 0);
}
