#include <sys/resource.h>

#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTest>
#include <csignal>

#include "gui_fixture.h"
#include "logwin.h"
#include "optiondialog.h"
#include "radiogroup.h"
#include "settings/preffile.h"
#include "song/song.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Makes a change that the journal records (a paste into the current track).
void changeSong(TMIDIPollimoMain* w) {
    w->ActionCopy->trigger();
    w->ActionPaste->trigger();
    ASSERT_TRUE(w->songChanged());
}

QStringList historyItems(TMIDIPollimoMain* w) {
    Q_EMIT w->FileMenu->aboutToShow();
    QStringList items;
    const QList<QAction*> all = w->FileMenu->actions();
    for (int i = all.indexOf(w->HistoryMenu->menuAction()) + 2; i < all.size(); ++i)
        items << all[i]->text() + (all[i]->isEnabled() ? "" : " (disabled)");
    return items;
}

}  // namespace

TEST_F(EditorTest, OpenWithChangesAsksCancelKeepsTheSongNoDiscardsIt) {
    const QString first = writeSong("first.mid", pianoAndBass());
    const QString second = writeSong("second.mid", smf(1, {conductor(2, "Other"), note(0, 0, 50, 100)}));
    const QByteArray firstBytes = contents(first);
    TMIDIPollimoMain* w = start(first);
    changeSong(w);
    const int eventsBefore = w->song()->track(1)->countEvents();

    prompts.answers = {QMessageBox::Cancel};
    prompts.openNames = {second};
    w->FileOpen->trigger();
    EXPECT_EQ(prompts.texts(), QStringList{"Data Changed. Save ?"});
    EXPECT_EQ(w->currentPath(), first);
    EXPECT_EQ(w->song()->track(1)->countEvents(), eventsBefore);
    EXPECT_TRUE(w->songChanged());
    EXPECT_EQ(prompts.openNames.size(), 1u);  // the dialog was not even shown

    prompts.answers = {QMessageBox::No};
    w->FileOpen->trigger();
    EXPECT_EQ(w->currentPath(), second);
    EXPECT_EQ(w->EditTitle->text(), "Other");
    EXPECT_FALSE(w->songChanged());
    EXPECT_FALSE(w->ActionPaste->isEnabled());  // the copy buffer went with the old song
    EXPECT_EQ(contents(first), firstBytes);  // No saved nothing
}

TEST_F(EditorTest, YesSavesBeforeOpeningAndAfterASaveUndoIsOffAndExitAsksNothing) {
    const QString file = writeSong("song.mid", pianoAndBass());
    TMIDIPollimoMain* w = start(file);
    changeSong(w);
    const int changedCount = w->song()->track(1)->countEvents();
    prompts.answers = {QMessageBox::Yes};
    w->ExitExecute();
    EXPECT_EQ(prompts.texts(), QStringList{"Data Changed. Save ?"});
    EXPECT_FALSE(w->isVisible());  // closed after saving
    tonvela::midiSong saved;
    saved.load(file.toStdString());
    EXPECT_EQ(saved.track(1)->countEvents(), changedCount);

    stop();
    prompts.asked.clear();
    w = start(file);
    changeSong(w);
    w->FileSave->trigger();
    EXPECT_EQ(statusText(), "File saved:" + file);
    Q_EMIT w->EditMenu->aboutToShow();
    EXPECT_FALSE(w->ActionUndo->isEnabled());
    EXPECT_FALSE(w->songChanged());
    EXPECT_TRUE(w->close());  // the close box runs the same check: nothing to ask
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(EditorTest, TheCloseBoxWithChangesAsksAndCancelKeepsTheWindow) {
    TMIDIPollimoMain* w = start(writeSong("song.mid", pianoAndBass()));
    changeSong(w);
    prompts.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    prompts.answers = {QMessageBox::No};
    EXPECT_TRUE(w->close());
    EXPECT_EQ(prompts.texts(), (QStringList{"Data Changed. Save ?", "Data Changed. Save ?"}));
}

TEST_F(EditorTest, SavingMakesBackupsByTheChosenScheme) {
    struct Case {
        int extension;
        QStringList backups;  // after two saves
    };
    const Case cases[] = {
        {0, {"song.BAK"}},
        {1, {"song.000", "song.001"}},
        {2, {"song000.mid", "song001.mid"}},
    };
    for (const Case& c : cases) {
        const QString folder = path(QString("scheme%1").arg(c.extension));
        QDir().mkpath(folder);
        const QString file = writeSong(QString("scheme%1/song.mid").arg(c.extension), pianoAndBass());
        const QByteArray original = contents(file);
        TMIDIPollimoMain* w = start(file);
        app->Option()->Extension->button(c.extension)->click();
        app->Option()->OkButton->click();
        w->FileSave->trigger();
        const QByteArray firstSave = contents(file);
        w->FileSave->trigger();
        QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
        names.removeAll("song.mid");
        EXPECT_EQ(names, c.backups) << c.extension;
        if (c.backups.size() == 1) {
            // The older backup was replaced by the file as it was before the second save.
            EXPECT_EQ(contents(folder + "/" + c.backups[0]), firstSave);
        } else {
            EXPECT_EQ(contents(folder + "/" + c.backups[0]), original) << c.extension;
            EXPECT_EQ(contents(folder + "/" + c.backups[1]), firstSave) << c.extension;
        }
        stop();
    }
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(EditorTest, NoBackupWhenMakeBackupIsOff) {
    QDir().mkpath(path("solo"));
    const QString file = writeSong("solo/song.mid", pianoAndBass());
    TMIDIPollimoMain* w = start(file);
    app->Option()->MakeBackup->setChecked(false);
    EXPECT_FALSE(app->Option()->Extension->isEnabled());
    app->Option()->OkButton->click();
    w->FileSave->trigger();
    EXPECT_EQ(QDir(path("solo")).entryList(QDir::Files), QStringList{"song.mid"});
}

TEST_F(EditorTest, AllBackupNamesTakenShowsTheMessageAndSavesNothing) {
    QDir().mkpath(path("full"));
    const QString file = writeSong("full/song.mid", pianoAndBass());
    for (int n = 0; n <= 999; ++n) writeSong(QString("full/song.%1").arg(n, 3, 10, QChar('0')), {'x'});
    TMIDIPollimoMain* w = start(file);
    changeSong(w);
    const QByteArray before = contents(file);
    w->FileSave->trigger();
    EXPECT_EQ(prompts.texts(),
              QStringList{"Dooh! Why don't you delete backup files? Delete them and try again."});
    EXPECT_EQ(contents(file), before);
    EXPECT_TRUE(w->songChanged());
    EXPECT_NE(statusText(), "File saved:" + file);
}

TEST_F(EditorTest, AFailedSaveKeepsThePreviousFileAndTellsTheUser) {
    const QString file = writeSong("song.mid", pianoAndBass());
    TMIDIPollimoMain* w = start(file);
    changeSong(w);
    const QByteArray before = contents(file);
    const QString statusBefore = statusText();
    // The system refuses to write more than 64 bytes: a real write error, also for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    w->FileSave->trigger();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(prompts.texts(), QStringList{"Dooh! Save failed. '.mid' file may be broken."});
    EXPECT_EQ(contents(file), before);
    EXPECT_EQ(contents(path("song.000")), before);  // the backup remains too
    EXPECT_EQ(statusText(), statusBefore);
    EXPECT_EQ(errorSounds, 1);
    EXPECT_TRUE(w->songChanged());
}

TEST_F(EditorTest, SaveAsRenamesTheWindowAndListsThePreviousFile) {
    const QString file = writeSong("old.mid", pianoAndBass());
    TMIDIPollimoMain* w = start(file);
    prompts.saveNames = {path("new")};
    w->FileSaveAs->trigger();
    EXPECT_EQ(w->windowTitle(), "MIDI tonvela [new.mid]");
    EXPECT_EQ(w->currentPath(), path("new.mid"));
    EXPECT_TRUE(QFileInfo::exists(path("new.mid")));
    EXPECT_FALSE(QFileInfo::exists(path("old.000")));  // no backup for Save As
    EXPECT_EQ(historyItems(w), QStringList{file});       // the current file is left out
}

TEST_F(EditorTest, AReadErrorLeavesNoSongAndDisablesSaving) {
    const QString good = writeSong("good.mid", pianoAndBass());
    const QString bad = writeSong("bad.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1});
    TMIDIPollimoMain* w = start(good);
    ASSERT_TRUE(w->FileSave->isEnabled());
    EXPECT_FALSE(w->openPath(bad));
    EXPECT_EQ(w->song(), nullptr);
    EXPECT_EQ(statusText(), "Read Error:" + bad);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(prompts.asked[0].text.isEmpty());
    EXPECT_EQ(errorSounds, 1);
    EXPECT_FALSE(w->FileSave->isEnabled());
    EXPECT_FALSE(w->FileSaveAs->isEnabled());
    EXPECT_FALSE(w->Action1Statistics->isEnabled());
    // Opening a good file afterwards works again; a missing file does nothing at all.
    EXPECT_TRUE(w->openPath(good));
    EXPECT_FALSE(w->openPath(path("missing.mid")));
    EXPECT_EQ(w->currentPath(), good);
}

TEST_F(EditorTest, HistoryMenuListsOtherFilesAndDisablesMissingOnes) {
    const QString a = writeSong("a.mid", pianoAndBass());
    const QString b = writeSong("b.mid", pianoAndBass());
    const QString c = writeSong("c.mid", pianoAndBass());
    TMIDIPollimoMain* w = start();
    for (const QString& f : {a, b, c}) ASSERT_TRUE(w->openPath(f));
    QFile::remove(b);
    EXPECT_EQ(historyItems(w), (QStringList{b + " (disabled)", a}));
    // Choosing an item opens it.
    Q_EMIT w->FileMenu->aboutToShow();
    w->FileMenu->actions().last()->trigger();
    EXPECT_EQ(w->currentPath(), a);
    EXPECT_EQ(historyItems(w), (QStringList{b + " (disabled)", c}));  // a swapped with c
    w->HistoryOptimize->trigger();
    EXPECT_EQ(historyItems(w), QStringList{c});
    w->HistoryClearAll->trigger();
    EXPECT_TRUE(historyItems(w).isEmpty());
}

TEST_F(EditorTest, DroppingAMidiFileOpensIt) {
    const QString file = writeSong("dropped.mid", pianoAndBass());
    TMIDIPollimoMain* w = start();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(w, &drop);
    QCoreApplication::processEvents();  // the drop opens once the drag has ended
    EXPECT_EQ(w->currentPath(), file);

    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(path("notes.txt"))});
    QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, {});
    other.setAccepted(false);
    QApplication::sendEvent(w, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST_F(EditorTest, MainPrefsKeepsPlaceDatesAndHistoryAcrossRuns) {
    const QString a = writeSong("a.mid", pianoAndBass());
    const QString b = writeSong("b.mid", pianoAndBass());
    TMIDIPollimoMain* w = start();
    w->openPath(a);
    w->openPath(b);
    w->setGeometry(40, 50, 820, 610);
    stop();
    auto lines = tonvela::readPrefLines((folders.settings + "main.prf").toStdString());
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 11u);
    EXPECT_EQ((*lines)[0], "0003");
    EXPECT_EQ((*lines)[7], "2");
    EXPECT_EQ((*lines)[8], a.toStdString());  // oldest first
    EXPECT_EQ((*lines)[9], b.toStdString());
    EXPECT_EQ((*lines)[10], "0");  // not maximised

    w = start();
    EXPECT_EQ(w->history().entries(), (std::vector<std::string>{b.toStdString(), a.toStdString()}));
    EXPECT_EQ(w->geometry().size(), QSize(820, 610));
    EXPECT_FALSE(w->isMaximized());

    // A maximised window comes back maximised, and keeps its normal size for later.
    w->showMaximized();
    stop();
    lines = tonvela::readPrefLines((folders.settings + "main.prf").toStdString());
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ((*lines)[3], "820");
    EXPECT_EQ((*lines)[10], "1");
    w = start();
    EXPECT_TRUE(w->isMaximized());
    w->showNormal();
    EXPECT_EQ(w->geometry().size(), QSize(820, 610));
}

TEST_F(EditorTest, MainPrefsOfOlderVersionsRestoreWhatTheyHave) {
    const QString a = writeSong("a.mid", pianoAndBass());
    struct Case {
        const char* version;
        double manual;
        size_t history;
    };
    for (const Case& c : {Case{"0000", 0, 0}, Case{"0002", 45000.5, 0}, Case{"0003", 45000.5, 1}}) {
        tonvela::writePrefLines((folders.settings + "main.prf").toStdString(),
                                {c.version, "30", "40", "700", "500", "45000.25", "45000.5", "1",
                                 a.toStdString()});
        TMIDIPollimoMain* w = start();
        EXPECT_EQ(w->geometry().size(), QSize(700, 500)) << c.version;
        EXPECT_DOUBLE_EQ(w->prefs().manualDate, c.manual) << c.version;
        EXPECT_EQ(w->history().entries().size(), c.history) << c.version;
        stop();
    }
}

TEST_F(EditorTest, TheShippedManualIsOfferedOnceWhenNewerThanTheStoredDate) {
    QDir().mkpath(path("data/manual"));
    writeSong("data/manual/manual.html", {'<', 'p', '>'});
    folders.data = path("data/");
    prompts.answers = {QMessageBox::No};
    start();
    EXPECT_EQ(prompts.texts(), QStringList{QString::fromUtf8("Install Manual? <マニュアルをインストールしますか ?>")});
    stop();
    // No leaves the date: asked again; Yes installs and stores it.
    prompts.answers = {QMessageBox::Yes};
    start();
    EXPECT_EQ(prompts.asked.size(), 2u);
    EXPECT_TRUE(QFileInfo::exists(folders.settings + "manual/manual.html"));
    EXPECT_GT(window()->prefs().manualDate, 40000);
    stop();
    start();
    EXPECT_EQ(prompts.asked.size(), 2u);  // not asked again
    // Help opens the installed manual.
    window()->Help2->trigger();
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0], folders.settings + "manual/manual.html");
}

TEST_F(EditorTest, HelpThatCannotOpenTheManualSaysSo) {
    TMIDIPollimoMain* w = start();  // no data folder, nothing installed
    w->Help2->trigger();
    EXPECT_EQ(prompts.texts(), QStringList{"Could't open manual."});
    EXPECT_EQ(errorSounds, 1);
}

namespace {

// Conductor, piano and a bass track whose chunk announces more bytes than the file holds: the
// file ends inside the bass track's second note.
Bytes songWithDamagedTrack() {
    using tonvela::test::header;
    using tonvela::test::trackChunk;
    const Bytes piano = cat({trackName("Piano"), note(0, 0, 60, 480), note(0, 0, 62, 480)});
    Bytes bass = trackChunk(cat({trackName("Bass"), note(0, 2, 36, 480), at(0, {0x92, 0x28})}), false);
    bass[7] = static_cast<uint8_t>(bass[7] + 20);  // the chunk claims 20 bytes more
    return cat({header(1, 3), trackChunk(conductor(4)), trackChunk(piano), bass});
}

int notesOf(const tonvela::midiTrack* track) {
    int n = 0;
    for (int i = 0; i < track->size(); ++i)
        if (track->at(i) && track->at(i)->kind() == tonvela::kindNote) ++n;
    return n;
}

}  // namespace

TEST_F(EditorTest, ADamagedFileSaysWhereItBrokeAndOpensWhatCanBeRead) {
    const QString damaged = writeSong("damaged.mid", songWithDamagedTrack());
    const QByteArray original = contents(damaged);
    TMIDIPollimoMain* w = start();
    prompts.answers = {QMessageBox::Open};
    ASSERT_TRUE(w->openPath(damaged));

    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_TRUE(prompts.asked[0].text.startsWith(damaged + ": The file ends inside an event in track 2."))
        << prompts.asked[0].text.toStdString();
    EXPECT_EQ(prompts.captionsShown, QStringList{"Open what can be read"});
    EXPECT_EQ(errorSounds, 1);
    // What was read before the damage is there: the piano's notes and the bass's first note.
    ASSERT_NE(w->song(), nullptr);
    ASSERT_EQ(w->song()->trackCount(), 3);
    EXPECT_EQ(notesOf(w->song()->track(1)), 2);
    EXPECT_EQ(notesOf(w->song()->track(2)), 1);
    EXPECT_EQ(w->currentPath(), damaged);
    EXPECT_EQ(statusText(), "File read:" + damaged);
    // The repairs are in the log window.
    const QString log = app->LogWindow()->text();
    EXPECT_TRUE(app->LogWindow()->isVisible());
    EXPECT_TRUE(log.contains("track 2: data ends inside an event")) << log.toStdString();

    // The song counts as changed: leaving it asks, and Save writes a sound file beside the
    // damaged one kept as the backup.
    EXPECT_TRUE(w->songChanged());
    prompts.answers = {QMessageBox::Cancel};
    w->ExitExecute();
    EXPECT_EQ(prompts.asked.back().text, "Data Changed. Save ?");
    w->FileSave->trigger();
    EXPECT_FALSE(w->songChanged());
    EXPECT_EQ(contents(path("damaged.000")), original);
    tonvela::midiSong reread;
    ASSERT_NO_THROW(reread.load(damaged.toStdString()));
    EXPECT_EQ(notesOf(reread.track(1)), 2);
    EXPECT_EQ(notesOf(reread.track(2)), 1);
}

TEST_F(EditorTest, ADamagedFileLeftClosedLeavesNoSongAndTheFileAsItWas) {
    const QString good = writeSong("good.mid", pianoAndBass());
    const QString damaged = writeSong("damaged.mid", songWithDamagedTrack());
    const QByteArray original = contents(damaged);
    TMIDIPollimoMain* w = start(good);
    prompts.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(w->openPath(damaged));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_TRUE(prompts.asked[0].text.startsWith(damaged + ": "));
    EXPECT_EQ(w->song(), nullptr);
    EXPECT_FALSE(w->FileSave->isEnabled());
    EXPECT_EQ(statusText(), "Read Error:" + damaged);
    EXPECT_FALSE(app->LogWindow()->isVisible());
    EXPECT_EQ(contents(damaged), original);
    EXPECT_FALSE(QFileInfo::exists(path("damaged.000")));
    // A good file afterwards opens without a word and without a pending change.
    EXPECT_TRUE(w->openPath(good));
    EXPECT_FALSE(w->songChanged());
    EXPECT_EQ(prompts.asked.size(), 1u);
}

TEST_F(EditorTest, AFileNoRepairCanReadIsOnlyReportedWithItsPlace) {
    const QString format2 = writeSong("three.mid", cat({tonvela::test::header(2, 1), tonvela::test::trackChunk({})}));
    TMIDIPollimoMain* w = start();
    EXPECT_FALSE(w->openPath(format2));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts.asked[0].text, format2 + ": Format2 is not supported");
    EXPECT_TRUE(prompts.captionsShown.isEmpty());
}

TEST_F(EditorTest, OpenDialogListsEveryMidiFileName) {
    TMIDIPollimoMain* w = start();
    w->FileOpen->trigger();
    ASSERT_FALSE(prompts.filters.isEmpty());
    const QString filter = prompts.filters.last();
    // The patterns of the first entry, matched as the file dialog does (case-sensitively).
    const QString first = filter.section(";;", 0, 0);
    const QStringList patterns = first.mid(first.indexOf('(') + 1).chopped(1).split(' ');
    auto listed = [&](const QString& name) {
        for (const QString& p : patterns)
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(p)).match(name).hasMatch()) return true;
        return false;
    };
    for (const char* name : {"a.mid", "B.MID", "c.midi", "D.MIDI", "e.smf", "f.kar", "G.KAR", "h.rmi", "I.RMI"})
        EXPECT_TRUE(listed(name)) << name;
    EXPECT_FALSE(listed("notes.txt"));
}

TEST_F(EditorTest, SaveAsSaysWhereTheSongWasSaved) {
    TMIDIPollimoMain* w = start(writeSong("old.mid", pianoAndBass()));
    prompts.saveNames = {path("new.mid")};
    w->FileSaveAs->trigger();
    EXPECT_EQ(statusText(), "File saved:" + path("new.mid"));
}
