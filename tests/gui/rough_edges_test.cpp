// What a musician notices first: the texts that say what a command did or why it did nothing,
// the tempo box, the re-entry dialog, long track names and the statistics window.

#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include "bargrid.h"
#include "effects/effecteditor.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "intinputwin.h"
#include "logwin.h"
#include "song/dump.h"
#include "tools/barclipboard.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

Bytes tempo(uint32_t delta, int bpm) {
    const int us = 60000000 / bpm;
    return at(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
                      static_cast<uint8_t>(us)});
}

// Two two-note chords, a half note each, in bar 1 of track 1 "Chords".
Bytes chords() {
    auto chord = [](uint8_t low, uint8_t high) {
        return cat({at(0, {0x90, low, 100}), at(0, {0x90, high, 100}), at(960, {0x80, low, 0}), at(0, {0x80, high, 0})});
    };
    return smf(1, {conductor(4), cat({trackName("Chords"), chord(60, 64), chord(62, 65)})});
}

TEffectEditor* openEffectEditor(TMIDIPollimoMain* w) {
    w->updateActions();
    w->ActionEffectEditor->trigger();
    return w->tools().find<TEffectEditor>();
}

}  // namespace

TEST_F(EditorTest, AnEffectThatHitsNothingSaysWhichFilterStoppedIt) {
    TMIDIPollimoMain* w = start(writeSong("chords.mid", chords()));
    w->selectCell(1, 0);
    TEffectEditor* ed = openEffectEditor(w);
    ASSERT_NE(ed, nullptr);
    const std::string before = tonvela::dumpSong(*w->song());
    ed->ModTest->click();
    // The track name is examined too.
    const QString expected = "0 / 5 events hit: every note overlaps another (Allow Overlap is off)";
    EXPECT_EQ(ed->statusText(), expected);
    EXPECT_EQ(statusText(), expected);
    EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
}

TEST_F(EditorTest, TheReentryDialogNamesItsFieldAndCancelStopsTheRun) {
    TMIDIPollimoMain* w = start(writeSong("chords.mid", chords()));
    w->selectCell(1, 0);
    TEffectEditor* ed = openEffectEditor(w);
    ASSERT_NE(ed, nullptr);
    const std::string before = tonvela::dumpSong(*w->song());
    struct Case {
        QLineEdit* field;
        QString asked;      // what the dialog says above the rejected text
        QString cancelled;  // the status afterwards
    };
    const Case cases[] = {
        {ed->VeloMax, "Vel. max: enter an integer", "Cancelled: no number was entered for Vel. max."},
        {ed->DurMin, "Dur. min: enter a number", "Cancelled: no number was entered for Dur. min."},
        {ed->FromBar, "From Bar: enter an integer", "Cancelled: no number was entered for From Bar."},
    };
    for (const Case& c : cases) {
        const QString kept = c.field->text();
        c.field->setText("1x");
        QString asked, rejected;
        bool hasCancel = false;
        prompts.onDialog = [&](QDialog* d) {
            auto* input = qobject_cast<TIntegerInput*>(d);
            if (!input) return int(QDialog::Rejected);
            asked = input->FieldLabel->text();
            rejected = input->MsgArea->toPlainText();
            hasCancel = input->CancelButton1->isVisibleTo(input) && input->CancelButton1->text() == "Cancel";
            input->CancelButton1->click();
            return input->result();
        };
        ed->ModTest->click();
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(rejected, "1x");
        EXPECT_TRUE(hasCancel);
        EXPECT_EQ(ed->statusText(), c.cancelled);
        EXPECT_EQ(c.field->text(), "1x") << "the text stays for the user to mend";
        EXPECT_EQ(tonvela::dumpSong(*w->song()), before) << "nothing ran";
        c.field->setText(kept);
    }
    prompts.onDialog = nullptr;
}

TEST_F(EditorTest, TheTempoBoxShowsTheTempoWhereTheSelectionStarts) {
    // 96 bpm from the start, 150 from bar 3, 400 from bar 4 (beyond the slider's range).
    const Bytes conductorTrack =
        cat({trackName("Song"), at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}), tempo(0, 96), tempo(3840, 150),
             tempo(1920, 400), at(1920, {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
    TMIDIPollimoMain* w = start(writeSong("tempi.mid", smf(1, {conductorTrack, note(0, 0, 60, 480)})));
    EXPECT_EQ(w->EditTempo->text(), "96");
    w->selectCell(1, 2);
    EXPECT_EQ(w->EditTempo->text(), "150");
    w->selectCell(1, 3);
    EXPECT_EQ(w->EditTempo->text(), "400");
    w->selectCell(1, 1);
    EXPECT_EQ(w->EditTempo->text(), "96");
}

TEST_F(EditorTest, CopyCutAndPasteSayWhatTheyDid) {
    TMIDIPollimoMain* w = start(writeSong("song.mid", pianoAndBass()));
    w->selectCell(1, 0);
    w->ActionCopy->trigger();
    EXPECT_EQ(statusText(), "Copied 13 events of track 1 (Piano), bar 1.");
    w->selectCell(2, 5);
    w->ActionPaste->trigger();
    EXPECT_EQ(statusText(), "Pasted 13 events into track 2 (Bass) at bar 6.");
    w->MIDIDrawGrid11->setSelection(1, 1, 3, 1);  // track 1, bars 1-3
    w->refreshSelectionViews();
    w->ActionCut->trigger();
    EXPECT_EQ(statusText(), "Cut 17 events of track 1 (Piano), bars 1-3.");
}

TEST_F(EditorTest, SaveDataAndLoadSayWhatTheyDid) {
    TMIDIPollimoMain* w = start(writeSong("chords.mid", chords()));
    TEffectEditor* ed = openEffectEditor(w);
    ASSERT_NE(ed, nullptr);
    ed->EffectName->setText("Swell");
    const QString file = folders.effects + "Swell.fxl";
    prompts.saveNames = {file};
    ed->SaveDataButton->click();
    EXPECT_EQ(ed->statusText(), "Effect saved: " + file);
    prompts.openNames = {file};
    ed->LoadButton->click();
    EXPECT_EQ(ed->statusText(), "Effect loaded: " + file);
}

TEST_F(EditorTest, ALongTrackNameIsShortenedInTheGridAndWholeInItsTooltip) {
    const std::string longName = "Violins I and II divisi, con sordino, from the second verse on";
    TMIDIPollimoMain* w = start(writeSong("long.mid", smf(1, {conductor(8), cat({trackName(longName), note(0, 0, 60, 480)}),
                                                              cat({trackName("Bass"), note(0, 2, 36, 480)})})));
    BarGrid* g = w->MIDIDrawGrid11;
    const QString whole = QString::fromStdString(longName) + "[1]";
    EXPECT_EQ(g->label(1), whole);
    EXPECT_LE(g->colWidth(0), g->maxLabelWidth());
    EXPECT_LT(g->colWidth(0), g->fontMetrics().horizontalAdvance(whole));
    // The name gives way, the channel stays; a short label is left as it is.
    const QString shown = g->cellText(0, 1);
    EXPECT_TRUE(shown.endsWith(QString::fromUtf8("…[1]"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("Violins")) << shown.toStdString();
    EXPECT_LE(g->fontMetrics().horizontalAdvance(shown), g->colWidth(0) - 4);
    EXPECT_EQ(g->cellText(0, 2), "Bass[3]");
    // Hovering the label shows the whole name.
    const QRect cell = g->cellRect(0, 1);
    QHelpEvent help(QEvent::ToolTip, cell.center(), g->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(g->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), whole);
    QToolTip::hideText();
}

TEST_F(EditorTest, TheStatisticsWindowClosesByItsButtonAndByEscape) {
    TMIDIPollimoMain* w = start(writeSong("song.mid", pianoAndBass()));
    TLogWindow* log = app->LogWindow();
    w->Action1Statistics->trigger();
    ASSERT_TRUE(log->isVisible());
    EXPECT_EQ(log->CloseButton->text(), "Close");
    log->CloseButton->click();
    EXPECT_FALSE(log->isVisible());

    w->Action1Statistics->trigger();
    ASSERT_TRUE(log->isVisible());
    QApplication::setActiveWindow(log);
    log->Memo1->setFocus();
    QTest::keyClick(log->Memo1, Qt::Key_Escape);
    EXPECT_FALSE(log->isVisible());
    EXPECT_FALSE(log->text().isEmpty()) << "closing keeps the text";
}
