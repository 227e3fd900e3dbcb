// The drums/notes changer driven as a user does: build a mapping list under drum or note names,
// search, change, undo; save and load .cdl lists; the question on closing.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "drums/chanedrum.h"
#include "eventlist/uniform_list_view.h"
#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "radiogroup.h"
#include "song/dump.h"
#include "temp_folder.h"
#include "track_writer.h"

using namespace guitest;
using tonvela::test::Bytes;
using tonvela::test::TrackWriter;

namespace {

// Track 1 "Drums" on channel 10: kick (36) at 0 and 960, snare (38) at 480. Track 2 "Bass" on
// channel 2: key 36 at 0, key 48 at 480. Two bars of 4/4 at 480 ticks.
Bytes song() {
    TrackWriter drums;
    drums.note(0, 9, 36, 100, 120).note(480, 9, 38, 90, 120).note(960, 9, 36, 80, 120);
    TrackWriter bass;
    bass.note(0, 1, 36, 70, 480).note(480, 1, 48, 70, 480);
    return tonvela::test::smf(1, {conductor(2), tonvela::test::cat({trackName("Drums"), drums.bytes()}),
                                  tonvela::test::cat({trackName("Bass"), bass.bytes()})});
}

QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int r = 0; r < list->count(); ++r) out << list->item(r)->text();
    return out;
}

std::vector<int> keysOf(const tonvela::midiTrack& t) {
    std::vector<int> keys;
    for (const tonvela::anyEvent* e : t.events())
        if (e && e->kind() == tonvela::kindNote) keys.push_back(static_cast<const tonvela::NoteOnEvent*>(e)->note());
    return keys;
}

class DrumsChanger : public ::testing::Test {
protected:
    void SetUp() override {
        UiPrompts::install(&prompts);
        context.loadSong(song());
        context.folders_.settings = QString::fromStdString(dir.path()) + "/";
        w = new TChaneDrum(context);
        context.tools.push_back(w);
        w->opening("drums");
        w->show();
    }
    void TearDown() override {
        prompts.answers.clear();
        for (ToolWindow* t : context.tools) delete t;
        context.tools.clear();
        UiPrompts::install(nullptr);
    }
    void chooseKind(int index) {
        w->NoteKind->setItemIndex(index);
        Q_EMIT w->NoteKind->itemClicked(index);
    }
    void add(int from, int to) {
        w->fromCB->setCurrentIndex(from);
        w->toCB->setCurrentIndex(to);
        w->AddButton->click();
    }
    void select(int row) {
        w->ListBox1->clearSelection();
        w->ListBox1->setCurrentRow(row);
        w->ListBox1->item(row)->setSelected(true);
    }
    QString file(const char* name) const { return QString::fromStdString(dir.file(name)); }

    FakeEditorContext context;
    ScriptedPrompts prompts;
    tonvela::test::TempFolder dir;
    TChaneDrum* w = nullptr;
};

}  // namespace

TEST_F(DrumsChanger, OpensWithDrumNamesKey35AndChannel10) {
    EXPECT_EQ(w->windowTitle(), "Drum/Notes Changer");
    EXPECT_TRUE(w->isModal());
    EXPECT_EQ(w->NoteKind->itemIndex(), 0);
    EXPECT_EQ(w->Method->itemIndex(), 0);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(w->channelBoxes[static_cast<size_t>(ch)]->text(), QString("Channel %1").arg(ch + 1));
        EXPECT_EQ(w->channelBoxes[static_cast<size_t>(ch)]->isChecked(), ch == 9) << ch;
    }
    ASSERT_EQ(w->fromCB->count(), 128);
    EXPECT_EQ(w->fromCB->itemText(36), "Kick Short");
    EXPECT_EQ(w->fromCB->currentIndex(), 35);
    EXPECT_EQ(w->toCB->currentIndex(), 35);
    EXPECT_EQ(w->ListBox1->count(), 0);
    // The same key on both sides adds nothing; an empty list cannot be searched, changed or saved.
    for (QPushButton* b : {w->AddButton, w->DelButton, w->SearchButton, w->Button1, w->saveButton})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w->LoadButton->isEnabled());
}

// The list under one kind keeps working under the other; the keys chosen stay the same keys.
TEST_F(DrumsChanger, MappingListAcrossKinds) {
    add(36, 37);
    add(36, 37);  // the same line twice is allowed
    add(38, 40);
    EXPECT_EQ(lines(w->ListBox1),
              (QStringList{"Kick Short -> Side Stick", "Kick Short -> Side Stick", "Snare Short -> Snare Tight"}));
    EXPECT_TRUE(w->settingsChanged());

    w->fromCB->setCurrentIndex(38);
    w->toCB->setCurrentIndex(40);
    chooseKind(1);
    EXPECT_EQ(w->fromCB->currentText(), " D 2");
    EXPECT_EQ(w->toCB->currentText(), " E 2");
    EXPECT_FALSE(w->channelBoxes[9]->isChecked());
    EXPECT_FALSE(w->SearchButton->isEnabled());  // no channel ticked
    w->channelBoxes[1]->setChecked(true);
    EXPECT_TRUE(w->SearchButton->isEnabled());
    add(48, 50);
    EXPECT_EQ(lines(w->ListBox1).last(), " C 3 ->  D 3");
    const tonvela::DrumChangeSettings s = w->settings();
    EXPECT_EQ(s.mappings, (std::vector<tonvela::DrumMapping>{{36, 37}, {36, 37}, {38, 40}, {48, 50}}));
    EXPECT_EQ(s.noteKind, tonvela::kNoteKind);

    // Search under note names: the lines name the notes that way; the bass's C2 on channel 2.
    w->SearchButton->click();
    EXPECT_EQ(w->resultLines(), (QStringList{"001:01:000  C 2(->  C#2)", "001:02:000  C 3(->  D 3)"}));
    EXPECT_EQ(context.edits, 0);
}

// Delete removes the chosen line and chooses the one now at its place, or the last.
TEST_F(DrumsChanger, DeleteKeepsAChoice) {
    for (int k = 0; k < 3; ++k) add(36 + k, 50);
    select(1);
    w->DelButton->click();
    EXPECT_EQ(lines(w->ListBox1), (QStringList{"Kick Short -> High Tom", "Snare Short -> High Tom"}));
    EXPECT_EQ(w->ListBox1->selectedItems().first()->text(), "Snare Short -> High Tom");
    w->DelButton->click();
    EXPECT_EQ(w->ListBox1->selectedItems().first()->text(), "Kick Short -> High Tom");
    w->DelButton->click();
    EXPECT_EQ(w->ListBox1->count(), 0);
    EXPECT_FALSE(w->DelButton->isEnabled());
    EXPECT_FALSE(w->saveButton->isEnabled());
}

// Change: the exact lines, one step per track, the editor refreshed; undo restores the song.
TEST_F(DrumsChanger, ChangeMovesOrCopiesAndUndoes) {
    const std::string before = tonvela::dumpSong(*context.song());
    add(36, 38);
    add(38, 36);
    w->Button1->click();
    EXPECT_EQ(w->resultLines(), (QStringList{"001:01:000 Kick Short -> Snare Short", "001:02:000 Snare Short -> Kick Short",
                                             "001:03:000 Kick Short -> Snare Short"}));
    EXPECT_EQ(keysOf(*context.song()->track(1)), (std::vector<int>{38, 36, 38}));
    EXPECT_EQ(keysOf(*context.song()->track(2)), (std::vector<int>{36, 48}));  // channel 2 not ticked
    EXPECT_EQ(context.edits, 1);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(context.song()->track(t)->undoLabel(), "Change Drum/Note") << t;
    ASSERT_TRUE(context.undo(1));
    EXPECT_EQ(tonvela::dumpSong(*context.song()), before);

    w->Method->setItemIndex(1);
    w->channelBoxes[1]->setChecked(true);
    w->Button1->click();
    EXPECT_EQ(keysOf(*context.song()->track(1)), (std::vector<int>{36, 38, 38, 36, 36, 38}));
    EXPECT_EQ(keysOf(*context.song()->track(2)), (std::vector<int>{36, 38, 48}));

    w->ListBox1->clear();
    add(60, 61);
    w->Button1->click();
    EXPECT_EQ(w->resultLines(), QStringList{"No note chaned."});
    w->SearchButton->click();
    EXPECT_EQ(w->resultLines(), QStringList{"No note found."});
}

// Save writes the list and clears the change mark; Load switches the kind first, takes the
// file's channels and counts as unsaved; a broken file changes nothing.
TEST_F(DrumsChanger, SaveAndLoadLists) {
    add(36, 37);
    w->Method->setItemIndex(1);
    w->channelBoxes[0]->setChecked(true);
    prompts.saveNames.push_back(file("kit"));
    w->saveButton->click();
    EXPECT_EQ(QString::fromStdString(tonvela::test::readText(dir.file("kit.cdl"))),
              "0000\r\n0\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n36\r\n37\r\n");
    EXPECT_FALSE(w->settingsChanged());

    tonvela::test::writeText(dir.file("notes.cdl"),
                             "0000\r\n1\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
                             "0\r\n2\r\n60\r\n62\r\n38\r\n35\r\n");
    prompts.openNames.push_back(file("notes.cdl"));
    w->LoadButton->click();
    EXPECT_EQ(w->NoteKind->itemIndex(), 1);
    EXPECT_EQ(w->Method->itemIndex(), 0);
    EXPECT_EQ(w->fromCB->itemText(60), " C 4");
    for (int ch = 0; ch < 16; ++ch) EXPECT_EQ(w->channelBoxes[static_cast<size_t>(ch)]->isChecked(), ch == 2 || ch == 9) << ch;
    EXPECT_EQ(lines(w->ListBox1), (QStringList{" C 4 ->  D 4", " D 2 ->  B 1"}));
    EXPECT_TRUE(w->settingsChanged());
    EXPECT_TRUE(context.errors.isEmpty());

    // Refused files: the list, the kind and the channels stay as they were.
    tonvela::test::writeText(dir.file("short.cdl"), "0000\r\n0\r\n0\r\n1\r\n");
    tonvela::test::writeText(dir.file("huge.cdl"),
                             "0000\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
                             "0\r\n2000000000\r\n36\r\n37\r\n");
    tonvela::test::writeText(dir.file("key.cdl"),
                             "0000\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
                             "0\r\n1\r\n36\r\n200\r\n");
    for (const char* bad : {"short.cdl", "huge.cdl", "key.cdl"}) {
        prompts.openNames.push_back(file(bad));
        w->LoadButton->click();
    }
    ASSERT_EQ(context.errors.size(), 3);
    EXPECT_TRUE(context.errors[0].startsWith("The change list ends early: line 5"));
    EXPECT_TRUE(context.errors[1].startsWith("The change list ends early: its 2000000000 mappings"));
    EXPECT_TRUE(context.errors[2].startsWith("The change list is broken: line 22 (target key of mapping 1) is 200"));
    EXPECT_EQ(w->NoteKind->itemIndex(), 1);
    EXPECT_EQ(lines(w->ListBox1), (QStringList{" C 4 ->  D 4", " D 2 ->  B 1"}));

    // A newer list: the warning, then the list.
    tonvela::test::writeText(dir.file("newer.cdl"),
                             "0003\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
                             "0\r\n1\r\n36\r\n37\r\n");
    prompts.openNames.push_back(file("newer.cdl"));
    w->LoadButton->click();
    ASSERT_EQ(context.errors.size(), 4);
    EXPECT_EQ(context.errors[3], "This data is made by NEWER Version. May fail to read this Effect.");
    EXPECT_EQ(lines(w->ListBox1), QStringList{"Kick Short -> Side Stick"});
}

// Closing asks while the list holds unsaved lines: Cancel stays, No closes, Yes saves. A loaded
// list counts as unsaved; an empty list never asks.
TEST_F(DrumsChanger, ClosingAsksToSaveUnsavedLists) {
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(prompts.asked.empty());

    w->opening("drums");
    w->show();
    add(36, 37);
    prompts.answers.push_back(QMessageBox::Cancel);
    w->CloseButton->click();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(prompts.texts(), QStringList{"Save Settings?"});

    prompts.answers.push_back(QMessageBox::Yes);
    prompts.saveNames.push_back(file("closing.cdl"));
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(QFile::exists(file("closing.cdl")));

    // Reopened: a fresh list; the loaded one asks though nothing changed since.
    w->opening("drums");
    w->show();
    EXPECT_EQ(w->ListBox1->count(), 0);
    EXPECT_EQ(w->NoteKind->itemIndex(), 0);
    prompts.openNames.push_back(file("closing.cdl"));
    w->LoadButton->click();
    prompts.answers.push_back(QMessageBox::No);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(prompts.asked.size(), 3u);

    // Yes with the save dialog cancelled closes all the same; a save that fails keeps it open.
    w->opening("drums");
    w->show();
    add(36, 37);
    prompts.answers.push_back(QMessageBox::Yes);
    w->close();
    EXPECT_FALSE(w->isVisible());
    w->opening("drums");
    w->show();
    add(36, 37);
    prompts.answers.push_back(QMessageBox::Yes);
    prompts.saveNames.push_back(file("no/such/folder/kit.cdl"));
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(context.errors.size(), 1);
}

// The main window's command opens the changer, only with a song.
TEST_F(EditorTest, DrumsNotesChangerCommandOpensTheDialog) {
    TMIDIPollimoMain* w = start();
    w->updateActions();
    EXPECT_FALSE(w->ActionDrumsNotesChanger->isEnabled());
    stop();
    w = start(writeSong("drums.mid", song()));
    w->updateActions();
    ASSERT_TRUE(w->ActionDrumsNotesChanger->isEnabled());
    w->ActionDrumsNotesChanger->trigger();
    auto* changer = w->tools().find<TChaneDrum>();
    ASSERT_NE(changer, nullptr);
    EXPECT_TRUE(changer->isVisible());
    EXPECT_TRUE(changer->isModal());
    changer->fromCB->setCurrentIndex(36);
    changer->toCB->setCurrentIndex(42);
    changer->AddButton->click();
    changer->Button1->click();
    EXPECT_EQ(changer->resultLines().size(), 2);
    EXPECT_EQ(w->song()->track(1)->undoLabel(), "Change Drum/Note");
    prompts.answers.push_back(QMessageBox::No);
    changer->close();
}
