#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include "../output/output_rig.h"
#include "effects/curveview.h"
#include "effects/effect_file.h"
#include "effects/effecteditor.h"
#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "intinputwin.h"
#include "song/dump.h"

using namespace guitest;
using tonvela::test::Bytes;
using tonvela::test::cat;

namespace {

Bytes noteVel(uint32_t delta, int key, int velocity, uint32_t length) {
    return cat({at(delta, {0x90, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)}),
                at(length, {0x80, static_cast<uint8_t>(key), 0})});
}

// Track 1 "Lead" on channel 1: key 60 velocity 100 in bar 1; keys 62 (velocity 64) and 64
// (velocity 127) in bar 2; key 65 (velocity 64) in bar 3. 4/4 at 480 ticks, four bars.
Bytes lead() {
    const Bytes track = cat({trackName("Lead"), noteVel(0, 60, 100, 480), noteVel(1440, 62, 64, 240),
                             noteVel(240, 64, 127, 240), noteVel(1680, 65, 64, 480)});
    return tonvela::test::smf(1, {conductor(4), track});
}

// The journal of every track, for "nothing was recorded" checks.
std::vector<std::vector<std::string>> journals(const tonvela::midiSong& song) {
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < song.trackCount(); ++i) out.push_back(song.track(i)->journal);
    return out;
}

// Chooses an item as the user does (the list's activated handler runs).
void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

// The re-entry dialog answered with `text` and OK.
std::function<int(QDialog*)> answerWith(const QString& text, QStringList* shown = nullptr) {
    return [text, shown](QDialog* d) {
        auto* input = qobject_cast<TIntegerInput*>(d);
        if (!input) return int(QDialog::Rejected);
        if (shown) *shown << input->MsgArea->toPlainText();
        input->InputInt->setText(text);
        input->OKButton1Click();
        return input->result();
    };
}

class EffectEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UiPrompts::install(&prompts);
        context.folders_.settings = dir_.path() + "/";
        context.folders_.effects = dir_.path() + "/Effects/";
        QDir().mkpath(context.folders_.effects);
    }
    void TearDown() override {
        editor.reset();
        UiPrompts::install(nullptr);
    }
    TEffectEditor& open(const Bytes& song, tonvela::Selection selection = {1, 1, 1, 1}) {
        context.loadSong(song);
        context.selection_ = selection;
        editor = std::make_unique<TEffectEditor>(context);
        context.tools.push_back(editor.get());
        editor->show();
        return *editor;
    }
    // Modify Velocity, "Absolute", "Cutoff", source "Original Velocity", named Soft: with the
    // Linear curve velocity 64 becomes 63 and 127 stays 127.
    void chooseSoftVelocity() {
        choose(editor->TargetComboBox, 2);
        choose(editor->ChangeMethod, 1);
        choose(editor->VeloModScaling, 0);
        choose(editor->FunctionX, 6);
        editor->EffectName->setText("Soft");
    }
    std::string dump() const { return tonvela::dumpSong(*context.song()); }
    QString path(const QString& name) const { return dir_.path() + "/" + name; }

    FakeEditorContext context;
    ScriptedPrompts prompts;
    std::unique_ptr<TEffectEditor> editor;

private:
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(EffectEditorTest, EachTypeShowsItsOwnPagesWithTheFirstActive) {
    TEffectEditor& ed = open(lead());
    EXPECT_EQ(ed.windowTitle(), "Effect Element Editor");
    EXPECT_EQ(ed.TargetComboBox->currentText(), "Add Events");
    const struct {
        int type;
        QStringList pages;
    } cases[] = {
        {1, {"Delete Event"}},
        {2, {"Modify Velocity", "Function"}},
        {3, {"TimeShift", "Function"}},
        {4, {"Echo"}},
        {5, {"Modify Control/Bend", "Function"}},
        {6, {"Modify Duration"}},
        {7, {"Chord Stroker"}},
        {0, {"Add Event", "Function"}},
    };
    for (const auto& c : cases) {
        // From the Function page, so the first page really has to become active.
        ed.PageControl->setCurrentWidget(ed.page(TEffectEditor::TabFunction));
        choose(ed.TargetComboBox, c.type);
        EXPECT_EQ(ed.shownPages(), c.pages) << "type " << c.type;
        EXPECT_EQ(ed.PageControl->tabText(ed.PageControl->currentIndex()), c.pages.front()) << "type " << c.type;
    }
}

TEST_F(EffectEditorTest, ControlsStartWithTheirDefaultsAndItemsSetTheirRows) {
    // A time base of 960 shows that the chord defaults come from the song.
    const Bytes track = cat({trackName("Lead"), noteVel(0, 60, 100, 480)});
    TEffectEditor& ed = open(tonvela::test::smf(1, {conductor(2), track}, 960));
    EXPECT_EQ(ed.AddItem->count(), 13);
    EXPECT_EQ(ed.AddItem->currentText(), "Pich Bend");
    EXPECT_EQ(ed.ValueMin->text(), "-8192");
    EXPECT_EQ(ed.Distance->text(), "10");
    EXPECT_EQ(ed.DistanceUnit->currentText(), "Tick");
    EXPECT_EQ(ed.MinDiffUnit->currentText(), "Half Tone");
    EXPECT_EQ(ed.MinimunDifference->text(), "0.01");
    EXPECT_EQ(ed.StartShift->text(), "-2");
    EXPECT_EQ(ed.Cutoff->currentText(), "Scale");
    EXPECT_EQ(ed.TrackBar1->value(), 10);
    EXPECT_EQ(ed.ComboBoxControl->count(), 128);
    EXPECT_EQ(ed.EchoVol[1]->value(), 150);
    EXPECT_EQ(ed.ChordBound->text(), "30");
    EXPECT_EQ(ed.resStart->text(), "-40");
    EXPECT_EQ(ed.resEnd->text(), "40");
    EXPECT_EQ(ed.StrokeName->text(), "8-beat");
    EXPECT_TRUE(ed.CtrlNoEdit->isHidden());
    EXPECT_FALSE(ed.PitchBendUnit->isHidden());

    choose(ed.AddItem, 7);  // "Other Control"
    EXPECT_FALSE(ed.CtrlNoEdit->isHidden());
    EXPECT_TRUE(ed.PitchBendUnit->isHidden());
    EXPECT_TRUE(ed.MinDiffUnit->isHidden());
    EXPECT_EQ(ed.ValueMin->text(), "0");
    EXPECT_EQ(ed.ValueMax->text(), "127");

    choose(ed.TargetComboBox, 1);
    choose(ed.DelItemComboBox1, 3);  // "Panpot"
    EXPECT_EQ(ed.DelVallMin->text(), "0");
    EXPECT_EQ(ed.exceptval[1]->text(), "64");
    EXPECT_EQ(ed.exceptval[2]->text(), "127");
    EXPECT_TRUE(ed.ExceptData[2]->isChecked());

    choose(ed.TargetComboBox, 5);
    choose(ed.Modify, 1);  // "PitchBend"
    EXPECT_TRUE(ed.ComboBoxControl->isHidden());
    EXPECT_EQ(ed.Edit1ModCOntrolMin->text(), "-8192");

    // Only the repeats counted are shown; the channel follows "Other Track".
    choose(ed.TargetComboBox, 4);
    ed.EchoCount->setValue(2);
    EXPECT_FALSE(ed.EchoVol[1]->isHidden());
    EXPECT_TRUE(ed.EchoVol[2]->isHidden());
    EXPECT_TRUE(ed.EditOct[4]->isHidden());
    EXPECT_FALSE(ed.OtherChannel->isEnabled());
    ed.EchoOtherTrack->setChecked(true);
    ed.OtherChannel->setChecked(true);
    EXPECT_TRUE(ed.UpDownEchannel->isEnabled());
    ed.EchoOtherTrack->setChecked(false);
    EXPECT_FALSE(ed.OtherChannel->isChecked());
}

TEST_F(EffectEditorTest, ChangingAUnitRewritesItsFieldsThroughWholeTicks) {
    TEffectEditor& ed = open(lead());
    const struct {
        QComboBox* list;
        int unit;
        std::vector<std::pair<QLineEdit*, QString>> fields;
    } steps[] = {
        {ed.DistanceUnit, 5, {{ed.Distance, " 0.04"}}},  // 10 ticks as 8th notes
        {ed.DistanceUnit, 0, {{ed.Distance, " 9.00"}}},  // 0.04 x 240 = 9.6, truncated
        {ed.DurationUnit, 4, {{ed.DurMin, " 0.00"}, {ed.DurMax, "20.83"}}},
        {ed.modifydurComboBox1, 2, {{ed.durFilterDurMin, " 0.00"}, {ed.durFilterDurMax, " 5.21"}}},
        {ed.PitchBendUnit, 1, {{ed.ValueMin, "-2.00"}, {ed.ValueMax, " 2.00"}}},
        {ed.PitchBendUnit, 0, {{ed.ValueMin, "-8192"}, {ed.ValueMax, "8191"}}},
        {ed.MinDiffUnit, 0, {{ed.MinimunDifference, "41"}}},  // 0.01 half tone at range 2
    };
    for (const auto& s : steps) {
        choose(s.list, s.unit);
        for (const auto& [f, expected] : s.fields)
            EXPECT_EQ(f->text(), expected) << s.list->objectName().toStdString() << " -> " << s.unit << ": "
                                           << f->objectName().toStdString();
    }

    // The echo page starts in milliseconds when first shown; 150 ms at 120 bpm is 144 ticks.
    choose(ed.TargetComboBox, 4);
    EXPECT_EQ(ed.EchoDelayUnit->currentText(), "ms");
    EXPECT_EQ(ed.EchoDelayText->text(), "150.0");
    choose(ed.EchoDelayUnit, 0);
    EXPECT_EQ(ed.EchoDelayText->text(), "144.00");
}

TEST_F(EffectEditorTest, TheFunctionPageDrawsTheCurveOfItsControls) {
    TEffectEditor& ed = open(lead());
    EXPECT_EQ(ed.curve().points[255], 127 * 255 * 10 / 25 / 102) << "Linear rises to the slider's end";
    choose(ed.FunctionBox, 1);  // "Sin"
    ed.FlipY->setChecked(true);
    const tonvela::Curve expected = tonvela::computeCurve(ed.settings().function);
    EXPECT_EQ(ed.curve().points, expected.points);
    EXPECT_EQ(ed.CurveImage->curve().points, expected.points);
    EXPECT_LT(ed.curve().points[64], 0) << "an inverted sine is below the line a quarter in";

    // The picture shows it: red pixels above and below the centre line.
    const QImage image = ed.CurveImage->grab().toImage();
    int redAbove = 0, redBelow = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80) (y < 128 ? redAbove : redBelow)++;
        }
    EXPECT_GT(redAbove, 50);
    EXPECT_GT(redBelow, 50);
}

TEST_F(EffectEditorTest, RangeFieldsFollowTheSelectionToTheLastTickOfItsLastBar) {
    TEffectEditor& ed = open(lead(), {1, 1, 1, 2});
    EXPECT_EQ(ed.FromBar->text(), "2");
    EXPECT_EQ(ed.FromBeat->text(), "1");
    EXPECT_EQ(ed.FromTickEdit->text(), "0");
    EXPECT_EQ(ed.ToBar->text(), "3");
    EXPECT_EQ(ed.ToBeat->text(), "4");
    EXPECT_EQ(ed.ToTickEdit->text(), "479");
    context.setSelection({1, 1, 0, 0});
    EXPECT_EQ(ed.FromBar->text(), "1");
    EXPECT_EQ(ed.ToBar->text(), "1");
}

TEST_F(EffectEditorTest, ApplyChangesTheSelectedBarsAndUndoRestoresThem) {
    TEffectEditor& ed = open(lead());
    const std::string before = dump();
    chooseSoftVelocity();
    EXPECT_FALSE(ed.ActionUndo->isEnabled());
    ed.ModTest->click();

    const std::string after = dump();
    EXPECT_NE(after.find("note=62 vel=63 "), std::string::npos) << after;
    EXPECT_NE(after.find("note=64 vel=127 "), std::string::npos) << after;
    EXPECT_NE(after.find("note=60 vel=100 "), std::string::npos) << "bar 1 is outside the selection";
    EXPECT_NE(after.find("note=65 vel=64 "), std::string::npos) << "bar 3 is outside the selection";
    EXPECT_EQ(ed.statusText(), "2 / 2 events hit");
    ASSERT_FALSE(context.statuses.isEmpty());
    EXPECT_EQ(context.statuses.last(), "2 / 2 events hit");
    EXPECT_GE(context.edits, 1);
    EXPECT_EQ(context.busyRuns, 1);
    EXPECT_FALSE(context.busy);

    EXPECT_TRUE(ed.ActionUndo->isEnabled());
    EXPECT_EQ(ed.ActionUndo->toolTip(), "Undo <Modify Velocity<Soft>>");
    context.playing_ = true;
    ed.updateActions();
    EXPECT_FALSE(ed.ActionUndo->isEnabled()) << "no undo while playing";
    context.playing_ = false;
    ed.updateActions();
    ed.Undo->click();
    EXPECT_EQ(dump(), before);
    EXPECT_FALSE(ed.ActionUndo->isEnabled());
}

TEST_F(EffectEditorTest, AnIntervalOfZeroDisablesApplyForEveryType) {
    TEffectEditor& ed = open(lead());
    chooseSoftVelocity();
    ed.Distance->setText("0");
    EXPECT_FALSE(ed.ActionApply->isEnabled());
    EXPECT_FALSE(ed.PreviewButton->isEnabled());
    const std::string before = dump();
    ed.ApplyExecute();
    EXPECT_EQ(dump(), before);
    ed.Distance->setText("0.5");
    EXPECT_TRUE(ed.ActionApply->isEnabled());
}

TEST_F(EffectEditorTest, AnUnreadableNumberIsAskedForAgainAndTheAnswerIsUsed) {
    TEffectEditor& ed = open(lead());
    chooseSoftVelocity();
    ed.VeloRangeMin->setText("7o");
    ed.VeloRangeMax->setText("0127");
    QStringList shown;
    prompts.onDialog = answerWith("70", &shown);
    ed.ModTest->click();
    EXPECT_EQ(shown, QStringList{"7o"});
    EXPECT_EQ(ed.VeloRangeMin->text(), "70");
    EXPECT_EQ(ed.VeloRangeMax->text(), "127") << "written back in plain form";
    // Cutoff at 70: velocity 64 (curve point 63) is raised to 70.
    EXPECT_NE(dump().find("note=62 vel=70 "), std::string::npos) << dump();
}

TEST_F(EffectEditorTest, ACancelledReentryLeavesTheSongAndItsJournalAlone) {
    TEffectEditor& ed = open(lead());
    chooseSoftVelocity();
    const std::string before = dump();
    const auto journalBefore = journals(*context.song());
    const struct {
        QLineEdit* field;
        QString text;
    } cases[] = {{ed.VeloRangeMax, "x"}, {ed.FromBar, "two"}};
    for (const auto& c : cases) {
        const QString old = c.field->text();
        c.field->setText(c.text);
        int asked = 0;
        prompts.onDialog = [&asked](QDialog*) {
            ++asked;
            return int(QDialog::Rejected);
        };
        ed.ModTest->click();
        EXPECT_EQ(asked, 1) << c.field->objectName().toStdString();
        EXPECT_EQ(c.field->text(), c.text);
        EXPECT_EQ(dump(), before);
        EXPECT_EQ(journals(*context.song()), journalBefore);
        EXPECT_EQ(context.busyRuns, 0);
        c.field->setText(old);
    }
}

TEST_F(EffectEditorTest, SavedEffectsLoadBackAndABrokenFileChangesNothing) {
    TEffectEditor& ed = open(lead());
    choose(ed.TargetComboBox, 4);  // Echo
    ed.EffectName->setText("Slap");
    ed.Description->setPlainText("Fade in\nSlow");
    ed.EchoCount->setValue(4);
    ed.EditOct[3]->setText("12");
    choose(ed.Overlap, 2);
    EXPECT_TRUE(ed.SaveData->isEnabled());
    const tonvela::EffectSettings saved = ed.settings();
    prompts.saveNames = {path("Effects/Slap2.fxl")};
    ed.SaveDataButton->click();
    ASSERT_TRUE(QFile::exists(path("Effects/Slap2.fxl")));
    EXPECT_EQ(ed.EffectName->text(), "Slap2") << "the name follows the file";

    ed.showSettings(tonvela::EffectSettings{});
    EXPECT_EQ(ed.TargetComboBox->currentIndex(), 0);
    prompts.openNames = {path("Effects/Slap2.fxl")};
    ed.LoadButton->click();
    EXPECT_EQ(ed.shownPages(), QStringList{"Echo"});
    EXPECT_EQ(ed.EchoCount->value(), 4);
    EXPECT_EQ(ed.EditOct[3]->text(), "12");
    EXPECT_EQ(ed.Overlap->currentText(), "Not Care");
    EXPECT_EQ(ed.Description->toPlainText(), "Fade in\nSlow");
    EXPECT_EQ(tonvela::formatEffect(ed.settings()), tonvela::formatEffect(saved));

    // A file that stops in the middle of its block.
    QFile broken(path("Effects/broken.fxl"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("0009\r\nModify Velocity\r\nCut\r\n\"\"\r\n1\r\n");
    broken.close();
    const std::string before = tonvela::formatEffect(ed.settings());
    prompts.openNames = {path("Effects/broken.fxl")};
    ed.LoadButton->click();
    ASSERT_EQ(context.errors.size(), 1);
    EXPECT_FALSE(context.errors.first().isEmpty());
    EXPECT_EQ(tonvela::formatEffect(ed.settings()), before);
    EXPECT_EQ(ed.shownPages(), QStringList{"Echo"});
}

TEST_F(EffectEditorTest, AnUnknownTypeIsReportedWhenApplied) {
    TEffectEditor& ed = open(lead());
    QFile f(path("Effects/odd.fxl"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0009\r\nWarp\r\nOdd\r\n\"\"\r\nElement End\r\n");
    f.close();
    prompts.openNames = {path("Effects/odd.fxl")};
    ed.LoadButton->click();
    EXPECT_EQ(ed.TargetComboBox->currentIndex(), -1);
    EXPECT_TRUE(ed.shownPages().isEmpty());
    const std::string before = dump();
    ed.ModTest->click();
    EXPECT_EQ(context.errors, QStringList{"DOOOH! Internal Error! "});
    EXPECT_EQ(dump(), before);
}

TEST_F(EffectEditorTest, PreviewPlaysTheEffectFromACopyAndLeavesTheSongAlone) {
    tonvela::test::CaptureRig rig;
    context.device_ = &rig.device;
    TEffectEditor& ed = open(lead());
    chooseSoftVelocity();
    EXPECT_TRUE(ed.PreviewButton->isEnabled());
    const std::string before = dump();
    const auto journalBefore = journals(*context.song());
    ed.PreviewButton->click();

    EXPECT_EQ(dump(), before);
    EXPECT_EQ(journals(*context.song()), journalBefore);
    const std::vector<std::string> sent = rig.bytes();
    auto was = [&](const std::string& bytes) { return std::find(sent.begin(), sent.end(), bytes) != sent.end(); };
    EXPECT_TRUE(was("90 3E 3F")) << "key 62 at the effect's velocity 63";
    EXPECT_FALSE(was("90 3E 40")) << "not at the song's velocity 64";
    EXPECT_FALSE(was("90 3C 64")) << "bar 1 is not played";
    EXPECT_EQ(ed.statusText(), "Preview: 2 / 2 events hit");
    // The offline clock played it through: nothing left playing, the copy is gone.
    EXPECT_FALSE(ed.previewing());
    EXPECT_FALSE(ed.StopButton->isEnabled());
}

TEST_F(EffectEditorTest, PreviewWaitsForAnOutputDevice) {
    TEffectEditor& ed = open(lead());
    chooseSoftVelocity();
    EXPECT_FALSE(ed.PreviewButton->isEnabled());
    EXPECT_FALSE(ed.PreviewButton->toolTip().isEmpty());
    tonvela::test::CaptureRig rig;
    context.device_ = &rig.device;
    context.playing_ = true;
    ed.updateActions();
    EXPECT_FALSE(ed.PreviewButton->isEnabled()) << "the device is busy with the song";
    context.playing_ = false;
    ed.updateActions();
    EXPECT_TRUE(ed.PreviewButton->isEnabled());
    context.device_ = nullptr;
}

TEST_F(EffectEditorTest, ALongRunShowsItsProgressAndKeepsTheEditorBusy) {
    // 30000 notes in bar 1, so the run reports progress on its way.
    Bytes track = trackName("Many");
    for (int i = 0; i < 30000; ++i) track = cat({track, noteVel(0, 40 + i % 40, 64, 0)});
    TEffectEditor& ed = open(tonvela::test::smf(1, {conductor(2), track}), {1, 1, 0, 0});
    chooseSoftVelocity();
    ed.progressInterval = std::chrono::milliseconds(0);
    int reports = 0;
    bool busyThroughout = true, commandsOff = true;
    QString shown;
    ed.onProgress = [&] {
        ++reports;
        busyThroughout = busyThroughout && context.busy;
        commandsOff = commandsOff && !ed.ActionApply->isEnabled() && !ed.ActionUndo->isEnabled() &&
                      !ed.LoadButton->isEnabled();
        shown = ed.statusText();
    };
    ed.ModTest->click();
    EXPECT_GT(reports, 0);
    EXPECT_TRUE(busyThroughout);
    EXPECT_TRUE(commandsOff);
    EXPECT_TRUE(shown.endsWith(" events hit")) << shown.toStdString();
    EXPECT_EQ(ed.statusText(), "30000 / 30001 events hit") << "the notes and the track name";
    EXPECT_FALSE(context.busy);
    EXPECT_TRUE(ed.ActionApply->isEnabled());
}

TEST_F(EffectEditorTest, TheWindowTakesItsPlaceFromEffectPrfOfVersionZeroOnly) {
    const struct {
        const char* file;
        QPoint place;
        int messages;
    } cases[] = {
        {"0000\r\n40\r\n30\r\n", {30, 40}, 0},
        {"0001\r\n40\r\n30\r\n", {0, 0}, 1},
        {"0000\r\nforty\r\n30\r\n", {0, 0}, 0},
    };
    context.loadSong(lead());
    for (const auto& c : cases) {
        QFile f(path("effect.prf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.file);
        f.close();
        prompts.asked.clear();
        TEffectEditor ed(context);
        EXPECT_EQ(ed.pos(), c.place) << c.file;
        ASSERT_EQ(static_cast<int>(prompts.asked.size()), c.messages) << c.file;
        if (c.messages) {
            EXPECT_EQ(prompts.asked[0].text, "Illegal data version.  Get latest version of MIDI Tonvela.");
        }
    }
    // The editor never writes the file.
    QFile f(path("effect.prf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("0000\r\nforty\r\n30\r\n"));
}

TEST_F(EffectEditorTest, AnEchoIntoANewTrackSelectsItAndListsItsName) {
    TEffectEditor& ed = open(lead());
    choose(ed.TargetComboBox, 4);
    ed.EchoOtherTrack->setChecked(true);
    ed.SelectTarget->setChecked(true);
    ed.NewTrackName->setCurrentText("Echoes");
    ed.EffectName->setText("Slap");
    ed.ModTest->click();
    ASSERT_EQ(context.song()->trackCount(), 3);
    EXPECT_EQ(context.song()->track(2)->name, "Echoes");
    EXPECT_EQ(context.selection(), (tonvela::Selection{2, 2, 1, 1}));
    EXPECT_GE(ed.NewTrackName->findText("Echoes"), 0);
    EXPECT_EQ(ed.NewTrackName->currentText(), "Echoes");
}

// ---- through the main window ---------------------------------------------------------------------

TEST_F(EditorTest, TheEffectEditorOpensFromTheMainWindowAndEditsItsSelection) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->updateActions();
    ASSERT_TRUE(w->ActionEffectEditor->isEnabled());
    w->ActionEffectEditor->trigger();
    auto* ed = w->tools().find<TEffectEditor>();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->isVisible());
    EXPECT_EQ(ed->windowTitle(), "Effect Element Editor");

    w->selectCell(1, 1);
    EXPECT_EQ(ed->FromBar->text(), "2");
    EXPECT_EQ(ed->ToTickEdit->text(), "479");

    const std::string before = tonvela::dumpSong(*w->song());
    choose(ed->TargetComboBox, 2);
    choose(ed->ChangeMethod, 1);
    ed->EffectName->setText("Soft");
    ed->ModTest->click();
    EXPECT_EQ(statusText(), "2 / 4 events hit") << "two notes, a controller and a text in bar 2 of the piano";
    EXPECT_EQ(ed->statusText(), statusText());
    EXPECT_NE(tonvela::dumpSong(*w->song()), before);
    EXPECT_TRUE(w->songChanged());
    EXPECT_TRUE(w->FileOpen->isEnabled()) << "the editor is idle again";

    ed->Undo->click();
    EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
    EXPECT_TRUE(prompts.asked.empty()) << prompts.texts().join("; ").toStdString();

    // While a run is busy the main window refuses what would change the song or close it.
    EditorContext& context = *w;
    context.setBusy(true);
    EXPECT_FALSE(w->FileOpen->isEnabled());
    EXPECT_FALSE(w->PlaySong->isEnabled());
    EXPECT_FALSE(context.undo(1));
    EXPECT_FALSE(w->close());
    context.setBusy(false);
    EXPECT_TRUE(w->FileOpen->isEnabled());
}

// An echo into a new track adds a row to the grid and selects it; Undo takes the track and its
// row away, the song counts as unchanged; Redo brings it back.
TEST_F(EditorTest, UndoOfAnEchoIntoANewTrackTakesTheTrackAwayAndRedoBringsItBack) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->ActionEffectEditor->trigger();
    auto* ed = w->tools().find<TEffectEditor>();
    ASSERT_NE(ed, nullptr);
    w->selectCell(1, 0);
    const int tracks = w->song()->trackCount();
    const std::string before = tonvela::dumpSong(*w->song());
    choose(ed->TargetComboBox, 4);
    ed->EchoOtherTrack->setChecked(true);
    ed->SelectTarget->setChecked(true);
    ed->NewTrackName->setCurrentText("Echoes");
    ed->EffectName->setText("Slap");
    ed->ModTest->click();
    ASSERT_EQ(w->song()->trackCount(), tracks + 1);
    EXPECT_EQ(w->MIDIDrawGrid11->rowCount(), tracks + 1);
    EXPECT_EQ(w->selection().firstTrack, tracks) << "the echo track's row is selected";
    const std::string after = tonvela::dumpSong(*w->song());

    // The run's steps: the echo track's, and the piano's (its notes were shortened where their
    // echoes begin).
    w->updateActions();
    ASSERT_TRUE(w->ActionUndo->isEnabled());
    w->ActionUndo->trigger();
    EXPECT_EQ(w->song()->trackCount(), tracks);
    EXPECT_EQ(w->MIDIDrawGrid11->rowCount(), tracks);
    w->selectCell(1, 0);
    w->updateActions();
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Echo <Slap>>");
    w->ActionUndo->trigger();
    EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
    EXPECT_FALSE(w->songChanged());

    for (int i = 0; i < 2; ++i) {  // the piano's step, then the echo track
        w->updateActions();
        ASSERT_TRUE(w->ActionRedo->isEnabled());
        EXPECT_EQ(w->ActionRedo->text(), "Redo <Echo <Slap>>");
        w->ActionRedo->trigger();
    }
    EXPECT_EQ(w->song()->trackCount(), tracks + 1);
    EXPECT_EQ(w->MIDIDrawGrid11->rowCount(), tracks + 1);
    EXPECT_EQ(tonvela::dumpSong(*w->song()), after);
    EXPECT_TRUE(w->songChanged());
}

TEST_F(EditorTest, PreviewPlaysInTimeUntilStoppedWithoutTouchingTheSong) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->ActionEffectEditor->trigger();
    auto* ed = w->tools().find<TEffectEditor>();
    ASSERT_NE(ed, nullptr);
    w->selectCell(1, 0);
    choose(ed->TargetComboBox, 2);
    const std::string before = tonvela::dumpSong(*w->song());
    capture->clear();
    ed->PreviewButton->click();
    ASSERT_TRUE(ed->previewing()) << "bar 1 of the piano lasts two seconds";
    EXPECT_TRUE(ed->StopButton->isEnabled());
    EXPECT_FALSE(ed->PreviewButton->isEnabled());
    EXPECT_FALSE(ed->ActionUndo->isEnabled());
    EXPECT_TRUE(w->playing());

    ed->StopButton->click();
    EXPECT_FALSE(ed->previewing());
    EXPECT_FALSE(w->playing());
    EXPECT_FALSE(ed->StopButton->isEnabled());
    EXPECT_GT(capture->size(), 0u);
    EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
    EXPECT_FALSE(w->songChanged());
}
