#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>

#include "devicewin.h"
#include "gui_fixture.h"
#include "output/midi_device.h"
#include "settings/preffile.h"
#include "song/song.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

// Runs the event loop until the condition holds (the player reports through queued calls).
bool processUntil(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

bool sentNoteOn(const tonvela::CaptureLog& log, int channel, int key) {
    for (const auto& m : log.messages())
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90 + channel && m.bytes[1] == key && m.bytes[2] > 0) return true;
    return false;
}

}  // namespace

TEST_F(EditorTest, WhilePlayingCommandsThatChangeSongFileOrDeviceAreDisabled) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->setShiftState([] { return false; });
    w->ActionCopy->trigger();
    w->ActionPaste->trigger();
    w->ActionPaste->trigger();
    w->ActionUndo->trigger();  // something to undo and something to redo
    ASSERT_TRUE(w->PlaySong->isEnabled());
    w->MIDIDrawGrid11->setSelection(1, 1, 8, 2);  // all eight bars: 16 seconds at 120
    w->PlaySong->trigger();
    ASSERT_TRUE(w->playing());
    EXPECT_EQ(statusText(), "Playing...");
    for (QAction* a : {w->FileSave, w->FileSaveAs, w->FileOpen, w->Action1MakeLeadingBar, w->ActionUndo,
                       w->ActionRedo, w->ActionCut, w->ActionPaste, w->Exit, w->ActionMIDIDevice, w->PlaySong, w->ActionPlayAll})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(w->PlayStop->isEnabled());
    EXPECT_FALSE(w->InfoPanel->isEnabled());
    EXPECT_TRUE(processUntil([&] { return sentNoteOn(*capture, 0, 60); }));

    // The display refresh shows where the play is.
    w->Timer1Timer();
    EXPECT_EQ(w->TimeEdit2->text().size(), 11);
    EXPECT_TRUE(w->TimeEdit2->text().startsWith("00")) << w->TimeEdit2->text().toStdString();

    w->PlayStop->trigger();
    EXPECT_FALSE(w->playing());
    EXPECT_EQ(statusText(), "Play done.");
    for (QAction* a : {w->FileSave, w->FileOpen, w->Action1MakeLeadingBar, w->ActionUndo, w->ActionRedo, w->PlaySong})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    // Stop silenced every channel: All Sound Off and Reset All Controllers on all sixteen.
    int silenced = 0;
    for (const auto& m : capture->messages())
        if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0xB0 && m.bytes[1] == 120) ++silenced;
    EXPECT_GE(silenced, 16);
}

TEST_F(EditorTest, PlayingASelectionSendsItsTrackAndEndsWithPlayDone) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->setShiftState([] { return false; });
    w->selectCell(1, 2);  // bar 3 of Piano: one note, a quarter note long
    w->PlaySong->trigger();
    EXPECT_TRUE(processUntil([&] { return !w->playing() && statusText() == "Play done."; }));
    EXPECT_TRUE(sentNoteOn(*capture, 0, 64));
    EXPECT_FALSE(sentNoteOn(*capture, 0, 62));  // bar 2 is not played
    EXPECT_FALSE(sentNoteOn(*capture, 2, 36));  // nor the Bass track
    EXPECT_TRUE(w->FileSave->isEnabled());
}

TEST_F(EditorTest, SpaceTogglesPlayAndStop) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->setShiftState([] { return false; });
    w->MIDIDrawGrid11->setSelection(1, 1, 8, 1);
    EXPECT_EQ(w->ActionPlayToggle->shortcut(), QKeySequence(Qt::Key_Space));
    w->ActionPlayToggle->trigger();
    EXPECT_TRUE(w->playing());
    w->ActionPlayToggle->trigger();
    EXPECT_FALSE(w->playing());
}

TEST_F(EditorTest, TheDeviceWindowListsThePortsAndOpensTheChosenOne) {
    TMIDIPollimoMain* w = start();
    TMidiDevice* dw = app->MidiDevice();
    EXPECT_EQ(dw->windowTitle(), "MidiDevice");
    EXPECT_TRUE(dw->device().isOpen());  // opened at start-up
    EXPECT_EQ(dw->device().deviceId(), -1);
    int shown = 0;
    prompts.onDialog = [&](QDialog* d) {
        ++shown;
        EXPECT_EQ(d, dw);
        EXPECT_EQ(dw->DevSummListBox1->count(), 1);
        EXPECT_EQ(dw->DevSummListBox1->item(0)->text(), "Capture MIDI Port");
        EXPECT_EQ(dw->DevSummListBox1->currentRow(), 0);  // the open port's line
        EXPECT_TRUE(dw->OpenButton1->isEnabled());
        EXPECT_FALSE(dw->ErrorTestButton1->isVisible());
        dw->OpenButton1->click();
        return dw->result();
    };
    w->ActionMIDIDevice->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(dw->result(), QDialog::Accepted);
    EXPECT_EQ(dw->device().deviceId(), -1);
    stop();
    auto lines = tonvela::readPrefLines((folders.settings + "device.prf").toStdString());
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(lines->front(), "0000");
}

TEST_F(EditorTest, ShiftTurnsThePlayCommandsIntoPlayFrom) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    bool shift = false;
    w->setShiftState([&] { return shift; });
    w->updateActions();
    EXPECT_EQ(w->PlaySong->toolTip(), "Play selected part");
    EXPECT_EQ(w->ActionPlayAll->toolTip(), "Play");
    EXPECT_EQ(w->ActionResumeplay->toolTip(), "Play from");  // nothing to resume yet
    shift = true;
    w->updateActions();
    EXPECT_EQ(w->PlaySong->toolTip(), "Play from");
    EXPECT_EQ(w->ActionPlayAll->toolTip(), "Play from");

    // With Shift, Play plays from the first selected bar to the end over all tracks.
    w->selectCell(1, 2);
    w->PlaySong->trigger();
    ASSERT_TRUE(w->playing());
    EXPECT_TRUE(processUntil([&] { return sentNoteOn(*capture, 0, 64); }));
    w->PlayStop->trigger();
    EXPECT_FALSE(sentNoteOn(*capture, 0, 62));  // bar 2 is before the selection
    shift = false;
    w->updateActions();
    EXPECT_EQ(w->ActionResumeplay->toolTip(), "Play Resume");
}
