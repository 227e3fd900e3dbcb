#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

#include "gui_fixture.h"
#include "logwin.h"
#include "radiogroup.h"
#include "song/song.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;
using tonvela::Selection;

namespace {

// Presses in one cell, moves to another and releases there, as a user drags.
void drag(BarGrid* g, int fromCol, int fromRow, int toCol, int toRow) {
    const QPoint a = g->cellRect(fromCol, fromRow).center();
    const QPoint b = g->cellRect(toCol, toRow).center();
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, a);
    QMouseEvent move(QEvent::MouseMove, b, g->viewport()->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(g->viewport(), &move);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, b);
}

}  // namespace

TEST_F(EditorTest, OpeningAFileFillsTheGridTitleBarCountAndInformationPanel) {
    TMIDIPollimoMain* w = start();
    EXPECT_EQ(w->windowTitle(), "MIDI Tonvela");
    EXPECT_FALSE(w->FileSave->isEnabled());
    const QString file = writeSong("lesson.mid", pianoAndBass());
    prompts.openNames.push_back(file);
    w->FileOpen->trigger();

    ASSERT_NE(w->song(), nullptr);
    BarGrid* g = w->MIDIDrawGrid11;
    EXPECT_EQ(w->windowTitle(), "MIDI tonvela [lesson.mid]");
    EXPECT_EQ(g->rowCount(), 3);  // header + tracks 1 and 2; track 0 is not shown
    EXPECT_EQ(g->colCount(), static_cast<int>(w->song()->barStarts.size()));
    EXPECT_EQ(w->LabelBar1->text(), QString("%1 Bars").arg(w->song()->barStarts.size()));
    EXPECT_EQ(g->cellText(1, 0), "1");  // header: bars numbered from 1
    EXPECT_EQ(g->cellText(5, 0), "5");
    EXPECT_EQ(g->cellText(0, 1), "Piano[1]");
    EXPECT_EQ(g->cellText(0, 2), "Bass[3]");
    EXPECT_EQ(g->cellText(1, 1), "12*");
    EXPECT_EQ(g->cellText(2, 1), "2");
    EXPECT_EQ(g->cellText(3, 1), "1");
    EXPECT_EQ(g->cellText(2, 2), "0");
    // Column 0 fits the widest label plus 5 pixels.
    EXPECT_EQ(g->colWidth(0), g->fontMetrics().horizontalAdvance("Piano[1]") + 5);
    // Fill colours: the selected first cell with notes magenta, notes yellow, empty silver.
    EXPECT_EQ(g->cellColor(1, 1), QColor(255, 0, 255));
    EXPECT_EQ(g->cellColor(2, 1), QColor(255, 255, 0));
    EXPECT_EQ(g->cellColor(2, 2), QColor(192, 192, 192));
    g->setSelection(2, 2, 2, 2);
    EXPECT_EQ(g->cellColor(2, 2), QColor(128, 128, 128));

    EXPECT_EQ(w->TimeBase->text(), "480");
    EXPECT_EQ(w->EditTune->text(), "0");
    EXPECT_EQ(w->Format->itemIndex(), 1);
    EXPECT_EQ(w->System->itemIndex(), -1);
    EXPECT_FALSE(w->GMOn->isChecked());
    EXPECT_EQ(w->EditTitle->text(), "Song");
    EXPECT_EQ(statusText(), "File read:" + file);
    EXPECT_TRUE(w->FileSave->isEnabled());
    EXPECT_EQ(w->history().entries().front(), file.toStdString());

    // The channel grid: titles in row 0, channels in column 0, the current track's channel row.
    QTableWidget* cg = w->StringGrid1;
    EXPECT_EQ(cg->rowCount(), 17);
    EXPECT_EQ(cg->columnCount(), 10);
    const QStringList titles = {"Chn.", "Inst.", "Vol..", "Mod.", "Pan.", "Exp.", "Bd. Rng.", "Bd. Val.", "HC", "Bright"};
    for (int c = 0; c < 10; ++c) EXPECT_EQ(cg->item(0, c)->text(), titles[c]);
    EXPECT_EQ(cg->item(16, 0)->text(), "16");
    EXPECT_EQ(cg->currentRow(), 1);
    w->selectCell(2, 0);  // Bass on channel 3
    EXPECT_EQ(cg->currentRow(), 3);
}

TEST_F(EditorTest, AFormat0FileShows17RowsWithEmptyChannelsLabelledDashes) {
    Bytes track = cat({trackName("All"), note(0, 0, 60, 480), note(0, 9, 36, 480)});
    TMIDIPollimoMain* w = start(writeSong("f0.mid", smf(0, {track})));
    BarGrid* g = w->MIDIDrawGrid11;
    ASSERT_NE(w->song(), nullptr);
    EXPECT_EQ(g->rowCount(), 17);
    EXPECT_TRUE(g->cellText(0, 1).endsWith("[1]"));
    EXPECT_TRUE(g->cellText(0, 10).endsWith("[10]"));
    for (int row : {2, 3, 9, 11, 16}) {
        EXPECT_TRUE(g->cellText(0, row).endsWith("[--]")) << row;
        EXPECT_EQ(g->cellColor(2, row), QColor(192, 192, 192)) << row;
    }
    EXPECT_EQ(w->Format->itemIndex(), 0);
    EXPECT_EQ(w->windowTitle(), "MIDI tonvela [f0.mid]");  // opened from the command line
}

TEST_F(EditorTest, DraggingSelectsARectangleAndTheTopRowIsTheCurrentTrack) {
    Bytes three = smf(1, {conductor(8), cat({trackName("A"), note(0, 0, 60, 100)}),
                          cat({trackName("B"), note(0, 1, 60, 100)}), cat({trackName("C"), note(0, 2, 60, 100)})});
    TMIDIPollimoMain* w = start(writeSong("abc.mid", three));
    BarGrid* g = w->MIDIDrawGrid11;
    int refreshed = 0;
    QObject::connect(w, &TMIDIPollimoMain::selectionViewsRefreshed, [&] { ++refreshed; });

    drag(g, 4, 3, 2, 2);  // from bar 4 of track 3 up-left to bar 2 of track 2
    EXPECT_EQ(w->selection(), (Selection{2, 3, 1, 3}));
    EXPECT_EQ(refreshed, 1);  // once, when the mouse was released

    // Clicking the label of row 3 selects all bars of track 3.
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(0, 3).center());
    EXPECT_EQ(w->selection(), (Selection{3, 3, 0, g->colCount() - 2}));

    // Keys: an arrow moves the cell, Shift+arrow extends.
    w->selectCell(1, 2);
    QTest::keyClick(g, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(g, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(w->selection(), (Selection{1, 2, 2, 3}));
    QTest::keyClick(g, Qt::Key_Up);
    EXPECT_EQ(w->selection().firstTrack, 1);
    EXPECT_EQ(w->selection().lastTrack, 1);
    EXPECT_EQ(w->selection().firstBar, 3);
}

TEST_F(EditorTest, SelectionOperationsMoveAndResizeWithinTheGrid) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    struct Step {
        std::function<void()> op;
        int first, last;
    };
    const int lastColumnBar = w->MIDIDrawGrid11->colCount() - 2;
    w->selectCell(1, 0);
    const Step steps[] = {
        {[&] { w->extendLeft(); }, 0, 0},    // already at the left edge
        {[&] { w->extendRight(); }, 0, 1},
        {[&] { w->shiftRight(); }, 1, 2},
        {[&] { w->shrinkLeft(); }, 2, 2},
        {[&] { w->shrinkRight(); }, 2, 2},   // one bar: no change
        {[&] { w->shiftLeft(); }, 1, 1},
        {[&] { w->extendLeft(); }, 0, 1},
        {[&] { w->shrinkRight(); }, 0, 0},
        {[&] { w->selectCell(2, lastColumnBar); w->extendRight(); }, lastColumnBar, lastColumnBar},
        {[&] { w->shiftRight(); }, lastColumnBar, lastColumnBar},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].op();
        EXPECT_EQ(w->selection().firstBar, steps[i].first) << "step " << i;
        EXPECT_EQ(w->selection().lastBar, steps[i].last) << "step " << i;
    }
    EXPECT_EQ(w->selection().firstTrack, 2);
}

TEST_F(EditorTest, InformationPanelChangesTheSongFlagsWithoutJournal) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    tonvela::midiSong* s = w->song();
    w->GMOn->click();
    EXPECT_EQ(s->systemFlags & 1, 1);
    w->System->button(0)->click();  // XG
    EXPECT_EQ(s->systemFlags & 6, 4);
    EXPECT_TRUE(w->ActionXGEditor->isEnabled());
    w->System->button(1)->click();  // GS
    EXPECT_EQ(s->systemFlags & 6, 2);
    EXPECT_FALSE(w->ActionXGEditor->isEnabled());
    w->Format->button(0)->click();
    EXPECT_EQ(s->format, 0);
    w->EditTitle->setText("New title");
    EXPECT_EQ(s->title(), "New title");
    EXPECT_FALSE(w->songChanged());  // none of these writes a journal line
    w->GMOn->click();
    EXPECT_EQ(s->systemFlags & 1, 0);
}

TEST_F(EditorTest, AnUnnamedFirstTrackIsNamedAfterTheFileAndSavedSo) {
    Bytes noName = smf(1, {cat({at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})}), note(0, 0, 60, 480)});
    const QString file = writeSong("waltz.mid", noName);
    TMIDIPollimoMain* w = start(file);
    EXPECT_EQ(w->EditTitle->text(), "waltz");
    ASSERT_NE(w->song()->firstTrack->nameEvent, nullptr);
    EXPECT_EQ(w->song()->firstTrack->nameEvent->text(), "waltz");
    EXPECT_EQ(w->song()->firstTrack->nameEvent->time, 0);
    w->FileSave->trigger();
    tonvela::midiSong reloaded;
    reloaded.load(file.toStdString());
    EXPECT_EQ(reloaded.firstTrack->name, "waltz");
}

TEST_F(EditorTest, TextsKeepTheirBytesUnlessTheUserTypes) {
    // A Shift_JIS title: shown decoded, saved as the same bytes.
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";  // テスト
    Bytes conductorTrack = cat({trackName(sjis), at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})});
    const QString file = writeSong("jp.mid", smf(1, {conductorTrack, note(0, 0, 60, 480)}));
    TMIDIPollimoMain* w = start(file);
    EXPECT_EQ(w->EditTitle->text(), QString::fromUtf8("テスト"));
    EXPECT_EQ(w->song()->title(), sjis);
    // Typed text follows the song's encoding.
    w->EditTitle->setText(QString::fromUtf8("テスト2"));
    EXPECT_EQ(w->song()->title(), sjis + "2");
}

TEST_F(EditorTest, CopyrightListOffersTheSongsTextAndTheOptionNames) {
    Bytes withCopyright = smf(1, {cat({trackName("T"), at(0, {0xFF, 0x02, 0x04, '(', 'C', ')', 'X'})}),
                                  note(0, 0, 60, 100)});
    start();
    app->Option()->EditName1->setText("(C) Me");
    app->Option()->EditName3->setText("(C) Us");
    app->Option()->OkButton->click();
    TMIDIPollimoMain* w = window();
    ASSERT_TRUE(w->openPath(writeSong("c.mid", withCopyright)));
    ASSERT_EQ(w->CopyrightComboBox->count(), 1);  // the song's own text does not equal a name
    EXPECT_EQ(w->CopyrightComboBox->currentText(), "(C)X");

    ASSERT_TRUE(w->openPath(writeSong("none.mid", pianoAndBass())));
    ASSERT_EQ(w->CopyrightComboBox->count(), 2);
    EXPECT_EQ(w->CopyrightComboBox->currentIndex(), -1);
    // Choosing a name creates the copyright event, journaled in track 0.
    w->CopyrightComboBox->setCurrentIndex(1);
    Q_EMIT w->CopyrightComboBox->activated(1);
    EXPECT_EQ(w->song()->copyrightText(), "(C) Us");
    EXPECT_TRUE(w->songChanged());
    EXPECT_EQ(w->CopyrightComboBox->toolTip(), "(C) Us");
}

TEST_F(EditorTest, StatisticsFillTheLogWindow) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->Action1Statistics->trigger();
    TLogWindow* log = app->LogWindow();
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->windowTitle(), "LogWindow");
    const QStringList lines = log->text().split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("Song Note = 0 - "));
    EXPECT_TRUE(lines.contains("Name Piano"));
    EXPECT_TRUE(lines.contains(" Note Count = 15 Note Max = 71 Note Min = 60 Note Mean = 64 Note Deviation = 12"))
        << log->text().toStdString();
    w->Action1Statistics->trigger();  // cleared first, not appended
    EXPECT_EQ(log->text().split('\n').size(), lines.size());
}

TEST_F(EditorTest, MenusCarryEveryItemAndLaterWindowsAreDisabled) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    auto captions = [](QMenu* m) {
        QStringList l;
        for (QAction* a : m->actions())
            if (!a->isSeparator()) l << a->text();
        return l;
    };
    EXPECT_EQ(captions(w->EditMenu), (QStringList{"Undo", "Cut", "Copy", "Paste", "Make Leading &Bar",
                                                  "Drums/Notes Changer ...", "Statistics..."}));
    EXPECT_EQ(captions(w->WindowMenu),
              (QStringList{"Event &List...", "Piano &Roll...", "&Effct Editor...", "&Portament Editor...",
                           "&Trill Editor...", "Slur Bender...", "Glissand Editor...", "Data Checker...",
                           "XG Editor...", "Tempo Editor...", "Setup Manager...", "&Halfway Setup...",
                           "Effect &Group Editor...", "&Option..."}));
    EXPECT_EQ(captions(w->MidiMenu), (QStringList{"MIDI Device...", "Play All", "Play", "Resume Play", "Stop"}));
    EXPECT_EQ(captions(w->HelpMenu), (QStringList{"&Help", "&About..."}));
    EXPECT_EQ(w->EffectMenu->title(), "Effect(&x)");
    EXPECT_TRUE(w->ActionEventList->isEnabled());
    EXPECT_TRUE(w->ActionPianoRoll->isEnabled());
    EXPECT_TRUE(w->ActionOption->isEnabled());
    EXPECT_TRUE(w->Action1Statistics->isEnabled());
    EXPECT_FALSE(w->ActionPaste->isEnabled());  // nothing copied yet
    EXPECT_EQ(w->FileOpen->shortcut(), QKeySequence::Open);
    EXPECT_EQ(w->ActionUndo->shortcut(), QKeySequence::Undo);
    EXPECT_EQ(w->FileSaveAs->shortcut(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(w->Exit->shortcut(), QKeySequence("Ctrl+Q"));
}
