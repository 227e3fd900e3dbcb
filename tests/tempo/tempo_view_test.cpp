#include <gtest/gtest.h>

#include "settings/preffile.h"
#include "tempo/tempo_view.h"
#include "tempo/tempowin_prefs.h"
#include "tempo_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

TEST(TempoView, TheScaleRuns300To20BpmTopToBottom) {
    const TempoFrame f{{0, 7679}, 800, 560};
    // 120 bpm lies 180/280 of the height from the top.
    EXPECT_EQ(f.y(120), 360);
    EXPECT_EQ(f.y(300), 0);
    EXPECT_EQ(f.y(20), 560);
    EXPECT_EQ(f.gridY(20), 560);
    EXPECT_EQ(f.gridY(300), 0);
    EXPECT_EQ(f.x(0), 0);
    EXPECT_EQ(f.x(7679), 800);
    EXPECT_EQ(f.x(1920), 200);  // 800 * 1920 / 7679
    // Notes scale the span to the next bar's start.
    EXPECT_EQ(f.noteX(1920), 200);
    EXPECT_EQ(f.noteX(7680), 800);
    EXPECT_EQ(f.keyTop(127), 0);
    EXPECT_EQ(f.keyBottom(0), 560);
    // The cursor reads the picture back.
    EXPECT_EQ(f.bpmAt(0), 300);
    EXPECT_EQ(f.bpmAt(560), 20);
    EXPECT_EQ(f.bpmAt(280), 160);
    EXPECT_EQ(f.tickAt(0), 0);
    EXPECT_EQ(f.tickAt(400), 3839);
    EXPECT_EQ(f.tickAt(800), 7679);
}

// Changes closer than 9 pixels to the last marker (in both directions) get a small rectangle.
TEST(TempoView, ChangesCloserThanNinePixelsShareAMarker) {
    midiSong song;
    // One pixel per tick and per bpm: 120 bpm at 100, 108 (8 pixels right of the marker at 100)
    // and 109 (9 right); 125 bpm at 300 (a marker), 130 at 302 (5 pixels up, 2 right: a small
    // rectangle), 135 at 304 (10 pixels up from the marker: a marker).
    load(song, tempoSong(8, {{0, 600000}, {100, 500000}, {108, 500000}, {109, 500000}, {300, 480000},
                             {302, 461538}, {304, 444444}}));
    const TempoFrame f{{50, 2000 + 50}, 2000, 280};
    const TempoCurve c = tempoCurve(*song.track(0), f);
    EXPECT_EQ(c.startBpm, 100);  // the change at 0 lies before the range
    ASSERT_EQ(c.points.size(), 6u);
    // y: 120 bpm 180, 125 bpm 175, 130 bpm 170, 135 bpm 165.
    const bool markers[] = {true, false, true, true, false, true};
    const int ys[] = {180, 180, 180, 175, 170, 165};
    for (size_t i = 0; i < c.points.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.points[i].marker, markers[i]);
        EXPECT_EQ(c.points[i].y, ys[i]);
        EXPECT_EQ(c.points[i].x, c.points[i].time - 50);
    }
}

TEST(TempoView, TheCurveStartsAt120UntilATempoChangeIsMetAndStopsAtTheRangeEnd) {
    midiSong song;
    load(song, tempoSong(4, {{1920, 400000}, {5760, 300000}}));
    const TempoFrame bar1{{0, 1919}, 400, 280};
    EXPECT_EQ(tempoCurve(*song.track(0), bar1).startBpm, 120);
    EXPECT_TRUE(tempoCurve(*song.track(0), bar1).points.empty());
    const TempoFrame bars2to3{{1920, 5759}, 400, 280};
    const TempoCurve c = tempoCurve(*song.track(0), bars2to3);
    EXPECT_EQ(c.startBpm, 120);
    ASSERT_EQ(c.points.size(), 1u);
    EXPECT_EQ(c.points[0].bpm, 150);
    EXPECT_EQ(c.points[0].x, 0);
    EXPECT_EQ(tempoMarkerHint(*c.points[0].event), "002:01:000 150");
    EXPECT_EQ(tempoCursorText(song, 1920 + 480 * 2 + 7), "2:3:7");

    // Tempos off the scale sit on its edges.
    midiSong fast;
    load(fast, tempoSong(2, {{0, 150000}, {960, 6000000}}));
    const TempoCurve edges = tempoCurve(*fast.track(0), TempoFrame{{0, 3839}, 400, 280});
    ASSERT_EQ(edges.points.size(), 2u);
    EXPECT_EQ(edges.points[0].bpm, 400);
    EXPECT_EQ(edges.points[0].y, 0);
    EXPECT_EQ(edges.points[1].bpm, 10);
    EXPECT_EQ(edges.points[1].y, 280);
}

// The notes of the selected tracks that start in the selected bars, on the notes' time scale.
TEST(TempoView, NotesBehindTheCurveAreThoseOfTheSelectedTracksAndBars) {
    midiSong song;
    load(song, smf(1, {cat({at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08})}),
                       cat({note(0, 0, 64, 960), note(960, 0, 60, 1920)}),   // bar 1 and bar 2
                       cat({note(1920, 1, 127, 480)})}));                    // bar 2
    const Selection bar2{1, 2, 1, 1};
    const TempoFrame f{bar2.ticks(song), 480, 256};
    const std::vector<TempoNoteBox> boxes = tempoNoteBoxes(song, bar2, f);
    ASSERT_EQ(boxes.size(), 2u);
    // Key 60 from 1920 for a whole bar: x 0 to 480, rows 2 * 67 to 2 * 68.
    EXPECT_EQ(boxes[0].left, 0);
    EXPECT_EQ(boxes[0].right, 480);
    EXPECT_EQ(boxes[0].top, 134);
    EXPECT_EQ(boxes[0].bottom, 136);
    EXPECT_EQ(boxes[1].top, 0);
    EXPECT_EQ(boxes[1].right, 120);
    EXPECT_TRUE(tempoNoteBoxes(song, Selection{2, 2, 0, 0}, TempoFrame{Selection{2, 2, 0, 0}.ticks(song), 480, 256}).empty());
}

TEST(TempoView, TempowinPrefsKeepPlaceAndGridAndRefuseNewerVersions) {
    const std::vector<std::string> lines = formatTempoWindowPrefs(WindowPlace{10, 20, 640, 400}, false);
    EXPECT_EQ(lines, (std::vector<std::string>{"0000", "10", "20", "640", "400", "0"}));
    std::string error;
    TempoWindowPrefs p = readTempoWindowPrefs(lines, &error);
    EXPECT_TRUE(error.empty());
    ASSERT_TRUE(p.place);
    EXPECT_EQ(p.place->top, 10);
    EXPECT_EQ(p.place->left, 20);
    EXPECT_EQ(p.place->width, 640);
    EXPECT_EQ(p.place->height, 400);
    EXPECT_FALSE(p.showGrid);

    // A file without the grid line keeps the grid on.
    p = readTempoWindowPrefs({"0000", "1", "2", "3", "4"}, &error);
    EXPECT_TRUE(p.showGrid);
    EXPECT_TRUE(p.place);

    p = readTempoWindowPrefs({"0001", "1", "2", "3", "4", "0"}, &error);
    EXPECT_EQ(error, kNewerPrefVersion);
    EXPECT_FALSE(p.place);
    EXPECT_TRUE(p.showGrid);
}
