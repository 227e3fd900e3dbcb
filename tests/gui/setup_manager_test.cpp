// The Setup Manager and the Halfway Setup driven as a musician does: each change heard at once
// on the output port, Set writing the channel's set-up, the questions it asks, undo.

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "../output/output_rig.h"
#include "../setup/setup_fixture.h"
#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "setup/setupman.h"

using namespace guitest;
using tonvela::test::Events;
using tonvela::test::TrackWriter;

namespace {

Bytes bytesOf(void (*make)(tonvela::midiSong&)) {
    tonvela::midiSong song;
    make(song);
    return tonvela::test::save(song);
}

Bytes bytesOf(std::initializer_list<TrackWriter> tracks, TrackWriter conductorTrack = TrackWriter()) {
    tonvela::midiSong song;
    tonvela::test::loadSong(song, tracks, 8, conductorTrack);
    return tonvela::test::save(song);
}

// The events of one channel of a track, notes without velocity and length.
Events lines(const tonvela::midiTrack& t, int channel) {
    Events out;
    for (const tonvela::anyEvent* e : t.events()) {
        if (!e || e->channelOf() != channel) continue;
        std::string line = tonvela::test::eventText(*e);
        if (e->kind() == tonvela::kindNote) line = line.substr(0, line.rfind(' ', line.rfind(' ') - 1));
        out.push_back(line);
    }
    return out;
}

QStringList items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

class SetupManagerDialog : public ::testing::Test {
protected:
    void SetUp() override { UiPrompts::install(&prompts); }
    void TearDown() override {
        delete dialog;
        context.device_ = nullptr;
        UiPrompts::install(nullptr);
    }
    TSetupMan& open(const Bytes& song, bool setupMode = true) {
        context.loadSong(song);
        dialog = TSetupMan::make(context, nullptr, setupMode);
        EXPECT_NE(dialog, nullptr);
        context.tools.push_back(dialog);
        dialog->show();
        return *dialog;
    }
    std::string dump() const { return tonvela::dumpSong(*context.song()); }

    FakeEditorContext context;
    ScriptedPrompts prompts;
    TSetupMan* dialog = nullptr;
};

TEST_F(SetupManagerDialog, OpensOnTheFirstChannelWithTheSetupTheSongHas) {
    auto& w = open(bytesOf(tonvela::test::loadMessySong));
    EXPECT_EQ(w.windowTitle(), "Setup Manager");
    EXPECT_EQ(w.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(items(w.ComboBoxChannel), (QStringList{"Channel 1", "Channel 2"}));
    EXPECT_EQ(items(w.ComboBoxTrackName), QStringList{"Track1"});
    EXPECT_EQ(w.ComboBoxprogram->count(), 128);
    EXPECT_EQ(w.ComboBoxprogram->itemText(0), "1-Acoustic Grand Piano");
    EXPECT_EQ(w.ComboBoxprogram->currentIndex(), 5);
    EXPECT_EQ(w.EditBSMSB->value(), 0);
    EXPECT_EQ(w.EditBSLSB->value(), 0);
    EXPECT_TRUE(w.SendBankSel->isChecked());
    EXPECT_EQ(w.LabelBankSelect->text(), "*Bank Select");
    EXPECT_EQ(w.Editvolume->value(), 90);
    EXPECT_EQ(w.EditExp->value(), 100);
    EXPECT_EQ(w.TrackBarPanpot->value(), 64);
    EXPECT_EQ(w.TrackBarReverb->value(), 40);
    EXPECT_EQ(w.TrackBarVariation->value(), 40);
    EXPECT_EQ(w.TrackBarDecay->value(), 30);
    EXPECT_EQ(w.ViblatoRate->value(), 64);
    EXPECT_EQ(w.EditPitchBend->value(), 12);
    EXPECT_EQ(w.EditPitchBend->maximum(), 24);
    // Two channels: 55 ms at 120 bpm is 52 ticks, a step of 2; this channel comes first.
    EXPECT_EQ(w.EditStart->text(), "54");
    EXPECT_EQ(w.EditInterval->text(), "4");
    EXPECT_EQ(w.EditOffset->text(), "0");
    EXPECT_FALSE(w.CheckBox1->isChecked());
    EXPECT_EQ(w.CheckBox1->text(), "Send even if default value");
    EXPECT_TRUE(w.CheckBoxSendNullRPN->isChecked());
    EXPECT_FALSE(w.CheckBoxSetAtZero->isChecked());
    EXPECT_EQ(w.ButtonOk->text(), "Set && Next");
    EXPECT_TRUE(w.ButtonOk->isEnabled());
    EXPECT_FALSE(w.copyFromButton->isEnabled());
    EXPECT_TRUE(prompts.asked.empty());

    // The next channel starts 2 ticks later and has only its volume.
    w.ComboBoxChannel->setCurrentIndex(1);
    Q_EMIT w.ComboBoxChannel->activated(1);
    EXPECT_EQ(w.EditOffset->text(), "2");
    EXPECT_EQ(w.Editvolume->value(), 50);
    EXPECT_EQ(w.ComboBoxprogram->currentIndex(), 0);
    EXPECT_EQ(w.TrackBarDecay->value(), 64);
    EXPECT_EQ(w.EditPitchBend->value(), 2);
}

TEST_F(SetupManagerDialog, EveryChangeIsHeardAtOnceOnTheShownChannel) {
    tonvela::test::CaptureRig rig(tonvela::makeSteadyClock());
    context.device_ = &rig.device;
    auto& w = open(bytesOf(tonvela::test::loadMessySong));
    w.ComboBoxChannel->setCurrentIndex(1);
    Q_EMIT w.ComboBoxChannel->activated(1);
    EXPECT_TRUE(rig.bytes().empty()) << "choosing a channel sends nothing";
    struct Case {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> sent;
    } cases[] = {
        {"volume", [&] { w.Editvolume->setValue(70); }, {"B1 07 46"}},
        {"expression", [&] { w.EditExp->setValue(99); }, {"B1 0B 63"}},
        {"program", [&] { w.ComboBoxprogram->setCurrentIndex(10); }, {"B1 00 00", "B1 20 00", "C1 0A"}},
        {"bank", [&] { w.EditBSMSB->setValue(8); }, {"B1 00 08", "B1 20 00", "C1 0A"}},
        {"pan", [&] { w.TrackBarPanpot->setValue(20); }, {"B1 0A 14"}},
        {"reverb", [&] { w.TrackBarReverb->setValue(80); }, {"B1 5B 50"}},
        {"chorus", [&] { w.TrackBarChorus->setValue(5); }, {"B1 5D 05"}},
        {"variation", [&] { w.TrackBarVariation->setValue(6); }, {"B1 5E 06"}},
        {"brightness", [&] { w.TrackBarbrightness->setValue(7); }, {"B1 4A 07"}},
        {"harmonic", [&] { w.TrackBarHC->setValue(8); }, {"B1 47 08"}},
        {"attack", [&] { w.TrackBarAttack->setValue(9); }, {"B1 49 09"}},
        {"release", [&] { w.TrackBarRelease->setValue(10); }, {"B1 48 0A"}},
        {"decay", [&] { w.TrackBarDecay->setValue(80); }, {"B1 63 01", "B1 62 64", "B1 06 50"}},
        {"vibrato rate", [&] { w.ViblatoRate->setValue(1); }, {"B1 63 01", "B1 62 08", "B1 06 01"}},
        {"vibrato depth", [&] { w.ViblatoDepth->setValue(2); }, {"B1 63 01", "B1 62 09", "B1 06 02"}},
        {"vibrato delay", [&] { w.ViblatoDelay->setValue(3); }, {"B1 63 01", "B1 62 0A", "B1 06 03"}},
        {"bend range", [&] { w.EditPitchBend->setValue(12); }, {"B1 65 00", "B1 64 00", "B1 06 0C"}},
        {"no bank select", [&] { w.SendBankSel->click(); }, {"C1 0A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.log->clear();
        c.change();
        EXPECT_EQ(rig.bytes(), c.sent);
    }
    EXPECT_EQ(w.LabelBankSelect->text(), "Bank Select");
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_TRUE(context.errors.isEmpty());
}

TEST_F(SetupManagerDialog, WithoutAnOpenPortChangesSendNothingAndAskNothing) {
    tonvela::test::CaptureRig rig(tonvela::makeSteadyClock());
    rig.device.closeDevice();
    context.device_ = &rig.device;
    auto& w = open(bytesOf(tonvela::test::loadMessySong));
    w.Editvolume->setValue(70);
    w.ComboBoxprogram->setCurrentIndex(3);
    w.TrackBarDecay->setValue(1);
    w.ButtonDefault->click();
    EXPECT_TRUE(rig.bytes().empty());
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_TRUE(context.errors.isEmpty());
    EXPECT_FALSE(w.ButtonPlay->isEnabled());
}

TEST_F(SetupManagerDialog, SetWritesTheChannelAndUndoGivesTheSongBack) {
    auto& w = open(bytesOf(tonvela::test::loadMessySong));
    const std::string before = dump();
    w.Editvolume->setValue(70);
    w.TrackBarPanpot->setValue(30);
    w.ButtonSet->click();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(context.edits, 1);
    EXPECT_EQ(lines(*context.song()->track(1), 0),
              (Events{"C 15 1 64 127", "C 25 1 99 1", "C 25 1 98 99", "C 25 1 6 5", "C 54 1 0 0", "C 58 1 32 0",
                      "P 62 1 5", "C 66 1 7 70", "C 70 1 11 100", "C 74 1 10 30", "C 78 1 91 40", "C 82 1 93 0",
                      "C 86 1 74 64", "C 90 1 99 1", "C 94 1 98 100", "C 98 1 6 30", "C 102 1 101 0",
                      "C 106 1 100 0", "C 110 1 6 12", "C 114 1 101 127", "C 118 1 100 127", "N 1920 1 60",
                      "C 1930 1 7 80"}));
    EXPECT_EQ(context.song()->track(1)->undoLabel(), "Setup Manager");
    // What was written is read back.
    EXPECT_EQ(w.Editvolume->value(), 70);
    EXPECT_EQ(w.TrackBarPanpot->value(), 30);
    const std::string after = dump();

    // Set && Next writes this channel again and goes on to channel 2, then back to channel 1.
    w.ButtonOk->click();
    EXPECT_EQ(w.ComboBoxChannel->currentText(), "Channel 2");
    EXPECT_EQ(dump(), after) << "the same set-up again";
    w.ButtonOk->click();
    EXPECT_EQ(w.ComboBoxChannel->currentText(), "Channel 1");
    EXPECT_EQ(lines(*context.song()->track(1), 1),
              (Events{"C 56 2 0 0", "C 60 2 32 0", "P 64 2 0", "C 68 2 7 50", "C 72 2 11 127", "C 76 2 10 64",
                      "C 80 2 91 40", "C 84 2 93 0", "N 1920 2 48"}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(context.undo(1));
    EXPECT_EQ(dump(), before);
}

TEST_F(SetupManagerDialog, HalfwaySetupWritesTheDifferencesAtTheSelectedBar) {
    context.loadSong(bytesOf(tonvela::test::loadHalfwaySong));
    context.selection_ = {1, 1, 2, 3};
    dialog = TSetupMan::make(context, nullptr, false);
    ASSERT_NE(dialog, nullptr);
    TSetupMan& w = *dialog;
    w.show();
    EXPECT_EQ(w.windowTitle(), "Halfway Setup");
    EXPECT_EQ(items(w.ComboBoxChannel), QStringList{"Channel 1"});
    EXPECT_EQ(items(w.ComboBoxTrackName), (QStringList{"Track1", "Track2"}));
    EXPECT_EQ(w.EditStart->text(), "3840");
    EXPECT_EQ(w.EditInterval->text(), "0");
    EXPECT_FALSE(w.CheckBoxSetAtZero->isVisible());
    EXPECT_FALSE(w.CheckBox1->isVisible());
    EXPECT_FALSE(w.ButtonOk->isEnabled());
    EXPECT_TRUE(w.copyFromButton->isEnabled());
    EXPECT_EQ(w.Editvolume->value(), 90);
    EXPECT_EQ(w.ComboBoxprogram->currentIndex(), 5);

    const std::string before = dump();
    w.Editvolume->setValue(70);
    w.ButtonSet->click();
    Events onBar;
    for (const std::string& line : lines(*context.song()->track(1), 0))
        if (line.find(" 3840 ") != std::string::npos) onBar.push_back(line);
    EXPECT_EQ(onBar, (Events{"C 3840 1 7 70", "N 3840 1 62", "C 3840 1 11 80"}));
    EXPECT_EQ(w.Editvolume->value(), 70) << "read back";

    // Copy from.. takes the values in force at another bar (counted from 1).
    prompts.onDialog = [](QDialog* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        if (!input) return int(QDialog::Rejected);
        EXPECT_EQ(input->windowTitle(), "Copy Setup from");
        EXPECT_EQ(input->labelText(), "Bar");
        EXPECT_EQ(input->textValue(), "1");
        input->setTextValue("1");
        return int(QDialog::Accepted);
    };
    w.copyFromButton->click();
    EXPECT_EQ(w.Editvolume->value(), 90);
    EXPECT_EQ(w.ComboBoxprogram->currentIndex(), 5);

    for (int t : {1, 2}) EXPECT_TRUE(context.undo(t));
    EXPECT_EQ(dump(), before);
}

// Channel 1 with a bend range of 12 and three bends.
Bytes bendSong() {
    TrackWriter t;
    t.control(0, 0, 101, 0).control(0, 0, 100, 0).control(0, 0, 6, 12);
    t.note(1920, 0, 60, 100, 480).bend(1920, 0, 8192 + 4096).bend(1930, 0, 8192 - 4000).bend(1940, 0, 8192);
    return bytesOf({t});
}

Events bends(const tonvela::midiTrack& t) {
    Events out;
    for (const tonvela::anyEvent* e : t.events())
        if (e && e->kind() == tonvela::kindPitchBend) out.push_back(tonvela::test::eventText(*e));
    return out;
}

TEST_F(SetupManagerDialog, ANewBendRangeAsksWhetherToRescaleTheBends) {
    struct Case {
        int range;
        QMessageBox::StandardButton answer;
        const char* question;
        Events bends;
    } cases[] = {
        {24, QMessageBox::Yes, "Change Pitchbend Values ?", {"B 1920 1 2048", "B 1930 1 -2000", "B 1940 1 0"}},
        {6, QMessageBox::Yes, "Change Pitchbend Values ?\n(possibly overflow)",
         {"B 1920 1 8191", "B 1930 1 -8000", "B 1940 1 0"}},
        {24, QMessageBox::No, "Change Pitchbend Values ?", {"B 1920 1 4096", "B 1930 1 -4000", "B 1940 1 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        delete dialog;
        dialog = nullptr;
        context.tools.clear();
        prompts.asked.clear();
        auto& w = open(bendSong());
        const std::string before = dump();
        w.EditPitchBend->setValue(c.range);
        prompts.answers.push_back(c.answer);
        w.ButtonSet->click();
        EXPECT_EQ(prompts.texts(), QStringList{c.question});
        EXPECT_EQ(bends(*context.song()->track(1)), c.bends);
        EXPECT_EQ(w.EditPitchBend->value(), c.range);
        EXPECT_TRUE(context.undo(1));
        EXPECT_EQ(dump(), before);
    }
}

TEST_F(SetupManagerDialog, DrumPartsListTheDrumKits) {
    TrackWriter conductorTrack, drums, kit;
    conductorTrack.at(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});  // XG System On
    drums.program(0, 9, 0).note(1920, 9, 36, 100, 120);
    kit.control(0, 2, 0, 127).program(0, 2, 24).note(1920, 2, 38, 100, 120);
    auto& w = open(bytesOf({kit, drums}, conductorTrack));
    // Channel 3 is a drum part by its bank: its kits are listed and its bank is kept.
    EXPECT_EQ(w.ComboBoxChannel->currentText(), "Channel 3");
    EXPECT_EQ(w.ComboBoxprogram->itemText(0), "Standard 1");
    EXPECT_EQ(w.ComboBoxprogram->currentText(), "Electro/Electric");
    EXPECT_TRUE(w.SendBankSel->isChecked());
    EXPECT_EQ(w.EditBSMSB->value(), 127);
    EXPECT_TRUE(w.CheckBoxSetAtZero->isChecked());
    // Channel 10 sends no bank select; the default bank of an XG song's drums is 127/0.
    w.ComboBoxChannel->setCurrentIndex(1);
    Q_EMIT w.ComboBoxChannel->activated(1);
    EXPECT_EQ(w.ComboBoxprogram->itemText(0), "Standard 1");
    EXPECT_FALSE(w.SendBankSel->isChecked());
    EXPECT_EQ(w.LabelBankSelect->text(), "Bank Select");
    EXPECT_EQ(w.EditBSMSB->value(), 127);
    w.ButtonSet->click();
    EXPECT_EQ(lines(*context.song()->track(2), 9),
              (Events{"P 0 10 0", "C 60 10 7 100", "C 64 10 11 127", "C 68 10 10 64", "C 72 10 91 40", "C 76 10 93 0",
                      "N 1920 10 36"}));
}

TEST_F(SetupManagerDialog, OpeningSaysWhenThereIsNothingToSetUp) {
    context.loadSong(tonvela::test::smf(1, {conductor(2), trackName("Words")}));
    EXPECT_EQ(TSetupMan::make(context, nullptr, true), nullptr);
    EXPECT_EQ(prompts.texts(), QStringList{"No Valid data"});
    prompts.asked.clear();
    context.selection_ = {1, 1, 0, 0};
    EXPECT_EQ(TSetupMan::make(context, nullptr, false), nullptr);
    EXPECT_EQ(prompts.texts(), QStringList{"No Valid data"});
}

TEST_F(SetupManagerDialog, NotesInTheFirstBeatOfferALeadingBar) {
    TrackWriter t;
    t.program(0, 0, 40).note(0, 0, 60, 100, 480);
    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        SCOPED_TRACE(answer == QMessageBox::Yes ? "Yes" : "No");
        delete dialog;
        dialog = nullptr;
        context.tools.clear();
        prompts.asked.clear();
        prompts.answers.push_back(answer);
        auto& w = open(bytesOf({t}));
        EXPECT_EQ(prompts.texts(), QStringList{"Note begines at the first beat. Make a setup bar?"});
        const int32_t first = context.song()->track(1)->firstNoteTime;
        EXPECT_EQ(first, answer == QMessageBox::Yes ? 1920 : 0);
        w.ButtonSet->click();
        // The set-up never follows the first note.
        const Events written = lines(*context.song()->track(1), 0);
        EXPECT_EQ(written.back(), "N " + std::to_string(first) + " 1 60");
        EXPECT_EQ(written.size(), 9u);
    }
}

}  // namespace

// The main window's two commands open the dialog modally, made for each opening and gone when
// it closes; a change is heard on the editor's port.
TEST_F(EditorTest, TheSetupCommandsOpenTheDialogForEachOpening) {
    TMIDIPollimoMain* w = start();
    w->updateActions();
    EXPECT_FALSE(w->ActionSetupManager->isEnabled());
    EXPECT_FALSE(w->ActionHalfwaySetup->isEnabled());
    ASSERT_TRUE(w->openPath(writeSong("s.mid", pianoAndBass())));
    w->updateActions();
    ASSERT_TRUE(w->ActionSetupManager->isEnabled());
    ASSERT_TRUE(w->ActionHalfwaySetup->isEnabled());

    prompts.answers.push_back(QMessageBox::No);  // the piano starts on the first beat
    w->ActionSetupManager->trigger();
    auto* setup = w->tools().find<TSetupMan>();
    ASSERT_NE(setup, nullptr);
    EXPECT_TRUE(setup->isVisible());
    EXPECT_TRUE(setup->isModal());
    EXPECT_EQ(setup->windowTitle(), "Setup Manager");
    EXPECT_EQ(items(setup->ComboBoxChannel), (QStringList{"Channel 1", "Channel 3"}));
    capture->clear();
    setup->Editvolume->setValue(77);
    bool heard = false;
    for (const auto& m : capture->messages()) heard = heard || m.bytes == std::vector<uint8_t>{0xB0, 0x07, 77};
    EXPECT_TRUE(heard);
    setup->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->tools().find<TSetupMan>(), nullptr) << "destroyed when closed";

    w->selectCell(2, 0);
    w->ActionHalfwaySetup->trigger();
    auto* halfway = w->tools().find<TSetupMan>();
    ASSERT_NE(halfway, nullptr);
    EXPECT_EQ(halfway->windowTitle(), "Halfway Setup");
    EXPECT_EQ(items(halfway->ComboBoxChannel), QStringList{"Channel 3"});
    halfway->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->tools().find<TSetupMan>(), nullptr);
}
