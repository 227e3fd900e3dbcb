#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "radiogroup.h"
#include "settings/preffile.h"
#include "song/dump.h"
#include "song/song.h"
#include "song/tempo_units.h"
#include "tempo/tempoeditor.h"
#include "tempo/tempoplane.h"
#include "mouse_steps.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

Bytes tempoChange(uint32_t delta, int32_t micros) {
    return at(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                      static_cast<uint8_t>(micros)});
}

// Eight bars of 4/4: 120 bpm, 150 bpm from bar 3, 100 bpm from bar 5; a note in each bar.
Bytes tempoSong() {
    Bytes conductor = cat({trackName("Tempo"), at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}), tempoChange(0, 500000),
                           tempoChange(3840, 400000), tempoChange(3840, 600000),
                           at(7680, {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
    Bytes notes = trackName("Piano");
    for (int b = 0; b < 8; ++b) {
        Bytes n = note(b == 0 ? 0 : 1440, 0, 60 + b, 480);
        notes.insert(notes.end(), n.begin(), n.end());
    }
    return smf(1, {conductor, notes});
}

std::vector<std::string> temposOf(const tonvela::midiSong& song) {
    std::vector<std::string> out;
    for (const tonvela::anyEvent* e : song.track(0)->events())
        if (e && e->kind() == tonvela::kindTempo)
            out.push_back(std::to_string(e->time) + ":" +
                          std::to_string(static_cast<const tonvela::TempoEvent*>(e)->getTempo()));
    return out;
}

std::string orderedDump(tonvela::midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) song.track(i)->sortEvents();
    return tonvela::dumpSong(song);
}

class TempoEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UiPrompts::install(&prompts);
        ctx.folders_.settings = dir.path() + "/";
        ctx.loadSong(tempoSong());
        ctx.selection_ = {1, 1, 0, 7};
        editor = std::make_unique<TTempoEditor>(ctx);
        ctx.tools.push_back(editor.get());
        editor->resize(900, 560);
        editor->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        ctx.tools.clear();
        editor.reset();
        UiPrompts::install(nullptr);
    }
    tonvela::midiSong& song() { return *ctx.song_; }
    TempoPlane* plane() { return editor->ImageTempo; }
    const tonvela::TempoPoint& point(size_t i) { return plane()->curve().points.at(i); }
    QPoint markerCentre(size_t i) { return centreOf(plane()->markerRect(point(i))); }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    FakeEditorContext ctx;
    std::unique_ptr<TTempoEditor> editor;
};

bool reddish(QRgb c) { return qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) < 100; }

}  // namespace

// The curve of the selected bars on the fixed scale, a marker per change, the cursor read-out.
TEST_F(TempoEditorTest, ShowsTheSteppedCurveOfTheSelectedBarsAndTheCursor) {
    EXPECT_EQ(editor->windowTitle(), "Tempo Editor");
    EXPECT_FALSE(editor->Panel3->isVisible());
    EXPECT_EQ(editor->StartTick->text(), "000:00:000");
    EXPECT_EQ(editor->SetTempo->text(), "0");
    const tonvela::TempoFrame f = plane()->frame();
    EXPECT_EQ(f.range.from, 0);
    EXPECT_EQ(f.range.to, 8 * 1920 - 1);
    ASSERT_EQ(plane()->curve().points.size(), 3u);
    EXPECT_EQ(point(1).x, f.x(3840));
    EXPECT_EQ(point(1).y, (300 - 150) * f.height / 280);
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(point(i).marker);
    const QImage img = plane()->grab().toImage();
    EXPECT_TRUE(reddish(img.pixel(markerCentre(1))));
    // The marker's hint: its position and bpm.
    EXPECT_EQ(tonvela::tempoMarkerHint(*point(2).event), "005:01:000 100");

    hover(plane(), QPoint(f.x(1920 + 480), f.y(200)));
    EXPECT_EQ(editor->StartTick->text(), QString::fromStdString(tonvela::tempoCursorText(song(), f.tickAt(f.x(1920 + 480)))));
    EXPECT_EQ(editor->StartTick->text().left(4), "2:1:");
    EXPECT_EQ(editor->SetTempo->text(), QString::number(f.bpmAt(f.y(200))));

    // Narrowing the selection with the shared tool bar actions redraws over the new bars.
    editor->ActionShrinkLeft->trigger();
    editor->ActionShrinkLeft->trigger();
    EXPECT_EQ(ctx.selection_, (tonvela::Selection{1, 1, 2, 7}));
    EXPECT_EQ(plane()->frame().range.from, 3840);
    EXPECT_EQ(plane()->curve().startBpm, 120);
    ASSERT_EQ(plane()->curve().points.size(), 2u);
    EXPECT_EQ(point(0).x, 0);
}

// Click adds, a drag changes the tempo, another the time (with Shift along the grid); the
// window's Undo and Redo walk the steps of track 0 back and forth exactly.
TEST_F(TempoEditorTest, MouseEditsAreStepsOfTrack0ThatUndoAndRedoExactly) {
    const std::string original = orderedDump(song());
    const tonvela::TempoFrame f = plane()->frame();

    // A click at bar 2 and 200 bpm.
    const QPoint click(f.x(1920), f.y(200) + 1);
    QTest::mouseClick(plane(), Qt::LeftButton, {}, click);
    const int32_t clickTick = f.tickAt(click.x());
    const int clickBpm = f.bpmAt(click.y());
    EXPECT_EQ(temposOf(song()), (std::vector<std::string>{"0:500000", std::to_string(clickTick) + ":" +
                                                          std::to_string(tonvela::bpmToMicros(clickBpm)),
                                                          "3840:400000", "7680:600000"}));
    EXPECT_EQ(song().track(0)->undoLabel(), "Add Tempo");
    EXPECT_EQ(editor->ActionUndoTempo->toolTip(), "Undo <Add Tempo>");
    const std::string afterAdd = orderedDump(song());

    // Drag the 150 bpm marker up by 56 pixels: the bpm the marker's top lands on.
    const tonvela::TempoPoint before = point(2);
    ASSERT_EQ(before.time, 3840);
    const QRect r = plane()->markerRect(before);
    drag(plane(), centreOf(r), centreOf(r) - QPoint(0, 56));
    const int droppedBpm = f.bpmAt(r.top() - 56);
    EXPECT_EQ(static_cast<tonvela::TempoEvent*>(before.event)->getTempo(), tonvela::bpmToMicros(droppedBpm));
    EXPECT_EQ(song().track(0)->undoLabel(), "Modify Tempo");
    EXPECT_EQ(editor->chosenTempo(), before.event);
    const std::string afterValue = orderedDump(song());

    // Shift+drag of the 100 bpm marker left, past the 150 bpm one: it lands on a quarter note.
    ASSERT_EQ(point(3).time, 7680);
    drag(plane(), markerCentre(3), markerCentre(3) - QPoint(f.x(4100), 0), Qt::ShiftModifier);
    std::vector<std::string> tempos = temposOf(song());
    ASSERT_EQ(tempos.size(), 4u);
    EXPECT_EQ(tempos[2].substr(tempos[2].find(':')), ":600000");
    const int32_t moved = std::stoi(tempos[2]);
    EXPECT_EQ(moved % 480, 0);
    EXPECT_LT(moved, 3840);
    EXPECT_GT(moved, clickTick);
    EXPECT_TRUE(song().track(0)->isSorted());
    const std::string afterMove = orderedDump(song());

    // Dropped outside the picture: nothing changes.
    drag(plane(), markerCentre(1), QPoint(markerCentre(1).x(), plane()->height() + 40));
    EXPECT_EQ(orderedDump(song()), afterMove);

    // Undo puts the moved change back in its place in the list too: the curve reads track 0 in
    // time order.
    for (const std::string* state : {&afterValue, &afterAdd, &original}) {
        ASSERT_TRUE(editor->ActionUndoTempo->isEnabled());
        editor->ActionUndoTempo->trigger();
        EXPECT_EQ(tonvela::dumpSong(song()), *state);
    }
    EXPECT_EQ(plane()->curve().points.at(1).time, 3840);
    EXPECT_FALSE(editor->ActionUndoTempo->isEnabled());
    EXPECT_EQ(editor->ActionUndoTempo->toolTip(), "Undo");  // no label: the action's own text
    for (const std::string* state : {&afterAdd, &afterValue, &afterMove}) {
        ASSERT_TRUE(editor->ActionRedoTempo->isEnabled());
        editor->ActionRedoTempo->trigger();
        EXPECT_EQ(tonvela::dumpSong(song()), *state);
    }
    EXPECT_TRUE(ctx.errors.isEmpty());
}

// Tick mode: the drag moves the change to the tick under the marker's point.
TEST_F(TempoEditorTest, TickModeMovesTheChangeInTime) {
    editor->LeftRightButton->click();
    const tonvela::TempoFrame f = plane()->frame();
    const QRect r = plane()->markerRect(point(1));
    drag(plane(), centreOf(r), centreOf(r) + QPoint(60, 30));
    EXPECT_EQ(temposOf(song())[1], std::to_string(f.tickAt(r.left() + 60 + 2)) + ":400000");
    EXPECT_EQ(song().track(0)->undoLabel(), "Modify Tempo");
}

// Right click on a marker deletes it without the menu; elsewhere the menu adds the tempo there.
TEST_F(TempoEditorTest, RightClickDeletesAMarkerOrOffersTheCurrentTempo) {
    const QPoint marker = markerCentre(1);
    QTest::mousePress(plane(), Qt::RightButton, {}, marker);
    // The platform's menu request for that press.
    QContextMenuEvent request(QContextMenuEvent::Mouse, marker, plane()->mapToGlobal(marker));
    QCoreApplication::sendEvent(plane(), &request);
    QTest::mouseRelease(plane(), Qt::RightButton, {}, marker);
    EXPECT_EQ(temposOf(song()), (std::vector<std::string>{"0:500000", "7680:600000"}));
    EXPECT_EQ(song().track(0)->undoLabel(), "Delete Tempo");
    EXPECT_FALSE(editor->TempoPopup->isVisible());

    const tonvela::TempoFrame f = plane()->frame();
    const QPoint empty(f.x(9000), 20);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, empty, plane()->mapToGlobal(empty));
    QCoreApplication::sendEvent(plane(), &menu);
    EXPECT_TRUE(editor->TempoPopup->isVisible());
    EXPECT_EQ(editor->popupTick(), f.tickAt(empty.x()));
    editor->SetCurrentTempo->trigger();
    editor->TempoPopup->hide();
    EXPECT_EQ(temposOf(song()),
              (std::vector<std::string>{"0:500000", "7680:600000", std::to_string(f.tickAt(empty.x())) + ":600000"}));
    EXPECT_EQ(song().track(0)->undoLabel(), "Add Current Tempo");
}

// The chosen change typed in exactly; the shown text sent back unchanged changes nothing.
TEST_F(TempoEditorTest, TheChosenChangeCanBeTypedInExactly) {
    EXPECT_FALSE(editor->EditBpm->isEnabled());
    QTest::mouseClick(plane(), Qt::LeftButton, {}, markerCentre(1));
    ASSERT_EQ(editor->chosenTempo(), point(1).event);
    EXPECT_EQ(editor->EditBpm->text(), "150.00");
    EXPECT_TRUE(song().track(0)->journal.empty());  // choosing is no edit

    editor->EditBpm->setText("97.35");
    QTest::keyClick(editor->EditBpm, Qt::Key_Return);
    EXPECT_EQ(temposOf(song())[1], "3840:616333");
    EXPECT_EQ(editor->EditBpm->text(), "97.35");
    const size_t lines = song().track(0)->journal.size();
    editor->ButtonSetBpm->click();
    EXPECT_EQ(song().track(0)->journal.size(), lines);

    editor->EditBpm->setText("3.5");
    editor->ButtonSetBpm->click();
    ASSERT_EQ(ctx.errors.size(), 1);
    EXPECT_TRUE(ctx.errors[0].contains("16777215")) << ctx.errors[0].toStdString();
    EXPECT_EQ(temposOf(song())[1], "3840:616333");

    // Delete removes the chosen change.
    QTest::keyClick(editor.get(), Qt::Key_Delete);
    EXPECT_EQ(temposOf(song()), (std::vector<std::string>{"0:500000", "7680:600000"}));
    EXPECT_EQ(editor->chosenTempo(), nullptr);
}

// The side panel: Up/Down, rit./accel. with its refusals, Copy and Paste.
TEST_F(TempoEditorTest, ThePanelRaisesRampsCopiesAndPastesOverTheSelection) {
    editor->TempoToolButton->click();
    EXPECT_TRUE(editor->Panel3->isVisible());
    ctx.selection_ = {1, 1, 2, 4};  // bars 3-5
    editor->refreshFromEditor();

    editor->addmethod->button(1)->click();
    EXPECT_EQ(editor->TempoVal->text(), "100");
    editor->TempoVal->setText("110");
    editor->ButtonApply->click();
    // 150 bpm -> 165 (363636), 100 -> 110 (545454); bar 1 is not selected.
    EXPECT_EQ(temposOf(song()), (std::vector<std::string>{"0:500000", "3840:363636", "7680:545454"}));
    EXPECT_EQ(song().track(0)->undoLabel(), "Up/Down Tempo");
    editor->ActionUndoTempo->trigger();

    editor->TempoVal->setText("fast");
    editor->ButtonApply->click();
    ASSERT_EQ(ctx.errors.size(), 1);
    EXPECT_EQ(ctx.errors[0], "'fast' is not a valid floating point value");

    editor->PageControl->setCurrentWidget(editor->AccRit);
    editor->AccFrom->setValue(0);
    EXPECT_EQ(editor->AccTo->value(), 100);
    editor->AccTo->setValue(0);  // stops one above the start
    EXPECT_EQ(editor->AccTo->value(), 1);
    editor->AccTo->setValue(100);
    // 150 bpm - 150 = 0 bpm: refused before anything is written.
    editor->AccValue->setText("-150");
    const std::string before = orderedDump(song());
    editor->ButtonApply->click();
    ASSERT_EQ(ctx.errors.size(), 2);
    EXPECT_TRUE(ctx.errors[1].contains("0 bpm")) << ctx.errors[1].toStdString();
    EXPECT_EQ(orderedDump(song()), before);
    EXPECT_TRUE(song().track(0)->journal.empty());

    editor->accMethod->button(1)->click();
    EXPECT_EQ(editor->AccValue->text(), "100");
    editor->AccValue->setText("50");
    editor->NumofAcc->setValue(2);
    editor->atempo->setChecked(true);
    editor->ButtonApply->click();
    // Bars 3-5: r = 3840, e = 3840 + 5759 = 9599; T0 = 400000, T1 = 800000.
    EXPECT_EQ(temposOf(song()), (std::vector<std::string>{"0:500000", "3840:400000", "3840:600000", "6719:800000",
                                                          "7680:600000", "9599:400000"}));
    EXPECT_EQ(song().track(0)->undoLabel(), "rit./accel");
    editor->ActionUndoTempo->trigger();
    EXPECT_EQ(orderedDump(song()), before);

    editor->PageControl->setCurrentWidget(editor->CopyPaste);
    EXPECT_FALSE(editor->ButtonApply->isVisible());
    EXPECT_FALSE(editor->ButtonPaste->isEnabled());
    ctx.selection_ = {1, 1, 2, 2};  // bar 3: 150 bpm at its start
    editor->refreshFromEditor();
    editor->ButtonCopy->click();
    ASSERT_EQ(editor->copyBuffer().size(), 1u);
    EXPECT_TRUE(editor->ButtonPaste->isEnabled());
    ctx.selection_ = {1, 1, 5, 7};  // bars 6-8 at 100 bpm
    editor->refreshFromEditor();
    editor->ButtonPaste->click();
    // 400000 / 500000 of the 600000 in force: 480000 at every bar.
    EXPECT_EQ(temposOf(song()), (std::vector<std::string>{"0:500000", "3840:400000", "7680:600000", "9600:480000",
                                                          "11520:480000", "13440:480000"}));
    EXPECT_EQ(song().track(0)->undoLabel(), "Paste Tempo");
}

// While the song plays, the picture does not edit.
TEST_F(TempoEditorTest, NothingIsEditedWhilePlaying) {
    ctx.playing_ = true;
    editor->refreshFromEditor();
    const std::string before = orderedDump(song());
    QTest::mouseClick(plane(), Qt::LeftButton, {}, QPoint(100, 100));
    drag(plane(), markerCentre(1), markerCentre(1) - QPoint(0, 40));
    EXPECT_EQ(orderedDump(song()), before);
    EXPECT_FALSE(editor->ButtonApply->isEnabled());
    EXPECT_FALSE(editor->ActionUndoTempo->isEnabled());
}

TEST_F(TempoEditorTest, TempowinPrfKeepsPlaceAndGrid) {
    editor->resize(700, 420);
    editor->ShowGrid->setChecked(false);
    ctx.tools.clear();
    editor.reset();
    const auto lines = tonvela::readPrefLines((dir.path() + "/tempowin.prf").toStdString());
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 6u);
    EXPECT_EQ((*lines)[0], "0000");
    EXPECT_EQ((*lines)[3], "700");
    EXPECT_EQ((*lines)[4], "420");
    EXPECT_EQ((*lines)[5], "0");

    TTempoEditor again(ctx);
    EXPECT_EQ(again.width(), 700);
    EXPECT_FALSE(again.ShowGrid->isChecked());
    EXPECT_TRUE(prompts.asked.empty());

    tonvela::writePrefLines((dir.path() + "/tempowin.prf").toStdString(), {"0001", "10", "10", "500", "300", "0"});
    TTempoEditor newer(ctx);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, "Illegal data version.  Get latest version of MIDI Tonvela.");
    EXPECT_TRUE(newer.ShowGrid->isChecked());
}

// The whole editor: the Window menu's Tempo Editor opens on the selection, and a drag there is
// undone by the window's Undo.
TEST_F(EditorTest, TheTempoEditorOpensFromTheWindowMenuAndUndoesItsDrag) {
    TMIDIPollimoMain* w = start(writeSong("t.mid", tempoSong()));
    w->MIDIDrawGrid11->setSelection(1, 1, 8, 1);
    w->refreshSelectionViews();
    w->updateActions();
    ASSERT_TRUE(w->ActionTempoEditor->isEnabled());
    w->ActionTempoEditor->trigger();
    auto* tempo = w->tools().find<TTempoEditor>();
    ASSERT_NE(tempo, nullptr);
    EXPECT_TRUE(tempo->isVisible());
    tempo->resize(900, 560);
    QCoreApplication::processEvents();
    TempoPlane* plane = tempo->ImageTempo;
    ASSERT_EQ(plane->curve().points.size(), 3u);
    const std::string before = orderedDump(*w->song());
    const QRect r = plane->markerRect(plane->curve().points[1]);
    drag(plane, centreOf(r), centreOf(r) + QPoint(0, 50));
    EXPECT_NE(orderedDump(*w->song()), before);
    EXPECT_EQ(w->song()->track(0)->undoLabel(), "Modify Tempo");
    tempo->ActionUndoTempo->trigger();
    EXPECT_EQ(orderedDump(*w->song()), before);
}
