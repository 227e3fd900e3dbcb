// The effect library in the editor: the group editor, the quick slots of the effect editor, the
// main window's Effect menu and its group runs, and the installer of the shipped library.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "effectgroup/efxgroup.h"
#include "effects/effect_file.h"
#include "effects/effect_group.h"
#include "effects/effecteditor.h"
#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "song/dump.h"
#include "temp_folder.h"

using namespace guitest;
using tonvela::test::Bytes;
using tonvela::test::cat;

namespace {

// A velocity effect that sets every velocity to `velocity`.
tonvela::EffectSettings fixedVelocity(const std::string& name, int velocity, const std::string& description) {
    tonvela::EffectSettings s;
    s.effectType = 2;
    s.EffectName = name;
    s.Description = {description, "second line"};
    s.velocity.ChangeMethod = 1;
    s.velocity.VeloModScaling = 0;
    s.function.TrackBar1 = 0;
    s.velocity.VeloRangeMin = std::to_string(velocity);
    return s;
}

// Effects/Dynamics/Loud.fxl (velocity 99), Effects/Soft.fxl (velocity 20), Effects/Empty/.
void makeLibrary(const QString& effects) {
    QDir().mkpath(effects + "Dynamics");
    QDir().mkpath(effects + "Empty");
    tonvela::saveEffect((effects + "Dynamics/Loud.fxl").toStdString(), fixedVelocity("Loud", 99, "Every note at 99"));
    tonvela::saveEffect((effects + "Soft.fxl").toStdString(), fixedVelocity("Soft", 20, "Every note at 20"));
}

QTreeWidgetItem* findItem(QTreeWidget* tree, const QString& path) {
    const QStringList parts = path.split('\\');
    QTreeWidgetItem* at = nullptr;
    for (const QString& part : parts) {
        QTreeWidgetItem* next = nullptr;
        const int n = at ? at->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < n && !next; ++i) {
            QTreeWidgetItem* c = at ? at->child(i) : tree->topLevelItem(i);
            if (c->text(0) == part) next = c;
        }
        if (!next) return nullptr;
        at = next;
    }
    return at;
}

QStringList listTexts(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Track 1 "Lead": two notes of velocity 100, in bars 1 and 2 of four.
Bytes lead() {
    return tonvela::test::smf(1, {conductor(4), cat({trackName("Lead"), note(0, 0, 60, 480), note(1440, 0, 62, 480)})});
}

class GroupEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UiPrompts::install(&prompts);
        context.folders_.settings = dir_.path() + "/";
        context.folders_.effects = dir_.path() + "/Effects/";
        makeLibrary(context.folders_.effects);
    }
    void TearDown() override {
        editor.reset();
        UiPrompts::install(nullptr);
    }
    TEfxGroup& open() {
        editor = std::make_unique<TEfxGroup>(context);
        editor->show();
        return *editor;
    }
    void pick(TEfxGroup& g, const QString& path) {
        QTreeWidgetItem* item = findItem(g.TreeView1, path);
        ASSERT_NE(item, nullptr) << path.toStdString();
        g.TreeView1->setCurrentItem(item);
    }
    QString effects() const { return context.folders_.effects; }

    FakeEditorContext context;
    ScriptedPrompts prompts;
    std::unique_ptr<TEfxGroup> editor;

private:
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(GroupEditorTest, TheTreeShowsTheFolderAndTheChosenEffectsDescription) {
    TEfxGroup& g = open();
    EXPECT_EQ(g.windowTitle(), "Effect Group");
    ASSERT_EQ(g.TreeView1->topLevelItemCount(), 3);
    EXPECT_EQ(g.TreeView1->topLevelItem(0)->text(0), "Dynamics");
    EXPECT_EQ(g.TreeView1->topLevelItem(1)->text(0), "Empty");
    EXPECT_EQ(g.TreeView1->topLevelItem(2)->text(0), "Soft.fxl");
    EXPECT_FALSE(g.AddList->isEnabled());

    pick(g, "Dynamics\\Loud.fxl");
    EXPECT_EQ(g.Memo1->toPlainText(), "Every note at 99\nsecond line");
    EXPECT_TRUE(g.AddList->isEnabled());
    // Folders, empty ones too, cannot be added.
    for (const QString& folder : {QString("Dynamics"), QString("Empty")}) {
        pick(g, folder);
        EXPECT_FALSE(g.AddList->isEnabled()) << folder.toStdString();
        EXPECT_TRUE(g.Memo1->toPlainText().isEmpty());
    }
    // A file that went away after the tree was filled cannot be added either.
    pick(g, "Soft.fxl");
    EXPECT_TRUE(g.AddList->isEnabled());
    QFile::remove(effects() + "Soft.fxl");
    pick(g, "Dynamics\\Loud.fxl");
    pick(g, "Soft.fxl");
    EXPECT_FALSE(g.AddList->isEnabled());
}

TEST_F(GroupEditorTest, EntriesAreAddedRemovedReorderedAndSavedWithBackslashes) {
    TEfxGroup& g = open();
    EXPECT_FALSE(g.Save->isEnabled());
    pick(g, "Dynamics\\Loud.fxl");
    g.AddEffect->click();
    EXPECT_EQ(g.GroupName->text(), "Loud") << "the first entry names an unnamed group";
    pick(g, "Soft.fxl");
    g.AddEffect->click();
    EXPECT_EQ(listTexts(g.EffectList), (QStringList{"Loud.fxl", "Soft.fxl"}));
    EXPECT_EQ(g.GroupName->text(), "Loud");
    EXPECT_TRUE(g.Save->isEnabled());

    // Order: up is off for the first entry, down for the last.
    g.EffectList->setCurrentRow(0);
    EXPECT_FALSE(g.OrderUp->isEnabled());
    EXPECT_TRUE(g.OrderDown->isEnabled());
    g.OrderDown->click();
    EXPECT_EQ(listTexts(g.EffectList), (QStringList{"Soft.fxl", "Loud.fxl"}));
    EXPECT_EQ(g.EffectList->currentRow(), 1) << "the moved entry stays chosen";
    EXPECT_TRUE(g.OrderUp->isEnabled());
    EXPECT_FALSE(g.OrderDown->isEnabled());

    g.GroupName->setText("Two steps");
    prompts.saveNames = {effects() + "Two steps"};  // no extension typed
    g.SaveButton->click();
    EXPECT_EQ(tonvela::test::readText((effects() + "Two steps.fxg").toStdString()),
              "000\r\nTwo steps\r\nSoft.fxl\r\nDynamics\\Loud.fxl\r\n");

    // Removing every entry empties the name.
    g.EffectList->setCurrentRow(0);
    g.ToolButton2->click();
    EXPECT_EQ(listTexts(g.EffectList), QStringList{"Loud.fxl"});
    EXPECT_EQ(g.GroupName->text(), "Two steps");
    g.EffectList->setCurrentRow(0);
    g.ToolButton2->click();
    EXPECT_EQ(g.EffectList->count(), 0);
    EXPECT_TRUE(g.GroupName->text().isEmpty());
    EXPECT_FALSE(g.Remove->isEnabled());
    EXPECT_FALSE(g.Save->isEnabled());

    // Each showing starts afresh.
    pick(g, "Soft.fxl");
    g.AddEffect->click();
    g.hide();
    g.show();
    EXPECT_EQ(g.EffectList->count(), 0);
    EXPECT_TRUE(g.GroupName->text().isEmpty());
}

TEST_F(GroupEditorTest, LoadSkipsMissingMembersAndRefusesFilesThatAreNoGroup) {
    TEfxGroup& g = open();
    tonvela::saveEffectGroup((effects() + "g.fxg").toStdString(),
                             {"Mixed", {"Soft.fxl", "Gone.fxl", "..\\..\\etc\\passwd", "Dynamics/Loud.fxl"}});
    prompts.openNames = {effects() + "g.fxg"};
    g.LoadButton->click();
    EXPECT_EQ(g.GroupName->text(), "Mixed");
    EXPECT_EQ(listTexts(g.EffectList), (QStringList{"Soft.fxl", "Loud.fxl"}));
    EXPECT_EQ(prompts.texts(), (QStringList{"File NOT Found:\n" + effects() + "Gone.fxl",
                                            "Not in the effects folder: ..\\..\\etc\\passwd"}));

    // Untrusted files: each a message, the group as it was.
    struct Case {
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        {"", "e.fxg: The effect group file is empty."},
        {"000\r\n", "e.fxg: The effect group file ends early: line 2 (the group name) is missing."},
        {QByteArray("000\r\nG\r\n\0\1\2", 10), "e.fxg: This is not an effect group file: line 3 holds binary data."},
        {"000\r\nG\r\n" + QByteArray(5000, 'x'), "e.fxg: The effect group file is broken: line 3 is longer than 1024 characters."},
    };
    for (const Case& c : cases) {
        QFile f(effects() + "e.fxg");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        context.errors.clear();
        prompts.openNames = {effects() + "e.fxg"};
        g.LoadButton->click();
        EXPECT_EQ(context.errors, QStringList{c.message});
        EXPECT_EQ(g.GroupName->text(), "Mixed");
        EXPECT_EQ(g.EffectList->count(), 2);
    }
}

// ---- quick slots ---------------------------------------------------------------------------------

TEST_F(GroupEditorTest, QuickSlotsSaveLoadAndClearWithTheirLampsAndHints) {
    context.loadSong(lead());
    TEffectEditor ed(context);
    ed.show();
    const QString slot2 = context.folders_.settings + "qs2.fxq";
    auto lampColour = [&](int k) { return ed.PanelQS[k]->palette().color(QPalette::Window); };
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(lampColour(k), QColor(255, 0, 0)) << k;
        EXPECT_FALSE(ed.LoadButtons[k]->isEnabled());
        EXPECT_FALSE(ed.ClearButtons[k]->isEnabled());
        EXPECT_TRUE(ed.SaveButtons[k]->isEnabled());
        EXPECT_EQ(ed.LoadButtons[k]->objectName(), QString("LoadButton%1").arg(k + 1));
    }

    ed.showSettings(fixedVelocity("Loud", 99, "Every note at 99"));
    ed.SaveButtons[1]->click();
    ASSERT_TRUE(QFile::exists(slot2));
    EXPECT_EQ(tonvela::test::readText(slot2.toStdString()),
              tonvela::formatEffect(fixedVelocity("Loud", 99, "Every note at 99")));
    EXPECT_EQ(lampColour(1), QColor(0, 255, 0));
    EXPECT_EQ(ed.PanelQS[1]->toolTip(), "Every note at 99");
    EXPECT_TRUE(ed.LoadButtons[1]->isEnabled());
    EXPECT_TRUE(ed.ClearButtons[1]->isEnabled());

    // An effect without description gets the hint "?".
    tonvela::EffectSettings plain = fixedVelocity("Plain", 50, "");
    plain.Description = {""};
    ed.showSettings(plain);
    ed.SaveButtons[4]->click();
    EXPECT_EQ(ed.PanelQS[4]->toolTip(), "?");

    ed.showSettings(tonvela::EffectSettings{});
    ed.LoadButtons[1]->click();
    EXPECT_EQ(ed.EffectName->text(), "Loud");
    EXPECT_EQ(ed.TargetComboBox->currentIndex(), 2);
    EXPECT_EQ(ed.VeloRangeMin->text(), "99");

    ed.ClearButtons[1]->click();
    EXPECT_FALSE(QFile::exists(slot2));
    EXPECT_EQ(lampColour(1), QColor(255, 0, 0));
    EXPECT_TRUE(ed.PanelQS[1]->toolTip().isEmpty());
    EXPECT_FALSE(ed.LoadButtons[1]->isEnabled());

    // A damaged slot file: a message when loaded, nothing changes, the lamp stays lit.
    QFile f(slot2);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\0\0garbage", 9));
    f.close();
    ed.hide();
    ed.show();  // every showing refreshes the slots
    EXPECT_EQ(ed.PanelQS[1]->toolTip(), "?");
    const std::string before = tonvela::formatEffect(ed.settings());
    ed.LoadButtons[1]->click();
    EXPECT_EQ(context.errors.size(), 1);
    EXPECT_EQ(tonvela::formatEffect(ed.settings()), before);

    // The Effect Group button opens the group editor.
    ed.EffectGroupButton->click();
    auto* group = ed.findChild<TEfxGroup*>();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->isVisible());
    EXPECT_EQ(group->TreeView1->topLevelItemCount(), 3);
    group->close();
}

// ---- the Effect menu -----------------------------------------------------------------------------

TEST_F(EditorTest, TheEffectMenuListsTheGroupsAndRunsOneOverTheSelection) {
    makeLibrary(folders.effects);
    tonvela::saveEffectGroup((folders.effects + "Dynamics/Loud then soft.fxg").toStdString(),
                             {"Loud then soft", {"Dynamics\\Loud.fxl", "Soft.fxl"}});
    tonvela::saveEffectGroup((folders.effects + "Rock & roll.fxg").toStdString(), {"R", {"Dynamics\\Loud.fxl"}});
    QDir().mkpath(folders.effects + ".hidden");
    tonvela::saveEffectGroup((folders.effects + ".hidden/x.fxg").toStdString(), {"X", {"Soft.fxl"}});

    TMIDIPollimoMain* w = start();
    EXPECT_EQ(w->EffectMenu->title(), "Effect(&x)");
    EXPECT_FALSE(w->EffectMenu->menuAction()->isEnabled()) << "no song yet";
    ASSERT_TRUE(w->openPath(writeSong("lead.mid", lead())));
    EXPECT_TRUE(w->EffectMenu->menuAction()->isEnabled());

    Q_EMIT w->EffectMenu->aboutToShow();
    QList<QAction*> entries = w->EffectMenu->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[0]->isSeparator());
    EXPECT_EQ(entries[1]->text(), "Dynamics");
    EXPECT_TRUE(entries[1]->menu()->isEnabled());
    EXPECT_EQ(entries[2]->text(), "Empty");
    EXPECT_FALSE(entries[2]->menu()->isEnabled()) << "a folder without groups";
    EXPECT_EQ(entries[3]->text(), "Rock && roll");
    ASSERT_EQ(entries[1]->menu()->actions().size(), 1);
    QAction* run = entries[1]->menu()->actions()[0];
    EXPECT_EQ(run->text(), "Loud then soft");

    // The menu is made afresh each time it opens.
    tonvela::saveEffectGroup((folders.effects + "Empty/Later.fxg").toStdString(), {"L", {"Soft.fxl"}});
    Q_EMIT w->EffectMenu->aboutToShow();
    entries = w->EffectMenu->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[2]->menu()->isEnabled());
    run = entries[1]->menu()->actions()[0];

    // Over bar 2 of the lead only: Loud then Soft, each with its own undo step.
    w->selectCell(1, 1);
    QStringList shown;
    QObject::connect(w->statusBar(), &QStatusBar::messageChanged, w, [&](const QString& m) { shown << m; });
    run->trigger();
    EXPECT_EQ(shown, (QStringList{"Reading Dynamics\\Loud.fxl", "Executing Dynamics\\Loud.fxl", "1 / 1 events hit",
                                  "Reading Soft.fxl", "Executing Soft.fxl", "1 / 1 events hit", "Effect done."}))
        << shown.join(" | ").toStdString();
    EXPECT_TRUE(prompts.asked.empty());
    const std::string after = tonvela::dumpSong(*w->song());
    EXPECT_NE(after.find("note=62 vel=20"), std::string::npos);
    EXPECT_NE(after.find("note=60 vel=100"), std::string::npos) << "bar 1 is not selected";
    EXPECT_EQ(w->song()->track(1)->undoLabel(), "Modify Velocity<Soft>");
    ASSERT_TRUE(w->undo(1));
    EXPECT_EQ(w->song()->track(1)->undoLabel(), "Modify Velocity<Loud>");
    ASSERT_TRUE(w->undo(1));
    EXPECT_EQ(tonvela::dumpSong(*w->song()).find("vel=99"), std::string::npos);
    EXPECT_NE(tonvela::dumpSong(*w->song()).find("note=62 vel=100"), std::string::npos);
}

TEST_F(EditorTest, AGroupWithMissingOrFailingMembersSaysSoAndCountsWhatRan) {
    makeLibrary(folders.effects);
    QFile broken(folders.effects + "Broken.fxl");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("0009\r\nEcho\r\nB\r\n\"\"\r\n150\r\nTick\r\nmany\r\n");
    broken.close();
    tonvela::saveEffectGroup((folders.effects + "Mixed.fxg").toStdString(),
                             {"Mixed", {"Gone.fxl", "Broken.fxl", "Dynamics\\Loud.fxl", "..\\Soft.fxl"}});
    TMIDIPollimoMain* w = start();
    ASSERT_TRUE(w->openPath(writeSong("lead.mid", lead())));
    w->runEffectGroup(folders.effects + "Mixed.fxg");
    EXPECT_EQ(prompts.texts(), (QStringList{"File NOT exists: Gone.fxl", "Read Failed: Broken.fxl",
                                            "Not in the effects folder: ..\\Soft.fxl"}));
    EXPECT_EQ(prompts.asked[1].details, "The effect file is broken: line 7 (EchoCount) is not a number: many");
    EXPECT_EQ(statusText(), "Effect done. (1 of 4 effects)");
    EXPECT_NE(tonvela::dumpSong(*w->song()).find("note=60 vel=99"), std::string::npos);

    // A group file that is no group: one message, the song as it was.
    QFile bad(folders.effects + "Bad.fxg");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x7f" "ELF\0\0\0", 7));
    bad.close();
    const std::string before = tonvela::dumpSong(*w->song());
    prompts.asked.clear();
    w->runEffectGroup(folders.effects + "Bad.fxg");
    EXPECT_EQ(prompts.texts(), QStringList{"Bad.fxg: This is not an effect group file: line 1 holds binary data."});
    EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
}

TEST_F(EditorTest, TheGroupEditorOpensFromTheWindowMenuWithoutASong) {
    makeLibrary(folders.effects);
    TMIDIPollimoMain* w = start();
    EXPECT_TRUE(w->ActionEffectGroupEditor->isEnabled());
    w->ActionEffectGroupEditor->trigger();
    auto* g = w->tools().find<TEfxGroup>();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(g->TreeView1->topLevelItemCount(), 3);
    g->close();
}

// ---- the shipped library's installer --------------------------------------------------------------

TEST_F(EditorTest, TheShippedEffectsAreInstalledOnceAndAChangedFileIsKept) {
    const QString data = path("data/");
    QDir().mkpath(data + "manual");
    QFile(data + "manual/manual.html").open(QIODevice::WriteOnly);
    makeLibrary(data + "Effects/");
    folders.data = data;
    const QString question = QString::fromUtf8("Install Effects? <エフェクトファイルをインストールしますか ?>");
    const QString manualQuestion = QString::fromUtf8("Install Manual? <マニュアルをインストールしますか ?>");

    // First start: Yes installs the library; the manual is declined.
    prompts.answers = {QMessageBox::Yes, QMessageBox::No};
    start();
    EXPECT_EQ(prompts.texts(), (QStringList{question, manualQuestion}));
    EXPECT_EQ(tonvela::test::readText((folders.effects + "Soft.fxl").toStdString()),
              tonvela::formatEffect(fixedVelocity("Soft", 20, "Every note at 20")));
    EXPECT_TRUE(QFile::exists(folders.effects + "Dynamics/Loud.fxl"));
    const double installed = window()->prefs().effectsDate;
    EXPECT_GT(installed, 40000);
    stop();

    // Second start: nothing newer, nothing asked about the effects.
    prompts.asked.clear();
    prompts.answers = {QMessageBox::No};
    start();
    EXPECT_EQ(prompts.texts(), QStringList{manualQuestion});
    stop();

    // The user changes an installed effect; then a newer package comes.
    QFile mine(folders.effects + "Soft.fxl");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("my own soft");
    mine.close();
    tonvela::saveEffect((data + "Effects/Soft.fxl").toStdString(), fixedVelocity("Soft", 25, "Every note at 25"));
    tonvela::saveEffect((data + "Effects/Dynamics/Loud.fxl").toStdString(), fixedVelocity("Loud", 100, "Every note at 100"));
    const auto later = std::filesystem::file_time_type::clock::now() + std::chrono::hours(2);
    std::filesystem::last_write_time((data + "Effects/Soft.fxl").toStdString(), later);
    prompts.asked.clear();
    prompts.answers = {QMessageBox::Yes, QMessageBox::Ok, QMessageBox::No};
    start();
    ASSERT_EQ(prompts.texts().size(), 3);
    EXPECT_EQ(prompts.texts()[0], question);
    EXPECT_EQ(prompts.texts()[1], "Effects installed: 0 new, 1 updated, 1 kept (changed by you).\n"
                                  "Files you changed were kept as they are.");
    EXPECT_EQ(prompts.asked[1].details, "Soft.fxl (changed by you, kept)");
    EXPECT_EQ(tonvela::test::readText((folders.effects + "Soft.fxl").toStdString()), "my own soft");
    EXPECT_EQ(tonvela::test::readText((folders.effects + "Dynamics/Loud.fxl").toStdString()),
              tonvela::formatEffect(fixedVelocity("Loud", 100, "Every note at 100")));
    EXPECT_GT(window()->prefs().effectsDate, installed);
}
