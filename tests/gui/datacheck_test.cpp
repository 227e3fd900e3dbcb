// The data checker window: check, tick and untick, explanation, locate, copy and correct, over
// a bare song and inside the editor.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTabWidget>

#include "checker/datacheckwin.h"
#include "eventlist/eventform.h"
#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "song/dump.h"
#include "song/events.h"
#include "track_writer.h"

using namespace guitest;
using tonvela::test::TrackWriter;

namespace {

// Track 1 on channel 1: a volume set twice to 90 (005), a data entry without a parameter (009),
// a note cut by All Notes Off (002). Track 2 on channel 2: a pedal at 100 (015) with a note.
Bytes songWithFindings() {
    TrackWriter one, two;
    one.control(0, 0, 7, 90).control(480, 0, 7, 90).control(960, 0, 6, 3).note(1920, 0, 60, 100, 960)
        .control(2400, 0, 123, 0);
    two.control(1920, 1, 64, 100).note(2000, 1, 48, 100, 480);
    return tonvela::test::smf(1, {conductor(4), one.bytes(), two.bytes()});
}

const QStringList kLines = {
    "005 Same Control Value 1/001:02:000 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)",
    "009 Invalid Data Entry 1/001:03:000 Chn = 01 Ctrl Chg:Data   3 Data Entry MSB(6)",
    "002 Extra NoteOFF 1/002:03:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]",
    "015 ON/OFF switch should be 0 or 127 2/002:01:000 Chn = 02 Ctrl Chg:Data 100 Sustain(64)",
};

QStringList listed(const TDataCheckWindow& w) {
    QStringList out;
    for (int r = 0; r < w.model()->rowCount(); ++r) out << w.model()->index(r).data().toString();
    return out;
}

class DataCheckWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.folders_.settings = settings.path() + "/";
        ctx.loadSong(songWithFindings());
        window = std::make_unique<TDataCheckWindow>(ctx);
        ctx.tools.push_back(window.get());
        window->show();
    }
    void TearDown() override { ctx.tools.clear(); }
    void setTick(int row, bool on) {
        window->model()->setData(window->model()->index(row), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }

    QTemporaryDir settings;
    FakeEditorContext ctx;
    std::unique_ptr<TDataCheckWindow> window;
};

}  // namespace

TEST_F(DataCheckWindowTest, CheckListsEveryFindingTicked) {
    EXPECT_EQ(window->windowTitle(), "Data Check");
    EXPECT_FALSE(window->Button1->isEnabled()) << "nothing to copy yet";
    EXPECT_FALSE(window->CorrectButton1->isEnabled());
    window->CheckButton1->click();
    ASSERT_EQ(listed(*window), kLines);
    EXPECT_EQ(window->StatusBar1->currentMessage(), "Check Done ( 4 events found )");
    for (int r = 0; r < 4; ++r) EXPECT_EQ(window->model()->index(r).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(window->Button1->isEnabled());
    EXPECT_TRUE(window->CorrectButton1->isEnabled());
}

TEST_F(DataCheckWindowTest, CorrectIsEnabledWhileALineIsTicked) {
    window->CheckButton1->click();
    for (int r = 0; r < 4; ++r) setTick(r, false);
    EXPECT_FALSE(window->CorrectButton1->isEnabled());
    setTick(2, true);
    EXPECT_TRUE(window->CorrectButton1->isEnabled());
    ctx.playing_ = true;
    window->refreshFromEditor();
    EXPECT_FALSE(window->CorrectButton1->isEnabled()) << "no edits while playing";
}

TEST_F(DataCheckWindowTest, ASelectedLineIsExplainedAndLocated) {
    window->CheckButton1->click();
    window->CheckListBox1->setCurrentIndex(window->model()->index(2));
    EXPECT_EQ(window->StatusBar1->currentMessage(), QString::fromUtf8("余分な NoteOff があります(削除します)"));
    EXPECT_EQ(window->CheckListBox1->toolTip(), kLines[2]);

    window->CheckListBox1DblClick();
    ASSERT_NE(ctx.located, nullptr);
    EXPECT_EQ(ctx.located->kind(), tonvela::kindNote) << "the note whose end the line is about";
    EXPECT_EQ(ctx.song_->trackOf(ctx.located), ctx.song_->track(1));
}

TEST_F(DataCheckWindowTest, CopyReportPutsEveryLineOnTheClipboard) {
    window->CheckButton1->click();
    setTick(1, false);
    window->Button1->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kLines.join("\r\n") + "\r\n") << "ticked or not";
    EXPECT_EQ(window->StatusBar1->currentMessage(), "List copied to Clipboard.");
}

TEST_F(DataCheckWindowTest, CorrectRepairsTheTickedLinesAndKeepsTheOthers) {
    window->CheckButton1->click();
    const std::string before = tonvela::dumpSong(*ctx.song_);
    setTick(0, false);
    const int edits = ctx.edits;
    window->CorrectButton1->click();
    EXPECT_EQ(listed(*window), QStringList{kLines[0]}) << "the unticked line stays";
    EXPECT_EQ(window->model()->index(0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(window->StatusBar1->currentMessage(), "Correct Done.");
    EXPECT_GT(ctx.edits, edits) << "the editor refreshes its views";
    EXPECT_NE(tonvela::dumpSong(*ctx.song_), before);

    // A check of the corrected song lists the unticked line, and the data entry that no
    // correction repairs.
    window->CheckButton1->click();
    EXPECT_EQ(listed(*window), (QStringList{kLines[0], kLines[1]}));
    // Undo, track by track, gives the song back.
    for (int t = 0; t < ctx.song_->trackCount(); ++t)
        if (ctx.song_->track(t)->undoCount() > 0) ctx.undo(t);
    for (int t = 0; t < ctx.song_->trackCount(); ++t)
        if (!ctx.song_->track(t)->orderKnown()) ctx.song_->track(t)->sortEvents();
    EXPECT_EQ(tonvela::dumpSong(*ctx.song_), before);
}

TEST_F(DataCheckWindowTest, ChannelBoxesChooseWhatIsChecked) {
    window->ClearClick();
    window->CheckButton1->click();
    EXPECT_EQ(window->StatusBar1->currentMessage(), "Check Done ( 0 events found )");
    EXPECT_FALSE(window->Button1->isEnabled());
    window->CheckBox[1]->setChecked(true);
    window->CheckButton1->click();
    EXPECT_EQ(listed(*window), QStringList{kLines[3]});
    window->AllClick();
    EXPECT_EQ(window->channelMask(), 0xFFFF);
}

TEST_F(DataCheckWindowTest, TheCheckReadsTheOptionsWhenItRuns) {
    ctx.options_.detectSameControlValue = false;
    ctx.options_.detectInvalidDataEntry = false;
    window->CheckButton1->click();
    EXPECT_EQ(listed(*window), (QStringList{kLines[2], kLines[3]}));
}

TEST_F(DataCheckWindowTest, ANewSongEmptiesTheList) {
    window->CheckButton1->click();
    ASSERT_EQ(window->model()->rowCount(), 4);
    ctx.loadSong(songWithFindings());
    EXPECT_EQ(window->model()->rowCount(), 0);
    EXPECT_FALSE(window->CorrectButton1->isEnabled());
}

// A hundred thousand lines: the list is a model, so checking and showing them stays quick.
TEST_F(DataCheckWindowTest, AHundredThousandFindingsListWithoutStalling) {
    TrackWriter w;
    for (int i = 0; i <= 100000; ++i) w.control(i * 2, 0, 10, 64);
    ctx.loadSong(tonvela::test::smf(1, {conductor(110), w.bytes()}));
    QElapsedTimer timer;
    timer.start();
    window->CheckButton1->click();
    window->CheckListBox1->scrollToBottom();
    QCoreApplication::processEvents();
    const qint64 ms = timer.elapsed();
    EXPECT_EQ(window->model()->rowCount(), 100000);
    EXPECT_EQ(window->StatusBar1->currentMessage(), "Check Done ( 100000 events found )");
    std::printf("check and list of 100000 findings: %lld ms\n", static_cast<long long>(ms));
    EXPECT_LT(ms, 15000);
}

TEST_F(EditorTest, TheDataCheckerOpensFromItsCommandLocatesAndCorrectsTheSong) {
    TMIDIPollimoMain* w = start(writeSong("checked.mid", songWithFindings()));
    ASSERT_NE(w->song(), nullptr);
    w->updateActions();
    ASSERT_TRUE(w->ActionDataChecker->isEnabled());
    w->ActionDataChecker->trigger();
    auto* check = w->tools().find<TDataCheckWindow>();
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->isVisible());
    check->CheckButton1->click();
    ASSERT_EQ(listed(*check), kLines);

    // Locating the pedal line's event selects its track and bar in the grid, and its line in the
    // event list.
    w->ActionEventList->trigger();
    auto* events = w->tools().find<TEventForm>();
    ASSERT_NE(events, nullptr);
    check->CheckListBox1->setCurrentIndex(check->model()->index(3));
    check->CheckListBox1DblClick();
    EXPECT_EQ(w->selection(), (tonvela::Selection{2, 2, 1, 1}));
    EXPECT_EQ(events->selectedEvent(), check->model()->finding(3)->event.event);

    // "Option..." opens the options on their Data Check page.
    int page = -1;
    prompts.onDialog = [&page](QDialog* d) {
        if (auto* o = qobject_cast<TOption*>(d)) page = o->PageControl->currentIndex();
        return QDialog::Accepted;
    };
    check->OptionButton1->click();
    EXPECT_EQ(page, 1);

    const std::string before = tonvela::dumpSong(*w->song());
    check->CorrectButton1->click();
    EXPECT_TRUE(listed(*check).isEmpty()) << "009 is never repaired, but its line goes too";
    EXPECT_EQ(check->StatusBar1->currentMessage(), "Correct Done.");
    EXPECT_NE(tonvela::dumpSong(*w->song()), before);
    EXPECT_EQ(w->song()->track(1)->undoLabel(), "Data Checker <Data Correct>");

    // The editor's Undo takes back the current track's part of the correction.
    w->setSelection(tonvela::Selection::cell(2, 1));
    w->ActionUndo->trigger();
    const tonvela::midiTrack& two = *w->song()->track(2);
    bool pedalBack = false;
    for (const tonvela::anyEvent* e : two.events())
        if (e->kind() == tonvela::kindControl && static_cast<const tonvela::ControlChangeEvent*>(e)->value() == 100)
            pedalBack = true;
    EXPECT_TRUE(pedalBack);
}

// Correct changes two tracks; Ctrl+Z in the data checker takes the whole correction back,
// whatever the current track, and Ctrl+Y makes it again.
TEST_F(EditorTest, CtrlZInTheDataCheckerUndoesItsCorrectionInEveryTrack) {
    TMIDIPollimoMain* w = start(writeSong("checked.mid", songWithFindings()));
    w->updateActions();
    w->ActionDataChecker->trigger();
    auto* check = w->tools().find<TDataCheckWindow>();
    ASSERT_NE(check, nullptr);
    check->CheckButton1->click();
    ASSERT_EQ(listed(*check), kLines);
    const std::string before = tonvela::dumpSong(*w->song());
    check->CorrectButton1->click();
    const std::string after = tonvela::dumpSong(*w->song());
    ASSERT_NE(after, before);
    ASSERT_GT(w->song()->track(1)->undoCount(), 0);
    ASSERT_GT(w->song()->track(2)->undoCount(), 0);

    check->CheckListBox1->setFocus();
    ASSERT_TRUE(pressIn(check, Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
    ASSERT_TRUE(pressIn(check, Qt::Key_Y, Qt::ControlModifier));
    EXPECT_EQ(tonvela::dumpSong(*w->song()), after);
}

// ---- the window's size and the lines that stay --------------------------------------------

TEST_F(DataCheckWindowTest, TheWindowResizesAndLongLinesScrollInsteadOfBeingCut) {
    window->CheckButton1->click();
    EXPECT_LT(window->minimumWidth(), 500);
    window->resize(480, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(480, 500));
    // Every line keeps its whole text: the longest is as wide as its characters, and the list
    // scrolls sideways to it.
    EXPECT_EQ(window->CheckListBox1->textElideMode(), Qt::ElideNone);
    const QFontMetrics fm(window->CheckListBox1->font());
    const QRect line = window->CheckListBox1->visualRect(window->model()->index(3));
    EXPECT_GE(line.width(), fm.horizontalAdvance(kLines[3]));
    EXPECT_GT(window->CheckListBox1->horizontalScrollBar()->maximum(), 0);
}

TEST_F(DataCheckWindowTest, ALineCorrectLeavesSaysWhyAndCopyReportKeepsTheLine) {
    // A control change and a note on tick 0: nothing can move before tick 0.
    TrackWriter w;
    w.control(0, 0, 10, 30).note(0, 0, 60, 100, 480);
    ctx.loadSong(tonvela::test::smf(1, {conductor(2), w.bytes()}));
    window->CheckButton1->click();
    ASSERT_EQ(window->model()->rowCount(), 1);
    const QString line = window->model()->index(0).data().toString();
    window->CorrectButton1->click();
    EXPECT_EQ(window->StatusBar1->currentMessage(), "Correct Done.");
    ASSERT_EQ(window->model()->rowCount(), 1) << "the line stays";
    EXPECT_EQ(window->model()->index(0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(window->model()->index(0).data().toString(),
              line + QString::fromUtf8("   \u2190 not corrected: no earlier tick (tick 0)"));
    EXPECT_EQ(window->model()->index(0).data(Qt::ToolTipRole).toString(),
              line + "\nNot corrected: no earlier tick (tick 0)");
    // Copy Report copies the report's own lines.
    window->Button1->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), line + "\r\n");
    // A new check starts afresh.
    window->CheckButton1->click();
    EXPECT_EQ(window->model()->index(0).data().toString(), line);
}

TEST_F(DataCheckWindowTest, ThePlaceAndSizeAreKeptInDatacheckPrf) {
    window->move(60, 40);
    window->resize(640, 500);
    const QSize kept = window->size();
    ctx.tools.clear();
    window.reset();
    QFile f(settings.path() + "/datacheck.prf");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("0000\r\n40\r\n60\r\n640\r\n500\r\n"));
    f.close();
    TDataCheckWindow again(ctx);
    EXPECT_EQ(again.size(), kept);
    EXPECT_EQ(again.pos(), QPoint(60, 40));
}
