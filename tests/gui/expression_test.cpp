// The portamento editor, the trill editor with its slur bender page and the glissando editor
// driven as a user does: choose notes, build, apply, undo; their defaults, refusals and plays.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <thread>

#include "../output/output_rig.h"
#include "eventlist/list_widgets.h"
#include "expression/glissedit.h"
#include "expression/portamentwin.h"
#include "expression/trillwin.h"
#include "fake_context.h"
#include "host/tool_host.h"
#include "gui_fixture.h"
#include "intinputwin.h"
#include "radiogroup.h"
#include "song/dump.h"
#include "track_writer.h"

using namespace guitest;
using tonvela::test::Bytes;
using tonvela::test::TrackWriter;

namespace {

// Track 1 "Lead" on channel 1 with the portamento switch on from the start: keys 60, 62, 64, 65
// a quarter each in bar 1, key 67 in bar 2. Track 2 "Harp" on channel 3: program 46, one note.
// Four bars of 4/4 at 480 ticks; a key signature of three sharps.
Bytes song() {
    TrackWriter lead;
    lead.control(0, 0, 65, 127);
    for (int i = 0; i < 4; ++i) lead.note(i * 480, 0, std::array{60, 62, 64, 65}[static_cast<size_t>(i)], 100, 480);
    lead.note(1920, 0, 67, 90, 960);
    TrackWriter harp;
    harp.program(0, 2, 46).note(0, 2, 48, 80, 480);
    Bytes conductorTrack = conductor(4);
    const Bytes key = at(0, {0xFF, 0x59, 0x02, 0x03, 0x00});
    conductorTrack.insert(conductorTrack.begin(), key.begin(), key.end());
    return tonvela::test::smf(1, {conductorTrack, tonvela::test::cat({trackName("Lead"), lead.bytes()}),
                                  tonvela::test::cat({trackName("Harp"), harp.bytes()})});
}

void select(QListWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int r : rows) list->item(r)->setSelected(true);
    if (rows.size()) list->setCurrentRow(*rows.begin(), QItemSelectionModel::Select);
}

QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int r = 0; r < list->count(); ++r) out << list->item(r)->text();
    return out;
}

void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

void choose(RadioGroup* group, int index) {
    group->setItemIndex(index);
    Q_EMIT group->itemClicked(index);
}

std::function<int(QDialog*)> answerWith(const QString& text) {
    return [text](QDialog* d) {
        auto* input = qobject_cast<TIntegerInput*>(d);
        if (!input) return int(QDialog::Rejected);
        input->InputInt->setText(text);
        input->OKButton1Click();
        return input->result();
    };
}

class ExpressionWindows : public ::testing::Test {
protected:
    void SetUp() override {
        UiPrompts::install(&prompts);
        context.loadSong(song());
        context.selection_ = {1, 1, 0, 0};
    }
    void TearDown() override {
        for (ToolWindow* w : context.tools) delete w;
        context.tools.clear();
        UiPrompts::install(nullptr);
    }
    template <class W>
    W& open(const QString& id = {}) {
        auto* w = new W(context);
        context.tools.push_back(w);
        if (!id.isEmpty()) w->opening(id);
        w->show();
        return *w;
    }
    std::string dump() const { return tonvela::dumpSong(*context.song()); }
    tonvela::midiTrack& lead() const { return *context.song()->track(1); }
    // After an apply: one step in the track; undo gives the song back, redo the applied song.
    void expectUndoRedo(const std::string& before, const std::vector<std::string>& journalBefore,
                        const std::string& label) {
        const std::string after = dump();
        EXPECT_NE(after, before);
        EXPECT_EQ(lead().undoLabel(), label);
        ASSERT_TRUE(context.undo(1));
        EXPECT_EQ(dump(), before);
        EXPECT_EQ(lead().journal, journalBefore) << "one step";
        ASSERT_TRUE(context.redo(1));
        EXPECT_EQ(dump(), after);
    }

    FakeEditorContext context;
    ScriptedPrompts prompts;
};

// ---- portamento ----------------------------------------------------------------------------------

TEST_F(ExpressionWindows, PortamentoStartsWithItsDefaultsAndListsTheNotesWithTheSwitch) {
    auto& w = open<TPortamentEditor>();
    EXPECT_EQ(w.windowTitle(), "Portament Editor");
    EXPECT_EQ(w.RadioGroup1->itemIndex(), 0);
    EXPECT_EQ(w.RadioGroup1->button(1)->text(), "Glide");
    EXPECT_EQ(w.ControlValue->text(), "64");
    EXPECT_EQ(w.StartValue->text(), "32");
    EXPECT_EQ(w.EndValue->text(), "1");
    EXPECT_EQ(w.Curve->currentText(), "Linear");
    EXPECT_EQ(w.Distance->text(), "10");
    EXPECT_EQ(w.DistanceUnit->currentText(), "Tick");
    EXPECT_EQ(w.DistanceUnit->count(), 9);
    EXPECT_EQ(w.DistanceUnit->itemText(4), "Quater Note");
    EXPECT_EQ(w.portaDuration->text(), "50");
    EXPECT_EQ(w.StartOffset->text(), "5");
    EXPECT_EQ(w.TrackName->currentText(), "Lead");
    EXPECT_EQ(w.TrackName->count(), 3);
    EXPECT_EQ(w.ToBar->text() + ":" + w.ToBeat->text() + ":" + w.ToTickEdit->text(), "1:4:479");
    EXPECT_EQ(lines(w.ListBox1), (QStringList{"+001:01:000  C 4 100 0480", "+001:02:000  D 4 100 0480",
                                              "+001:03:000  E 4 100 0480", "+001:04:000  F 4 100 0480"}));
    w.ScrollBar1->setValue(100);
    EXPECT_EQ(w.StartValue->text(), "100");
    choose(w.TrackName, 2);
    EXPECT_EQ(lines(w.ListBox1), QStringList{" 001:01:000  C 3 080 0480"});
}

TEST_F(ExpressionWindows, PortamentoApplyNeedsAPhraseOfConsecutiveLines) {
    auto& w = open<TPortamentEditor>();
    w.ApplyUpdate();
    EXPECT_FALSE(w.ApplyButton->isEnabled());
    select(w.ListBox1, {0, 2});
    EXPECT_FALSE(w.ApplyButton->isEnabled()) << "lines 1 and 3 are a phrase of one note";
    select(w.ListBox1, {0, 1});
    EXPECT_TRUE(w.ApplyButton->isEnabled());
    choose(w.RadioGroup1, 1);
    EXPECT_FALSE(w.ApplyButton->isEnabled()) << "a glide needs three";
    select(w.ListBox1, {1, 2, 3});
    EXPECT_TRUE(w.ApplyButton->isEnabled());
}

TEST_F(ExpressionWindows, PortamentoApplyWritesTheControlsAsOneUndoStep) {
    auto& w = open<TPortamentEditor>();
    select(w.ListBox1, {1, 2});
    const std::string before = dump();
    const auto journal = lead().journal;
    w.ApplyButton->click();
    EXPECT_TRUE(context.errors.isEmpty()) << context.errors.join("; ").toStdString();
    const std::string after = tonvela::dumpSong(*context.song(), 1);
    EXPECT_NE(after.find("ctrl=5 val=64"), std::string::npos);
    EXPECT_NE(after.find("ctrl=65 val=0"), std::string::npos);
    EXPECT_EQ(selectedRows(w.ListBox1), (std::vector<int>{1, 2})) << "the phrase stays chosen";
    EXPECT_EQ(lines(w.ListBox1)[3].left(1), " ") << "the switch is off after the phrase";
    expectUndoRedo(before, journal, "Add controls<Portament Editor>");
}

TEST_F(ExpressionWindows, PortamentoAsksAgainForAFieldThatIsNotANumberAndRefusesBadValues) {
    auto& w = open<TPortamentEditor>();
    select(w.ListBox1, {0, 1});
    w.ControlValue->setText("7o");
    prompts.onDialog = answerWith("70");
    w.ApplyButton->click();
    EXPECT_EQ(w.ControlValue->text(), "70");
    EXPECT_NE(tonvela::dumpSong(*context.song(), 1).find("ctrl=5 val=70"), std::string::npos);
    prompts.onDialog = nullptr;

    const std::string before = dump();
    const auto journal = lead().journal;
    w.ControlValue->setText("300");
    w.ApplyButton->click();
    EXPECT_EQ(context.errors, QStringList{"Portament value must be from 0 to 127."});
    choose(w.RadioGroup1, 1);
    select(w.ListBox1, {0, 1, 2});
    w.Distance->setText("0.3");
    w.ApplyButton->click();
    EXPECT_EQ(context.errors.last(), "Interval must be at least 1 tick.");
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(lead().journal, journal);
}

TEST_F(ExpressionWindows, PortamentoIntervalFollowsItsUnit) {
    auto& w = open<TPortamentEditor>();
    choose(w.DistanceUnit, 5);
    EXPECT_EQ(w.Distance->text(), " 0.04");
    choose(w.DistanceUnit, 0);
    EXPECT_EQ(w.Distance->text(), " 9.00");
}

// ---- trill and slur bender -----------------------------------------------------------------------

TEST_F(ExpressionWindows, TheTrillEditorOpensOnThePageItsCommandNames) {
    auto& w = open<TTrillEditor>("slurbender");
    EXPECT_EQ(w.windowTitle(), "Slur Bender");
    EXPECT_EQ(w.PageControl->tabText(w.PageControl->currentIndex()), "Slur Bender");
    EXPECT_EQ(w.ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(w.Precision->text(), "40") << "one cent at two semitones";
    EXPECT_EQ(w.CurrentBendRange->text(), "Band Range = 2");
    w.TrillInterval->setText("33");
    w.opening("trill");
    w.refreshFromEditor();
    EXPECT_EQ(w.windowTitle(), "Trill Editor");
    EXPECT_EQ(w.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(w.TrillInterval->text(), "81") << "85 ms at 120 bpm, set again at each opening";
    EXPECT_EQ(w.IntTime->text(), "85");
    EXPECT_EQ(w.UpperPitch->value(), 61) << "the next scale note above C in A major is C#";
    EXPECT_EQ(w.TurnNoteEdit->value(), 59) << "B";
    EXPECT_EQ(w.RangeStatic->text(), "Range = 480");
    EXPECT_TRUE(w.EndwithGivenNote->isChecked());
    EXPECT_TRUE(w.Fill->isChecked());
    EXPECT_EQ(w.FirstLength->value(), 1);
    EXPECT_EQ(w.StartWith->button(0)->text(), "Up");
    w.EndwithGivenNote->setChecked(false);
    EXPECT_FALSE(w.TurnAtLast->isEnabled());
}

TEST_F(ExpressionWindows, TrillApplyReplacesTheNote) {
    auto& w = open<TTrillEditor>("trill");
    select(w.ListBox1, {2});  // E 4, one quarter up to the next note
    EXPECT_EQ(w.RangeStatic->text(), "Range = 480");
    EXPECT_EQ(w.UpperPitch->value(), 66) << "F# in A major";
    w.TrillInterval->setText("60");
    const std::string before = dump();
    const auto journal = lead().journal;
    ASSERT_TRUE(w.ApplyButton->isEnabled());
    w.ApplyButton->click();
    EXPECT_TRUE(context.errors.isEmpty());
    int trillNotes = 0;
    for (const tonvela::anyEvent* e : lead().events())
        if (e && e->kind() == tonvela::kindNote && e->time >= 960 && e->time < 1440) ++trillNotes;
    EXPECT_EQ(trillNotes, 9) << "480 / 60 = 8 intervals; ending on E needs an odd count, and 9 is as near as 7";
    expectUndoRedo(before, journal, "Make Trill");

    w.TrillInterval->setText("0");
    w.TestPlayAction1Update();
    EXPECT_FALSE(w.ApplyButton->isEnabled());
    w.TrillInterval->setText("60");
    choose(w.TrillMethod, 1);
    w.UpperPitch->setValue(69);
    EXPECT_FALSE(w.ApplyButton->isEnabled()) << "five semitones are out of a bend range of 2";
}

TEST_F(ExpressionWindows, SlurBenderJoinsThePhraseAndBendToNoteSplitsIt) {
    auto& w = open<TTrillEditor>("slurbender");
    select(w.ListBox1, {1, 2, 3});
    EXPECT_FALSE(w.ApplyButton->isEnabled()) << "D is three semitones below F";
    select(w.ListBox1, {2, 3});
    ASSERT_TRUE(w.ApplyButton->isEnabled());
    std::string before = dump();
    auto journal = lead().journal;
    w.ApplyButton->click();
    EXPECT_TRUE(context.errors.isEmpty());
    std::vector<std::string> notes;
    for (const tonvela::anyEvent* e : lead().events())
        if (e && e->kind() == tonvela::kindNote) notes.push_back(std::to_string(e->time) + ":" + std::to_string(static_cast<const tonvela::NoteOnEvent*>(e)->note()));
    EXPECT_EQ(notes, (std::vector<std::string>{"0:60", "480:62", "960:65", "1920:67"})) << "one held F";
    expectUndoRedo(before, journal, "Make Slur");

    // Back to Bend->Note on the held note: three notes again.
    w.refreshFromEditor();
    select(w.ListBox1, {2});
    w.Reverse->setChecked(true);
    EXPECT_FALSE(w.SlurVelocity->isEnabled());
    EXPECT_FALSE(w.PortamentGroup->isEnabled());
    ASSERT_TRUE(w.ApplyButton->isEnabled());
    before = dump();
    journal = lead().journal;
    w.ApplyButton->click();
    notes.clear();
    for (const tonvela::anyEvent* e : lead().events())
        if (e && e->kind() == tonvela::kindNote) notes.push_back(std::to_string(e->time) + ":" + std::to_string(static_cast<const tonvela::NoteOnEvent*>(e)->note()));
    EXPECT_EQ(notes, (std::vector<std::string>{"0:60", "480:62", "960:64", "1441:65", "1920:67"}));
    expectUndoRedo(before, journal, "Make Bend->Slur");

    // A phrase out of the bend range is not offered.
    w.Reverse->setChecked(false);
    w.refreshFromEditor();
    select(w.ListBox1, {1, 2});
    EXPECT_TRUE(w.ApplyButton->isEnabled());
    select(w.ListBox1, {0, 1, 2, 3});
    EXPECT_FALSE(w.ApplyButton->isEnabled()) << "C is five semitones below F";
}

TEST_F(ExpressionWindows, TestPlayPlaysTheTrillAloneAndStopsWhenTheWindowCloses) {
    tonvela::test::CaptureRig rig(tonvela::makeSteadyClock());
    context.device_ = &rig.device;
    auto& w = open<TTrillEditor>("trill");
    select(w.ListBox1, {3});
    Q_EMIT w.Quantize->itemClicked(0);
    const std::string before = dump();
    ASSERT_TRUE(w.TestPlayButton->isEnabled());
    w.TestPlayButton->click();
    EXPECT_TRUE(rig.device.playing());
    ASSERT_NE(w.workTrack(), nullptr);
    EXPECT_GT(w.workTrack()->countEvents(), 3);
    EXPECT_EQ(dump(), before) << "a test changes nothing";
    w.close();
    EXPECT_FALSE(rig.device.playing()) << "closing stops the test";
    const std::vector<std::string> sent = rig.bytes();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "90 41 64"), sent.end()) << "the trill's first note, F";
    EXPECT_EQ(std::find(sent.begin(), sent.end(), "90 3C 64"), sent.end()) << "nothing of the song itself";
    context.device_ = nullptr;
}

// ---- glissando -------------------------------------------------------------------------------

TEST_F(ExpressionWindows, GlissandoStartsFromItsDefaultsAndTheSelection) {
    auto& w = open<TGlissand>();
    EXPECT_EQ(w.windowTitle(), "Glissand Editor");
    EXPECT_EQ(w.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(w.fromNote->currentIndex(), 72);
    EXPECT_EQ(w.toNote->currentIndex(), 60);
    EXPECT_EQ(w.fromNote->count(), 128);
    EXPECT_EQ(w.VeloStart->text(), "100");
    EXPECT_EQ(w.Dur->text(), "120");
    EXPECT_EQ(w.DelayTime->text(), "0");
    EXPECT_EQ(w.Scale1[1]->text(), "C#");
    EXPECT_EQ(w.Scale1[0]->text(), "C ");
    EXPECT_EQ(w.Scale2[0]->text(), "C");
    EXPECT_FALSE(w.Panel2->isVisible());
    // The span: the start of bar 2 and a quarter before.
    EXPECT_EQ(w.StartBar->text() + ":" + w.StartBeat->text() + ":" + w.StartTick->text(), "1:4:0");
    EXPECT_EQ(w.EndBar->text() + ":" + w.EndBeat->text() + ":" + w.EndTick->text(), "2:1:0");
    EXPECT_TRUE(w.Scale1[5]->isChecked()) << "Lead is no harp: the naturals stay";
    w.UseAlt->setChecked(true);
    EXPECT_TRUE(w.Panel2->isVisible());
}

TEST_F(ExpressionWindows, GlissandoScalesAlterationsAndPresets) {
    auto& w = open<TGlissand>();
    w.setAlteration(0, "+1");
    EXPECT_EQ(w.Scale1[0]->text(), "C +1");
    EXPECT_EQ(w.settings().alteration[0], 1);
    w.setAlteration(0, "Natural(0)");
    EXPECT_EQ(w.Scale1[0]->text(), "C ");
    EXPECT_EQ(w.settings().alteration[0], 0);
    w.NaturCHeck->click();
    EXPECT_FALSE(w.Scale1[0]->isChecked());
    EXPECT_FALSE(w.Scale1[11]->isChecked());
    w.NaturCHeck->click();
    EXPECT_TRUE(w.Scale1[4]->isChecked());
    w.ChromCheck->click();
    EXPECT_TRUE(w.Scale1[1]->isChecked() && w.Scale1[10]->isChecked());
    QAction* sharps3 = nullptr;
    for (QAction* a : w.PresetMenu->actions())
        if (a->text() == "# x3") sharps3 = a;
    ASSERT_NE(sharps3, nullptr);
    EXPECT_EQ(w.PresetMenu->actions().size(), 15);
    sharps3->trigger();
    QString on;
    for (QCheckBox* b : w.Scale1)
        if (b->isChecked()) on += b->text().left(2);
    EXPECT_EQ(on, "C#D E F#G#A B ");
}

TEST_F(ExpressionWindows, GlissandoOnAHarpTrackStartsInTheKeySignature) {
    context.selection_ = {2, 2, 0, 0};
    auto& w = open<TGlissand>();
    EXPECT_FALSE(w.Scale1[5]->isChecked()) << "F off: three sharps";
    EXPECT_TRUE(w.Scale1[6]->isChecked());
    EXPECT_TRUE(w.Scale1[8]->isChecked());
}

TEST_F(ExpressionWindows, GlissandoMakeIsOneStepAndTheDialogKeepsItsSettings) {
    auto& w = open<TGlissand>();
    w.Dur->setText("80");
    w.UseSustain->setChecked(true);
    const std::string before = dump();
    const auto journal = lead().journal;
    w.Make->click();
    EXPECT_TRUE(context.errors.isEmpty()) << context.errors.join("; ").toStdString();
    int made = 0;
    for (const tonvela::anyEvent* e : lead().events())
        if (e && e->kind() == tonvela::kindNote && e->time >= 1440 && e->time < 1920) ++made;
    EXPECT_EQ(made, 1 + 7) << "bar 1's last note and seven run notes";
    expectUndoRedo(before, journal, "Make Glissand");

    w.close();
    context.selection_ = {1, 1, 2, 2};
    w.show();
    EXPECT_EQ(w.Dur->text(), "80");
    EXPECT_TRUE(w.UseSustain->isChecked());
    EXPECT_EQ(w.EndBar->text(), "4") << "the span follows the selection";

    const std::string unchanged = dump();
    w.EndBar->setText("3");
    w.EndBeat->setText("1");
    w.StartBar->setText("3");
    w.StartBeat->setText("2");
    w.Make->click();
    EXPECT_EQ(context.errors, QStringList{"The end of the glissando lies before its start."});
    EXPECT_EQ(dump(), unchanged);
}

TEST_F(ExpressionWindows, GlissandoTestPlaysTheRunAloneAndStopsOnClose) {
    tonvela::test::CaptureRig rig(tonvela::makeSteadyClock());
    context.device_ = &rig.device;
    auto& w = open<TGlissand>();
    w.EndBar->setText("4");  // a long run, still playing when the dialog closes
    const std::string before = dump();
    w.ButtonTest->click();
    EXPECT_TRUE(rig.device.playing());
    EXPECT_EQ(dump(), before);
    w.close();
    EXPECT_FALSE(rig.device.playing());
    const std::vector<std::string> sent = rig.bytes();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "90 48 64"), sent.end()) << "C5 first";
    context.device_ = nullptr;
}

}  // namespace

// The main window's commands open the three windows; the trill editor and the slur bender are
// one window on two pages.
TEST_F(EditorTest, TheMainWindowsCommandsOpenTheExpressionWindows) {
    TMIDIPollimoMain* w = start();
    w->updateActions();
    for (QAction* a : {w->ActionPortamentEditor, w->ActionTrillEditor, w->ActionSlurBender, w->ActionGlissandEditor})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString() << " needs a song";
    ASSERT_TRUE(w->openPath(writeSong("s.mid", pianoAndBass())));
    w->updateActions();
    for (QAction* a : {w->ActionPortamentEditor, w->ActionTrillEditor, w->ActionSlurBender, w->ActionGlissandEditor})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();

    w->ActionPortamentEditor->trigger();
    auto* porta = w->tools().find<TPortamentEditor>();
    ASSERT_NE(porta, nullptr);
    EXPECT_TRUE(porta->isVisible());
    EXPECT_EQ(porta->ListBox1->count(), 12) << "the piano's twelve notes of bar 1";

    w->ActionSlurBender->trigger();
    auto* trill = w->tools().find<TTrillEditor>();
    ASSERT_NE(trill, nullptr);
    EXPECT_EQ(trill->windowTitle(), "Slur Bender");
    w->ActionTrillEditor->trigger();
    EXPECT_EQ(w->tools().find<TTrillEditor>(), trill);
    EXPECT_EQ(trill->windowTitle(), "Trill Editor");
    EXPECT_EQ(trill->page(), TTrillEditor::TrillPage);

    w->ActionGlissandEditor->trigger();
    auto* gliss = w->tools().find<TGlissand>();
    ASSERT_NE(gliss, nullptr);
    EXPECT_TRUE(gliss->isVisible());
    EXPECT_TRUE(gliss->isModal());
    gliss->close();
}
