#include <QElapsedTimer>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <map>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>

#include "devicewin.h"
#include "gui_fixture.h"
#include "output/midi_device.h"
#include "output/port_backends.h"
#include "song/midispec.h"
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

// Every note on of the capture has its note off after it.
::testing::AssertionResult everyNoteEnds(const tonvela::CaptureLog& log, int* noteOns) {
    std::map<int, int> sounding;
    *noteOns = 0;
    for (const auto& m : log.messages()) {
        if (m.bytes.size() != 3 || (m.bytes[0] & 0xE0) != 0x80) continue;
        const bool on = (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0;
        int& count = sounding[(m.bytes[0] & 0x0F) * 128 + m.bytes[1]];
        *noteOns += on;
        count += on ? 1 : -1;
        if (count < 0) return ::testing::AssertionFailure() << "a note off before its note on";
    }
    for (const auto& [key, count] : sounding)
        if (count != 0) return ::testing::AssertionFailure() << "key " << key % 128 << " left sounding";
    return ::testing::AssertionSuccess();
}

const QString kNoOutput = QString::fromUtf8("No MIDI output open — MIDI › MIDI Device...");

bool sentNoteOn(const tonvela::CaptureLog& log, int channel, int key) {
    for (const auto& m : log.messages())
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90 + channel && m.bytes[1] == key && m.bytes[2] > 0) return true;
    return false;
}

}  // namespace

TEST_F(EditorTest, WhilePlayingFileAndDeviceCommandsWaitAndTheSongStaysEditable) {
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
    for (QAction* a : {w->FileSave, w->FileSaveAs, w->FileOpen, w->Exit, w->ActionMIDIDevice, w->PlaySong,
                       w->ActionPlayAll})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {w->PlayStop, w->Action1MakeLeadingBar, w->ActionUndo, w->ActionCut, w->ActionPaste})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(w->InfoPanel->isEnabled());
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

TEST_F(EditorTest, CutAndUndoWhilePlayingChangeTheSongAndTheSelectionStillPlaysToItsEnd) {
    // A quarter note of 250 ms: the first bar holds twelve notes and lasts a second.
    Bytes fast = cat({trackName("Fast"), at(0, {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}),
                      at(1920 * 4, {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
    Bytes piano = cat({trackName("Piano"), at(0, {0xC0, 0})});
    for (int i = 0; i < 12; ++i) piano = cat({piano, note(0, 0, 60 + i, 160)});
    piano = cat({piano, note(0, 0, 72, 480)});  // bar 2
    TMIDIPollimoMain* w = start(writeSong("s.mid", smf(1, {fast, piano})));
    w->setShiftState([] { return false; });
    auto notesOfBarOne = [&] {
        int n = 0;
        for (const tonvela::anyEvent* e : w->song()->track(1)->events())
            n += e && e->kind() == tonvela::kindNote && e->bar == 0;
        return n;
    };
    w->selectCell(1, 0);
    w->PlaySong->trigger();
    ASSERT_TRUE(w->playing());
    ASSERT_TRUE(processUntil([&] { return sentNoteOn(*capture, 0, 60); }));

    w->ActionCut->trigger();
    EXPECT_EQ(notesOfBarOne(), 0);
    EXPECT_TRUE(w->playing());
    w->ActionUndo->trigger();
    EXPECT_EQ(notesOfBarOne(), 12);

    EXPECT_TRUE(processUntil([&] { return !w->playing() && statusText() == "Play done."; }));
    int noteOns = 0;
    EXPECT_TRUE(everyNoteEnds(*capture, &noteOns));
    EXPECT_EQ(noteOns, 12) << "the bar as it was when the play started";
}

TEST_F(EditorTest, WithNoOutputOpenThePlayCommandsSaySoAndStayReady) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->setShiftState([] { return false; });
    tonvela::MidiDevice& device = app->MidiDevice()->device();
    device.closeDevice();
    for (QAction* a : {w->PlaySong, w->ActionPlayAll, w->ActionResumeplay, w->ActionPlayToggle}) {
        w->statusBar()->clearMessage();
        a->trigger();
        EXPECT_FALSE(w->playing()) << a->objectName().toStdString();
        EXPECT_EQ(statusText(), kNoOutput) << a->objectName().toStdString();
        for (QAction* play : {w->PlaySong, w->ActionPlayAll, w->ActionResumeplay, w->PlayStop})
            EXPECT_TRUE(play->isEnabled()) << play->objectName().toStdString();
    }
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_TRUE(prompts.asked.empty()) << "a status, not a message box";

    ASSERT_EQ(device.openDevice(-1), 0);
    w->PlaySong->trigger();
    EXPECT_TRUE(w->playing());
    EXPECT_EQ(statusText(), "Playing...");
    w->PlayStop->trigger();
}

TEST_F(EditorTest, APortThatFailsAtStartUpIsOneSentenceWithItsDetailsBehindShowDetails) {
    const std::string why = "No audio output could be opened for the built-in synthesizer "
                            "(pulseaudio: connection refused; alsa: no such device).";
    auto failing = tonvela::makeSinglePortDriver({"FluidSynth", tonvela::techMapper},
                                                 [why](std::string& error) -> std::unique_ptr<tonvela::OpenPort> {
                                                     error = why;
                                                     return nullptr;
                                                 });
    int deviceWindows = 0;
    prompts.onDialog = [&](QDialog*) {
        ++deviceWindows;
        return QDialog::Rejected;
    };
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()), std::move(failing));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].icon, QMessageBox::Warning);
    EXPECT_EQ(prompts.asked[0].text, "The MIDI output port could not be opened.");
    EXPECT_EQ(prompts.asked[0].details.toStdString(), why);
    EXPECT_EQ(deviceWindows, 1) << "the device window follows so that another port can be chosen";

    w->setShiftState([] { return false; });
    w->PlaySong->trigger();
    EXPECT_EQ(statusText(), kNoOutput);
}

TEST_F(EditorTest, TheChannelGridOfTheDemoSongShowsItsInstrumentsAndSettings) {
    // The demo's program changes and controllers sit on the tick of each track's first note.
    TMIDIPollimoMain* w = start(QString(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    auto cell = [&](int channel, int column) { return w->StringGrid1->item(channel + 1, column)->text(); };
    struct Expected {
        int channel, program, volume, pan;
    };
    for (const Expected& e : {Expected{0, 0, 96, 54}, Expected{1, 48, 84, 74}, Expected{2, 33, 100, 64},
                              Expected{3, 73, 100, 80}}) {
        EXPECT_EQ(cell(e.channel, 1).toStdString(), tonvela::MIDISpec::programName(e.program)) << e.channel;
        EXPECT_EQ(cell(e.channel, 2), QString::number(e.volume)) << e.channel;
        EXPECT_EQ(cell(e.channel, 4), QString::number(e.pan)) << e.channel;
    }
    EXPECT_EQ(cell(1, 5), "127") << "the strings' expression curve starts after their first note";
}

TEST_F(EditorTest, SetUsesTheTempoShownWhetherTypedOrSlid) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    auto type = [&](const QString& text) {
        w->EditTempo->clear();
        QTest::keyClicks(w->EditTempo, text);
    };
    struct Case {
        const char* what;
        std::function<void()> input;
        int shown;
    };
    const Case cases[] = {
        {"typed", [&] { type("150"); }, 150},
        {"slid", [&] { w->TrackBar1->setValue(90); }, 90},
        {"typed above the slider's range", [&] { type("999"); }, 300},
        {"typed below it", [&] { type("5"); }, 20},
        {"typed, then cleared", [&] { type(""); }, 20},
    };
    for (const Case& c : cases) {
        c.input();
        w->TempoSet->click();
        EXPECT_EQ(w->EditTempo->text(), QString::number(c.shown)) << c.what;
        EXPECT_EQ(w->TrackBar1->value(), c.shown) << c.what;
        EXPECT_EQ(w->playTempo(), 60000000 / c.shown) << c.what;
    }

    // While playing, the player takes the tempo Set gives.
    w->setShiftState([] { return false; });
    w->MIDIDrawGrid11->setSelection(1, 1, 8, 2);
    w->PlaySong->trigger();
    ASSERT_TRUE(w->playing());
    type("200");
    w->TempoSet->click();
    EXPECT_EQ(app->MidiDevice()->device().playTempo(), 300000);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->TrackBar1->value(), 200);
    EXPECT_EQ(w->EditTempo->text(), "200");
    w->PlayStop->trigger();
}
