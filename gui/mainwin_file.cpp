// Start-up, preference file, add-on installers, the File commands and Help of the main window.

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QLabel>
#include <QTimer>
#include <exception>
#include <thread>

#include "bargrid.h"
#include "host/tool_host.h"
#include "host/window_place.h"
#include "logwin.h"
#include "mainwin.h"
#include "optiondialog.h"
#include "output/midi_device.h"
#include "prompts.h"
#include "radiogroup.h"
#include "settings/backup.h"
#include "settings/package_install.h"
#include "settings/preffile.h"
#include "song/song.h"
#include "song/system_flags.h"
#include "tools/barclipboard.h"

using namespace tonvela;

namespace {

const QString kFilter =
    "MIDI Files (*.MID *.mid *.SMF *.smf *.MIDI *.midi *.RMI *.rmi *.KAR *.kar);;All Files (*)";

bool isMidiFileName(const QString& path) {
    const QString s = QFileInfo(path).suffix().toLower();
    return s == "mid" || s == "midi" || s == "smf" || s == "kar" || s == "rmi";
}

// The newest modification time of the files of a shipped package, as a day count; 0 when the
// package is missing or empty.
double packageDate(const QString& folder) {
    double newest = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const double seconds = it.fileInfo().lastModified().toMSecsSinceEpoch() / 1000.0;
        newest = std::max(newest, dayCountFromUnixSeconds(seconds));
    }
    return newest;
}

}  // namespace

// ---- start-up and preference file ---------------------------------------------------------------

void TMIDIPollimoMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Questions of the first show appear in front of the window, not before it.
    if (!firstShown_) QTimer::singleShot(0, this, &TMIDIPollimoMain::firstShow);
}

void TMIDIPollimoMain::firstShow() {
    if (firstShown_) return;
    firstShown_ = true;
    history_.setCapacity(options().historyCount);
    readMainPrefs();
    offerInstallers();
    const QString file = context_.commandLineFile;
    bool missing = false;
    if (!file.isEmpty()) {
        QFileInfo info(file);
        const QString path = info.exists() ? info.canonicalFilePath() : file;
        if (QFileInfo(path).isFile()) {
            openFolder_ = QFileInfo(path).absolutePath();
            openPath(path);
        } else {
            missing = true;
        }
    }
    // A file the user named must not be skipped without a word.
    status(missing ? "File not found: " + file : QString("Welcome to MIDI Tonvela!"));
    connectDevice();
    updateActions();
    Q_EMIT firstShown();
}

void TMIDIPollimoMain::readMainPrefs() {
    auto lines = readPrefLines((context_.folders.settings + "main.prf").toStdString());
    if (!lines) return;
    prefs_ = tonvela::readMainPrefs(*lines, history_);
    if (!prefs_.place || prefs_.place->width <= 0 || prefs_.place->height <= 0) return;
    placeOnScreen(this, *prefs_.place);
    // The place is the normal one, to return to when the window is no longer maximised.
    if (prefs_.place->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TMIDIPollimoMain::writeMainPrefs() {
    const QRect g = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    const WindowPlace place{g.y(), g.x(), g.width(), g.height(), isMaximized()};
    try {
        writePrefLines((context_.folders.settings + "main.prf").toStdString(),
                       formatMainPrefs(place, prefs_, history_));
    } catch (const std::exception&) {
        // Nothing can be reported while the program ends; the next start uses the defaults.
    }
}

void TMIDIPollimoMain::offerInstallers() {
    if (context_.folders.data.isEmpty()) return;
    struct Package {
        QString source, target;
        const char* question;
        double* stored;
        const char* name;
    };
    const Package packages[] = {
        {context_.folders.data + "Effects", context_.folders.effects,
         "Install Effects? <エフェクトファイルをインストールしますか ?>", &prefs_.effectsDate, "Effects"},
        {context_.folders.data + "manual", context_.folders.settings + "manual",
         "Install Manual? <マニュアルをインストールしますか ?>", &prefs_.manualDate, "Manual"},
    };
    for (const Package& p : packages) {
        const double date = packageDate(p.source);
        if (date == 0 || !(date - *p.stored > 0.001)) continue;
        if (prompts().message(this, QMessageBox::Question, QString::fromUtf8(p.question),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            continue;
        // Running from the data folder itself there is nothing to copy.
        if (QDir(p.source).canonicalPath() == QDir(p.target).canonicalPath()) {
            *p.stored = date;
            continue;
        }
        // A file the user changed is never overwritten: it is kept and named.
        const InstallReport report = installPackage(p.source.toStdString(), p.target.toStdString());
        if (!report.kept.empty() || !report.failed.empty()) {
            QStringList details;
            for (const std::string& k : report.kept) details << QString::fromStdString(k) + " (changed by you, kept)";
            for (const std::string& f : report.failed) details << QString::fromStdString(f);
            QString text = QString::fromStdString(report.summary(p.name));
            if (!report.kept.empty()) text += "\nFiles you changed were kept as they are.";
            if (!report.complete()) text += "\nSome files could not be written; you will be asked again.";
            prompts().detailedMessage(this, report.complete() ? QMessageBox::Information : QMessageBox::Warning, text,
                                      details.join('\n'), QMessageBox::Ok);
        }
        // Something that could not be written is offered again at the next start.
        if (report.complete()) *p.stored = date;
    }
}

QString TMIDIPollimoMain::installedManual() const {
    const QString installed = context_.folders.settings + "manual/manual.html";
    if (QFileInfo::exists(installed)) return installed;
    if (!context_.folders.data.isEmpty()) return context_.folders.data + "manual/manual.html";
    return {};
}

void TMIDIPollimoMain::HelpExecute() {
    const QString manual = installedManual();
    if (manual.isEmpty() || !QFileInfo::exists(manual) || !prompts().openDocument(manual)) {
        if (options().midiErrorSound && errorSound_) errorSound_();
        prompts().message(this, QMessageBox::Warning, "Could't open manual.", QMessageBox::Ok);
    }
}

// ---- errors and busy work -----------------------------------------------------------------------

void TMIDIPollimoMain::reportError(const QString& message) {
    if (options().midiErrorSound && errorSound_) errorSound_();
    prompts().message(this, QMessageBox::Critical, message, QMessageBox::Ok);
}

void TMIDIPollimoMain::runBusy(const QString& text, const std::function<void()>& work) {
    if (!text.isEmpty()) status(text);
    busy_ = true;
    updateActions();
    BusyBar->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::exception_ptr failure;
    QEventLoop loop;
    bool done = false;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, [&] {
            done = true;
            loop.quit();
        }, Qt::QueuedConnection);
    });
    // Paints and timers go on (the busy bar moves); the user's input waits.
    if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    BusyBar->hide();
    busy_ = false;
    updateActions();
    if (failure) std::rethrow_exception(failure);
}

// ---- open ---------------------------------------------------------------------------------------

bool TMIDIPollimoMain::checkChanged() {
    updateUndoItem();
    if (!song_ || !songChanged()) return true;
    switch (prompts().message(this, QMessageBox::Question, "Data Changed. Save ?",
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: saveFile(); return true;
    case QMessageBox::No: return true;
    default: return false;
    }
}

void TMIDIPollimoMain::FileOpenExecute() {
    if (playing() || busy_) return;
    if (!checkChanged()) return;
    const QString path = prompts().openFileName(this, openFolder_, kFilter);
    if (path.isEmpty()) return;
    if (clipboard_) clipboard_->clear();
    openPath(path);
}

void TMIDIPollimoMain::dropSong() {
    toolHost_->songReplaced();
    clipboard_.reset();
    if (MidiDevice* d = device()) d->forgetPlayList();
    song_.reset();
    summary_.clear();
    MIDIDrawGrid11->setSummary(nullptr);
    MIDIDrawGrid11->setLabels({});
    MIDIDrawGrid11->setGridSize(2, 2);
    ViewStack->setCurrentWidget(Picture);
    LabelBar1->clear();
    // Nothing of the previous song may stay on screen.
    TimeBase->clear();
    EditTune->clear();
    Format->setItemIndex(-1);
    System->setItemIndex(-1);
    GMOn->setChecked(false);
    CopyrightComboBox->clear();
    CopyrightComboBox->setToolTip(QString());
    {
        const QSignalBlocker block(EditTitle);
        EditTitle->clear();
    }
    TimeEdit2->setText("0");
    Marker->clear();
    resetChannelGrid();
    currentPath_.clear();
    recovered_ = false;
    setWindowTitle("MIDI Tonvela");
}

bool TMIDIPollimoMain::openPath(const QString& path) {
    if (busy_) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool exists = QFileInfo(path).isFile();
    QApplication::restoreOverrideCursor();
    if (!exists) return false;
    openFolder_ = QFileInfo(path).absolutePath();

    if (!song_) {
        song_ = std::make_unique<midiSong>();
    }
    toolHost_->songReplaced();
    if (clipboard_) clipboard_->clear();
    if (MidiDevice* d = device()) d->forgetPlayList();  // Resume must not play the old song
    MIDIDrawGrid11->setSummary(nullptr);
    summary_.clear();
    MIDIDrawGrid11->setGridSize(2, MIDIDrawGrid11->rowCount());
    CopyrightComboBox->clear();
    GMOn->setChecked(false);
    System->setItemIndex(-1);
    song_->songCopyright = nullptr;

    recovered_ = false;
    std::vector<std::string> repairs;
    try {
        midiSong* s = song_.get();
        const std::string file = path.toStdString();
        runBusy("Reading:" + path, [s, file] { s->load(file); });
    } catch (const std::exception& e) {
        if (!openDamaged(path, e, repairs)) {
            dropSong();
            updateActions();
            status("Read Error:" + path);
            return false;
        }
    }

    fillViews();
    resetChannelGrid();  // the previous song's instruments and controllers must not linger
    feedInitialChannelStates();
    currentPath_ = path;
    setWindowTitle("MIDI tonvela [" + QFileInfo(path).fileName() + "]");
    refreshSelectionViews();
    readChannelStates();
    status("File read:" + path);
    history_.add(path.toStdString());
    GMOn->setChecked(carriesGmOn(song_->systemFlags));
    SystemMode mode = systemMode(song_->systemFlags);
    System->setItemIndex(mode == SystemMode::gs ? 1 : mode == SystemMode::xg ? 0 : -1);
    setTitleFromSong();
    refreshSelectionViews();
    if (recovered_ && context_.logWindow) {
        TLogWindow* log = context_.logWindow;
        log->clear();
        log->addLine("Repairs made while reading " + path + ":");
        for (const std::string& r : repairs) log->addLine(QString::fromStdString(r));
        log->addLine(QString());
        log->addLine("Save writes a sound file; the damaged file is kept as the backup when MakeBackup is on.");
        log->showWindow();
    }
    updateActions();
    return true;
}

bool TMIDIPollimoMain::openDamaged(const QString& path, const std::exception& failure,
                                   std::vector<std::string>& repairs) {
    const auto* m = dynamic_cast<const MidiError*>(&failure);
    // The file and where it broke, as tonvela-cli prints it.
    const QString text =
        path + ": " + QString::fromStdString(m ? m->messageWithDetail() : std::string(failure.what()));
    bool readable = false;
    if (m) {
        // Offered only when the repairing load gets a song out of the file.
        try {
            midiSong* s = song_.get();
            const std::string file = path.toStdString();
            runBusy("Reading:" + path, [s, file, &repairs] { repairs = s->load(file, LoadOptions{true}).repairs; });
            readable = true;
        } catch (const std::exception&) {
        }
    }
    if (!readable) {
        reportError(text);
        return false;
    }
    if (options().midiErrorSound && errorSound_) errorSound_();
    const QMessageBox::StandardButton answer = prompts().question(
        this, QMessageBox::Warning,
        text + "\n\nOpen what can be read? The damaged parts are left out; the repairs are listed in the log window.",
        QMessageBox::Open | QMessageBox::Cancel, {{QMessageBox::Open, "Open what can be read"}});
    if (answer != QMessageBox::Open) return false;
    // The song differs from its file until it is saved.
    recovered_ = true;
    return true;
}

void TMIDIPollimoMain::openFromOutside(const QString& path) {
    raise();
    activateWindow();
    if (busy_ || playing()) {
        // Try again once the current command is over.
        QTimer::singleShot(300, this, [this, path] { openFromOutside(path); });
        return;
    }
    if (!QFileInfo(path).isFile()) {
        status("File not found: " + path);
        return;
    }
    if (!checkChanged()) return;
    openPath(path);
}

void TMIDIPollimoMain::rebuildHistoryMenu() {
    // Everything after the separator that follows the History submenu is the list.
    QList<QAction*> items = FileMenu->actions();
    const int historyAt = items.indexOf(HistoryMenu->menuAction());
    for (int i = historyAt + 2; i < items.size(); ++i) {
        FileMenu->removeAction(items[i]);
        items[i]->deleteLater();
    }
    for (const std::string& entry : history_.menuEntries(currentPath_.toStdString())) {
        const QString path = QString::fromStdString(entry);
        QAction* a = FileMenu->addAction(path);
        a->setEnabled(FileOpen->isEnabled() && QFileInfo::exists(path));
        connect(a, &QAction::triggered, this, [this, path] {
            updateUndoItem();
            if (!checkChanged()) return;
            openPath(path);
        });
    }
}

void TMIDIPollimoMain::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!playing() && !busy_ && data->hasUrls() && !data->urls().isEmpty() &&
        data->urls().first().isLocalFile() && isMidiFileName(data->urls().first().toLocalFile()))
        event->acceptProposedAction();
}

void TMIDIPollimoMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || playing() || busy_) return;
    const QString path = urls.first().toLocalFile();
    event->acceptProposedAction();
    // Leave the drag first: the check may ask a question.
    QTimer::singleShot(0, this, [this, path] {
        if (!checkChanged()) return;
        if (clipboard_) clipboard_->clear();
        openPath(path);
    });
}

// ---- save ---------------------------------------------------------------------------------------

bool TMIDIPollimoMain::writeSong(const QString& path) {
    midiSong* s = song_.get();
    const std::string file = path.toStdString();
    try {
        runBusy(QString(), [s, file] { s->writeFile(file); });
        return true;
    } catch (const std::exception& e) {
        const MidiError* m = dynamic_cast<const MidiError*>(&e);
        reportError(m ? QString::fromStdString(m->message())
                      : QString("Dooh! Save failed. '.mid' file may be broken."));
        return false;
    }
}

bool TMIDIPollimoMain::saveFile() {
    if (!song_ || currentPath_.isEmpty()) return false;
    const tonvela::Options o = options();
    if (o.makeBackup) {
        const BackupOutcome b = makeBackup(currentPath_.toStdString(), static_cast<BackupScheme>(o.extension));
        if (b.result == BackupResult::AllTaken) {
            prompts().message(this, QMessageBox::Warning, kAllBackupsTaken, QMessageBox::Ok);
            return false;
        }
    }
    const bool ok = writeSong(currentPath_);
    if (ok) {
        recovered_ = false;
        status("File saved:" + currentPath_);
    }
    updateActions();
    return ok;
}

void TMIDIPollimoMain::FileSaveExecute() {
    if (!song_ || playing() || busy_) return;
    saveFile();
}

void TMIDIPollimoMain::FileSaveAsExecute() {
    if (!song_ || playing() || busy_) return;
    QString path = prompts().saveFileName(this, openFolder_, kFilter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".mid";
    const bool ok = writeSong(path);
    if (ok) {
        recovered_ = false;
        status("File saved:" + path);
    }
    // The title, path and history follow the new name either way.
    currentPath_ = path;
    setWindowTitle("MIDI tonvela [" + QFileInfo(path).fileName() + "]");
    history_.add(path.toStdString());
    updateActions();
}

// ---- exit ---------------------------------------------------------------------------------------

void TMIDIPollimoMain::ExitExecute() {
    if (!checkChanged()) return;
    closing_ = true;
    close();
    closing_ = false;
}

void TMIDIPollimoMain::closeEvent(QCloseEvent* event) {
    if (busy_ || (!closing_ && !checkChanged())) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT closed();
}
