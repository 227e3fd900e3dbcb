#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>

#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "pianoroll/editwin.h"
#include "pianoroll/keyruler.h"
#include "pianoroll/rolllane.h"
#include "pianoroll/rollplane.h"
#include "settings/preffile.h"
#include "song/dump.h"
#include "song/midispec.h"
#include "song/song.h"
#include "mouse_steps.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

// The song's dump with every track in time order (undo restores times without reordering).
std::string orderedDump(tonvela::midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) song.track(i)->sortEvents();
    return tonvela::dumpSong(song);
}

// The n-th sounding note of a track in list order.
tonvela::NoteOnEvent* nthNote(const tonvela::midiSong& song, int track, int n) {
    for (tonvela::anyEvent* e : song.track(track)->events())
        if (e && e->kind() == tonvela::kindNote && n-- == 0) return static_cast<tonvela::NoteOnEvent*>(e);
    return nullptr;
}

std::vector<std::string> notesOf(const tonvela::midiSong& song, int track) {
    std::vector<std::string> out;
    for (const tonvela::anyEvent* e : song.track(track)->events()) {
        if (!e || e->kind() != tonvela::kindNote) continue;
        auto* n = static_cast<const tonvela::NoteOnEvent*>(e);
        out.push_back(std::to_string(n->time) + ":" + std::to_string(n->note()) + "/" +
                      std::to_string(n->duration()) + "/" + std::to_string(n->velocity()));
    }
    return out;
}

// A lane's events in a track as "time:value/channel" (bends raw), in list order.
std::vector<std::string> laneOf(const tonvela::midiSong& song, int track, const tonvela::Lane& lane) {
    std::vector<std::string> out;
    for (const tonvela::anyEvent* e : song.track(track)->events())
        if (e && tonvela::inLane(*e, lane))
            out.push_back(std::to_string(e->time) + ":" + std::to_string(tonvela::laneValue(*e, lane)) + "/" +
                          std::to_string(e->channelOf()));
    return out;
}

bool processUntil(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Two tracks of four bars: Lead on channel 1 (keys 60, 62, 64 in bar 1, 67 in bar 3, a pitch bend
// of 0 raw and one of 16383 in bar 2), Pad on channel 2 (key 48 through bar 1, an Expression
// controller in bar 4).
Bytes twoTracks() {
    Bytes lead = cat({trackName("Lead"), note(0, 0, 60, 240), note(0, 0, 62, 240), note(0, 0, 64, 240),
                      at(720, {0xE0, 0x00, 0x00}), at(480, {0xE0, 0x7F, 0x7F}), note(1920, 0, 67, 480)});
    Bytes pad = cat({trackName("Pad"), note(0, 1, 48, 1920), at(3840, {0xB1, 11, 100})});
    return smf(1, {conductor(4), lead, pad});
}

// A piano roll over a bare song, shown at a known size.
class PianoRollTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UiPrompts::install(&prompts);
        ctx.folders_.settings = dir.path() + "/";
        ctx.loadSong(twoTracks());
        ctx.selection_ = {1, 2, 0, 3};
        roll = std::make_unique<TEditWindow>(ctx.tool);
        ctx.tools.push_back(roll.get());
        roll->resize(1000, 700);
        roll->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        ctx.tools.clear();
        roll.reset();
        UiPrompts::install(nullptr);
    }
    tonvela::midiSong& song() { return *ctx.song_; }
    QRect rectOf(int track, int n) { return roll->Image1->noteRect(nthNote(song(), track, n)); }
    QImage plane() { return roll->Image1->grab().toImage(); }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    FakeEditorContext ctx;
    std::unique_ptr<TEditWindow> roll;
};

bool white(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }

}  // namespace

// What the window shows follows the selection; the picture keeps the fixed mapping of time and
// keys at its full view.
TEST_F(PianoRollTest, ShowsTheNotesOfTheSelectedTracksAndBarsOnTheFixedScale) {
    EXPECT_EQ(roll->windowTitle(), "Piano Roll");
    const tonvela::RollFrame f = roll->Image1->frame();
    EXPECT_EQ(f.viewStart, 0);
    EXPECT_EQ(f.viewEnd, 4 * 1920);
    const int w = roll->Image1->width(), h = roll->Image1->height();
    // The Pad note spans bar 1: x from 0 to (1920 - 0) * w / 7680, rows of key 48.
    EXPECT_EQ(rectOf(2, 0), QRect(0, h * (127 - 48) / 128, static_cast<int>(1920LL * w / 7680), h * (128 - 48) / 128 - h * (127 - 48) / 128));
    const QImage img = plane();
    EXPECT_FALSE(white(img.pixel(centreOf(rectOf(1, 0)))));  // Lead
    EXPECT_FALSE(white(img.pixel(centreOf(rectOf(2, 0)))));  // Pad
    // Shown bars 1-4: their lines are drawn (dotted, so look along the line), bar 5 has none.
    auto blackInColumn = [&](const QImage& i, int x) {
        for (int y = 0; y < i.height() / 4; ++y)
            if (qGray(i.pixel(x, y)) < 60) return true;
        return false;
    };
    const int bar2 = static_cast<int>(f.gridX(1920));
    EXPECT_TRUE(blackInColumn(img, bar2));
    // The number 5 would stand centred on the right edge, above the lines.
    bool numberAtEnd = false;
    for (int x = w - 8; x < w; ++x)
        for (int y = 0; y < roll->Image1->fontMetrics().ascent(); ++y) numberAtEnd = numberAtEnd || qGray(img.pixel(x, y)) < 60;
    EXPECT_FALSE(numberAtEnd);
    // Without the grid only notes and values remain.
    roll->ShowGrid->setChecked(false);
    EXPECT_FALSE(blackInColumn(plane(), bar2));

    // Another selection: only track 1, bar 3.
    ctx.setSelection({1, 1, 2, 2});
    EXPECT_EQ(roll->state().shown, (tonvela::Selection{1, 1, 2, 2}));
    EXPECT_EQ(roll->Image1->frame().viewStart, 3840);
    EXPECT_FALSE(rectOf(1, 3).isEmpty());
    EXPECT_FALSE(white(plane().pixel(centreOf(rectOf(1, 3)))));
}

TEST_F(PianoRollTest, BendLaneDrawsFromTheCentreLineAndOtherControlShowsItsList) {
    EXPECT_FALSE(roll->ComboBox1->isVisible());
    EXPECT_EQ(roll->ComboBox1->count(), 128);
    roll->TabControl1->setCurrentIndex(1);  // "P.B."
    EXPECT_EQ(roll->TabControl1->tabText(1), "P.B.");
    QCoreApplication::processEvents();
    const QImage lane = roll->ImageBottom->grab().toImage();
    const tonvela::RollFrame f = roll->state().frame(roll->ImageBottom->width(), roll->ImageBottom->height());
    const int h = lane.height();
    const int x0 = static_cast<int>(f.x(1440)), x1 = static_cast<int>(f.x(1920));
    auto blue = [&](int x, int y) {
        const QRgb c = lane.pixel(x, y);
        return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
    };
    // Raw 0 reaches from the centre to the bottom; 16383 from near the top to the centre.
    EXPECT_TRUE(blue(x0, h * 3 / 4));
    EXPECT_FALSE(blue(x0, h / 4));
    EXPECT_TRUE(blue(x1, h / 4));
    EXPECT_FALSE(blue(x1, h * 3 / 4));

    roll->TabControl1->setCurrentIndex(8);  // "Other Control"
    EXPECT_TRUE(roll->ComboBox1->isVisible());
    roll->ComboBox1->setCurrentIndex(11);
    EXPECT_EQ(roll->state().lane, (tonvela::Lane{tonvela::LaneKind::controller, 11}));
    roll->TabControl1->setCurrentIndex(0);
    EXPECT_FALSE(roll->ComboBox1->isVisible());
}

// Choosing, moving with snapping, lengthening, adding and deleting by hand; every gesture is
// one undo step that brings the song back.
TEST_F(PianoRollTest, GesturesEditTheSongAndUndoRestoresIt) {
    const std::string before = orderedDump(song());
    const tonvela::RollFrame f = roll->Image1->frame();
    auto xOf = [&](int32_t t) { return static_cast<int>(f.x(t)); };
    const int row = f.keyBottom(60) - f.keyTop(60);
    ASSERT_GE(row, 3);

    // Click chooses one note, Shift+click adds another.
    QTest::mouseClick(roll->Image1, Qt::LeftButton, {}, centreOf(rectOf(1, 0)));
    QTest::mouseClick(roll->Image1, Qt::LeftButton, Qt::ShiftModifier, centreOf(rectOf(1, 1)));
    EXPECT_EQ(roll->state().chosen.size(), 2u);

    // Drag them right by a bit more than a quarter note and up two keys: the move snaps to
    // sixteenths, so they land exactly a quarter note later.
    const QPoint grab = centreOf(rectOf(1, 0));
    drag(roll->Image1, grab, grab + QPoint(xOf(480 + 20) - xOf(0), -2 * row));
    EXPECT_EQ(notesOf(song(), 1),
              (std::vector<std::string>{"480:62/240/100", "480:64/240/100", "720:64/240/100", "3840:67/480/100"}));
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Move>");
    EXPECT_TRUE(song().track(1)->isSorted());
    EXPECT_EQ(ctx.edits, 1);

    // Alt drags freely.
    tonvela::NoteOnEvent* last = nthNote(song(), 1, 3);
    roll->choose({{1, last}});
    const QPoint p = centreOf(roll->Image1->noteRect(last));
    drag(roll->Image1, p, p + QPoint(30, 0), Qt::AltModifier);
    EXPECT_GT(last->time, 3840);
    EXPECT_NE((last->time - 3840) % 120, 0);

    // Dragging the right end lengthens; the end snaps to the grid.
    roll->choose({{2, nthNote(song(), 2, 0)}});
    const QRect pad = rectOf(2, 0);
    drag(roll->Image1, QPoint(pad.right() - 1, pad.center().y()), QPoint(xOf(2400 + 30), pad.center().y()));
    EXPECT_EQ(notesOf(song(), 2), std::vector<std::string>{"0:48/2400/100"});
    EXPECT_EQ(song().track(2)->undoLabel(), "Piano Roll <Length>");

    // Ctrl+click adds a sixteenth, velocity 100, to the current track at the grid line before.
    const QPoint there(xOf(5 * 480 + 50), (f.keyTop(72) + f.keyBottom(72)) / 2);
    QTest::mouseClick(roll->Image1, Qt::LeftButton, Qt::ControlModifier, there);
    const std::vector<std::string> withNew = notesOf(song(), 1);
    EXPECT_NE(std::find(withNew.begin(), withNew.end(), "2400:72/120/100"), withNew.end());
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Add>");
    ASSERT_EQ(roll->state().chosen.size(), 1u);  // the new note is chosen

    // Delete removes the chosen notes.
    QTest::keyClick(roll->Image1, Qt::Key_Delete);
    EXPECT_EQ(notesOf(song(), 1).size(), 4u);
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Delete>");

    // The window's Undo takes the steps back, newest first, each in its own track.
    int undone = 0;
    while (roll->ActionUndo->isEnabled() && undone < 10) {
        roll->ActionUndo->trigger();
        ++undone;
    }
    EXPECT_EQ(undone, 5);
    EXPECT_EQ(orderedDump(song()), before);
}

TEST_F(PianoRollTest, RubberBandChoosesAndTheLanePenSetsTheirVelocities) {
    roll->Splitter1->setSizes({330, 300});  // a lane high enough for every velocity to have its row
    QCoreApplication::processEvents();
    ASSERT_GE(roll->ImageBottom->height(), 128);
    const tonvela::RollFrame f = roll->Image1->frame();
    // A band around the three Lead notes of bar 1 (keys 60-64), not the Pad note (48).
    const QPoint a(1, f.keyTop(66)), b(static_cast<int>(f.x(960)), f.keyBottom(59));
    drag(roll->Image1, a, b);
    EXPECT_EQ(roll->state().chosen.size(), 3u);

    const tonvela::Lane expression{tonvela::LaneKind::controller, 11};
    // A flat line across the lane at the height of velocity 40 sets the chosen notes only.
    const int h = roll->ImageBottom->height();
    const int y = tonvela::laneSpan(roll->state().lane, 40, h).top;
    drag(roll->ImageBottom, QPoint(0, y), QPoint(roll->ImageBottom->width() - 1, y));
    EXPECT_EQ(notesOf(song(), 1),
              (std::vector<std::string>{"0:60/240/40", "240:62/240/40", "480:64/240/40", "3840:67/480/100"}));
    EXPECT_EQ(notesOf(song(), 2), std::vector<std::string>{"0:48/1920/100"});
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Velocity>");

    // The other lanes draw new values: a stroke in the Expr lane goes to the current track (Lead,
    // channel 1) and leaves the Pad's controller on channel 2 alone.
    roll->choose({});
    roll->TabControl1->setCurrentIndex(5);
    drag(roll->ImageBottom, QPoint(0, h - 2), QPoint(roll->ImageBottom->width() - 1, h - 2));
    EXPECT_EQ(laneOf(song(), 2, expression), std::vector<std::string>{"5760:100/1"});
    EXPECT_EQ(laneOf(song(), 1, expression).size(), 64u);  // every sixteenth of four bars
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Control>");
}

// Drawing where a lane has no values: a drag writes one value per snap-grid cell, rising with the
// pen; a click sets one value; in the bend lane the values under the drag are replaced. Each is
// one undo step, and the window's Undo takes them back.
TEST_F(PianoRollTest, DrawingInALaneAddsValuesAtTheSnapGridAndUndoTakesItBack) {
    roll->Splitter1->setSizes({330, 300});
    QCoreApplication::processEvents();
    RollLane* lane = roll->ImageBottom;
    const int h = lane->height();
    ASSERT_GE(h, 128);
    const tonvela::RollFrame f = roll->state().frame(lane->width(), h);
    auto xOf = [&](int32_t t) { return static_cast<int>(f.x(t)) + 1; };
    const std::string before = orderedDump(song());
    const tonvela::Lane modulation{tonvela::LaneKind::controller, 1}, volume{tonvela::LaneKind::controller, 7};

    // Mod: from the floor at the start of bar 1 to the top at beat 3, in sixteenths.
    roll->TabControl1->setCurrentIndex(2);
    ASSERT_TRUE(laneOf(song(), 1, modulation).empty());
    hover(lane, QPoint(xOf(0), h / 2));
    EXPECT_TRUE(roll->statusText().endsWith(QString::fromUtf8("\u2192 Lead, channel 1"))) << roll->statusText().toStdString();
    drag(lane, QPoint(xOf(0), h - 1), QPoint(xOf(960), 0));
    const std::vector<std::string> drawn = laneOf(song(), 1, modulation);
    ASSERT_EQ(drawn.size(), 9u);  // 0, 120, ..., 960
    EXPECT_EQ(drawn.front(), "0:0/0");
    EXPECT_TRUE(drawn.back().starts_with("960:12")) << drawn.back();  // read where the pen passed 960
    int previous = -1;
    for (const std::string& v : drawn) {
        const int value = std::stoi(v.substr(v.find(':') + 1));
        EXPECT_GE(value, previous) << v;
        previous = value;
    }
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Control>");
    EXPECT_TRUE(song().track(2)->journal.empty());

    // A click in Vol sets one value at the grid line before it.
    roll->TabControl1->setCurrentIndex(3);
    const int y64 = tonvela::laneSpan(volume, 64, h).top;
    QTest::mouseClick(lane, Qt::LeftButton, {}, QPoint(xOf(1920 + 130), y64));
    EXPECT_EQ(laneOf(song(), 1, volume), std::vector<std::string>{"2040:64/0"});

    // P.B.: a flat line at the centre across bar 2 replaces the two bends there.
    roll->TabControl1->setCurrentIndex(1);
    const tonvela::Lane bend{tonvela::LaneKind::pitchBend, 0};
    ASSERT_EQ(laneOf(song(), 1, bend), (std::vector<std::string>{"1440:0/0", "1920:16383/0"}));
    drag(lane, QPoint(xOf(1400), h / 2), QPoint(xOf(1950), h / 2));
    const std::vector<std::string> bends = laneOf(song(), 1, bend);
    ASSERT_EQ(bends.size(), 6u);  // 1320 ... 1920
    for (const std::string& v : bends) EXPECT_TRUE(v.ends_with(":8192/0")) << v;
    EXPECT_EQ(song().track(1)->undoLabel(), "Piano Roll <Bend>");

    int undone = 0;
    while (roll->ActionUndo->isEnabled() && undone < 10) {
        roll->ActionUndo->trigger();
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(orderedDump(song()), before);
}

// A song of 1,200 bars with the grid on: bar lines thin out instead of turning the plane into
// stripes, and the keys of the plane's lines stand in the key ruler, not on the notes.
TEST_F(PianoRollTest, OnALongSongTheGridThinsOutAndNoLabelSitsOnTheNotes) {
    Bytes lead = trackName("Lead");
    for (int bar = 0; bar < 1200; ++bar) lead = cat({lead, note(0, 0, 64, 1920)});  // on the line at key 64
    ctx.loadSong(smf(1, {conductor(1200), lead}));
    ctx.selection_ = {1, 1, 0, 1199};
    roll->songReplaced();
    roll->refreshFromEditor();
    QCoreApplication::processEvents();
    const QImage img = plane();
    const tonvela::RollFrame f = roll->Image1->frame();
    // Columns crossed by a dotted bar line, looked for in an empty band of keys (100-110).
    std::vector<bool> lineAt(static_cast<size_t>(img.width()), false);
    int lined = 0;
    for (int x = 0; x < img.width(); ++x) {
        int dark = 0;
        for (int y = f.keyTop(110); y < f.keyBottom(100); ++y) dark += qGray(img.pixel(x, y)) < 60;
        lineAt[static_cast<size_t>(x)] = dark > 0;
        lined += dark > 0;
    }
    EXPECT_GT(lined, 0);
    EXPECT_LE(lined, img.width() / tonvela::kMinBarLinePixels + 1);
    // No key label at the plane's left edge, where notes start: only the lines.
    for (int key : {32, 96}) {
        const int y = f.keyLineY(key);
        int ink = 0;
        for (int x = 0; x < 26; ++x)
            for (int dy = -6; dy <= 6; ++dy)
                if (dy != 0 && !lineAt[static_cast<size_t>(x)]) ink += qGray(img.pixel(x, y + dy)) < 60;
        EXPECT_EQ(ink, 0) << key;
    }
    // The ruler names the line beside the keyboard.
    const QImage ruler = roll->Ruler->grab().toImage();
    const int y64 = f.keyLineY(64);
    int ink = 0;
    for (int x = 0; x < ruler.width(); ++x)
        for (int y = std::max(0, y64 - 6); y < std::min(ruler.height(), y64 + 6); ++y) ink += qGray(ruler.pixel(x, y)) < 60;
    EXPECT_GT(ink, 10);
}

TEST_F(PianoRollTest, ZoomScrollAndTheNoteUnderTheMouse) {
    const int w = roll->Image1->width();
    roll->zoomTime(4.0, 0);
    tonvela::RollFrame f = roll->Image1->frame();
    EXPECT_EQ(f.viewStart, 0);
    EXPECT_EQ(f.viewEnd - f.viewStart, 1920);
    EXPECT_EQ(roll->TimeScroll->maximum(), 7680 - 1920);
    roll->TimeScroll->setValue(roll->TimeScroll->maximum());
    EXPECT_EQ(roll->Image1->frame().viewStart, 5760);

    // Keys: zooming keeps the key under the mouse where it was.
    const int y = (f.keyTop(64) + f.keyBottom(64)) / 2;
    roll->zoomKeys(4.0, y);
    f = roll->Image1->frame();
    EXPECT_EQ(f.keyCount, 32);
    EXPECT_EQ(f.keyAt(y), 64);
    QTest::keyClick(roll->Image1, Qt::Key_0);
    f = roll->Image1->frame();
    EXPECT_EQ(f.keyCount, 128);
    EXPECT_EQ(f.viewEnd - f.viewStart, 7680);
    QTest::keyClick(roll->Image1, Qt::Key_Plus);
    EXPECT_LT(roll->Image1->frame().viewEnd - roll->Image1->frame().viewStart, 7680);

    // Ctrl+wheel zooms the time.
    QTest::keyClick(roll->Image1, Qt::Key_0);
    QWheelEvent wheel(QPointF(w / 2, 10), roll->Image1->mapToGlobal(QPointF(w / 2, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(roll->Image1, &wheel);
    EXPECT_LT(roll->Image1->frame().viewEnd - roll->Image1->frame().viewStart, 7680);
    QTest::keyClick(roll->Image1, Qt::Key_0);

    // The status bar names the note under the mouse.
    hover(roll->Image1, centreOf(rectOf(1, 2)));
    EXPECT_TRUE(roll->statusText().startsWith("E 4 (64)  001:02:000  Vel 100  Len 240  Lead"))
        << roll->statusText().toStdString();
}

TEST_F(PianoRollTest, DrumTracksNameTheirKeysAsDrums) {
    ctx.loadSong(smf(1, {conductor(2), cat({trackName("Drums"), note(0, 9, 38, 120)})}));
    ctx.selection_ = {1, 1, 0, 1};
    roll->songReplaced();
    roll->refreshFromEditor();
    ASSERT_TRUE(song().track(1)->isDrum);
    EXPECT_TRUE(roll->state().drum);
    hover(roll->Image1, centreOf(rectOf(1, 0)));
    EXPECT_TRUE(roll->statusText().startsWith(QString::fromStdString(tonvela::MIDISpec::drumNoteName(38))))
        << roll->statusText().toStdString();
}

TEST_F(PianoRollTest, SelectionButtonsMoveTheEditorsSelection) {
    ctx.selection_ = {1, 2, 1, 2};
    roll->refreshFromEditor();
    roll->ActionSelLeft->trigger();
    EXPECT_EQ(ctx.selection_, (tonvela::Selection{1, 2, 0, 2}));
    roll->ActionMoveRight->trigger();
    EXPECT_EQ(ctx.selection_, (tonvela::Selection{1, 2, 1, 3}));
    roll->ActionShrinkRight->trigger();
    EXPECT_EQ(ctx.selection_, (tonvela::Selection{1, 2, 1, 2}));
    EXPECT_EQ(roll->state().shown, (tonvela::Selection{1, 2, 1, 2}));  // followed at once
}

TEST_F(PianoRollTest, PlaceAndPaneHeightAreKeptInPnrollPrf) {
    roll->move(40, 50);
    roll->resize(820, 640);
    roll->Splitter1->setSizes({300, 200});
    QCoreApplication::processEvents();
    const int pane = roll->Panel4->height();
    ctx.tools.clear();
    roll.reset();
    const auto lines = tonvela::readPrefLines((dir.path() + "/pnroll.prf").toStdString());
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 6u);
    EXPECT_EQ((*lines)[0], "001");
    EXPECT_EQ((*lines)[3], "820");
    EXPECT_EQ((*lines)[4], "640");
    EXPECT_EQ((*lines)[5], std::to_string(pane));

    // Read back when the window is made.
    TEditWindow again(ctx);
    again.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(again.width(), 820);
    EXPECT_EQ(again.Panel4->height(), pane);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(PianoRollTest, ANewerPnrollPrfIsRefusedWithItsMessage) {
    tonvela::writePrefLines((dir.path() + "/pnroll.prf").toStdString(), {"002", "10", "10", "300", "200", "100"});
    TEditWindow newer(ctx);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, "Illegal data version.  Get latest version of MIDI Tonvela.");
    EXPECT_NE(newer.width(), 300);
}

// The whole editor: the Window menu opens the piano roll on the selection, a drag moves a note a
// bar later, the bar grid follows, and Undo of the Edit menu puts it back.
TEST_F(EditorTest, ADragInThePianoRollIsUndoneByTheEditMenu) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->MIDIDrawGrid11->setSelection(1, 1, 4, 2);
    w->refreshSelectionViews();
    w->updateActions();
    ASSERT_TRUE(w->ActionPianoRoll->isEnabled());
    w->ActionPianoRoll->trigger();
    auto* roll = w->tools().find<TEditWindow>();
    ASSERT_NE(roll, nullptr);
    EXPECT_TRUE(roll->isVisible());
    EXPECT_EQ(roll->state().shown, (tonvela::Selection{1, 2, 0, 3}));
    roll->resize(900, 600);
    QCoreApplication::processEvents();

    tonvela::midiSong& song = *w->song();
    const std::string before = orderedDump(song);
    tonvela::NoteOnEvent* n = nullptr;  // the one note of bar 3
    for (tonvela::anyEvent* e : song.track(1)->events())
        if (e->kind() == tonvela::kindNote && e->bar == 2) n = static_cast<tonvela::NoteOnEvent*>(e);
    ASSERT_NE(n, nullptr);
    ASSERT_EQ(n->time, 3840);
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(3, 1), "1");
    const tonvela::RollFrame f = roll->Image1->frame();
    const QPoint from = centreOf(roll->Image1->noteRect(n));
    drag(roll->Image1, from, from + QPoint(static_cast<int>(f.x(1920) - f.x(0)), 0));
    EXPECT_EQ(n->time, 3840 + 1920);
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(3, 1), "0");
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(4, 1), "1");

    w->updateActions();
    ASSERT_TRUE(w->ActionUndo->isEnabled());
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Piano Roll <Move>>");
    w->ActionUndo->trigger();
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(3, 1), "1");
    EXPECT_EQ(orderedDump(song), before);
}

TEST_F(EditorTest, ThePianoRollPlaysTheShownPartThroughTheDevice) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->selectCell(1, 2);  // bar 3 of Piano: one note
    w->ActionPianoRoll->trigger();
    auto* roll = w->tools().find<TEditWindow>();
    ASSERT_NE(roll, nullptr);
    ASSERT_TRUE(roll->Button1->isEnabled());
    roll->Button1->click();
    EXPECT_TRUE(processUntil([&] { return !w->playing() && roll->Button1->isEnabled(); }));
    bool played64 = false, played62 = false;
    for (const auto& m : capture->messages()) {
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90 && m.bytes[2] > 0) {
            played64 = played64 || m.bytes[1] == 64;
            played62 = played62 || m.bytes[1] == 62;
        }
    }
    EXPECT_TRUE(played64);
    EXPECT_FALSE(played62);  // bar 2 is not shown
}

// Ctrl+Z in the piano roll takes back its own move in Bass although Piano is the current track
// and the Edit menu's Cut came later; with nothing of its own left it acts as the main window
// does, on the current track; Ctrl+Y redoes its own move.
TEST_F(EditorTest, CtrlZInThePianoRollUndoesItsOwnEditFirst) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->MIDIDrawGrid11->setSelection(1, 1, 4, 2);
    w->refreshSelectionViews();
    w->ActionPianoRoll->trigger();
    auto* roll = w->tools().find<TEditWindow>();
    ASSERT_NE(roll, nullptr);
    tonvela::midiSong& song = *w->song();
    tonvela::NoteOnEvent* bass = nthNote(song, 2, 0);
    ASSERT_NE(bass, nullptr);
    roll->choose({{2, bass}});
    QTest::keyClick(roll->Image1, Qt::Key_Right);
    ASSERT_EQ(bass->time, 120);
    const size_t pianoNotes = notesOf(song, 1).size();
    w->ActionCut->trigger();
    ASSERT_LT(notesOf(song, 1).size(), pianoNotes);

    ASSERT_TRUE(pressIn(roll, Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(bass->time, 0);
    EXPECT_LT(notesOf(song, 1).size(), pianoNotes) << "the cut stays";
    ASSERT_TRUE(pressIn(roll, Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(notesOf(song, 1).size(), pianoNotes);
    ASSERT_TRUE(pressIn(roll, Qt::Key_Y, Qt::ControlModifier));
    EXPECT_EQ(bass->time, 120);
    EXPECT_EQ(notesOf(song, 1).size(), pianoNotes);
    EXPECT_EQ(roll->ActionUndo->toolTip(), "Undo <Piano Roll <Move>> (Ctrl+Z)");
}
