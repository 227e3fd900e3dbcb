#pragma once

// The editor as the program builds it, in a temporary settings folder, with every message box
// and dialog answered by the test.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>

#include "application.h"
#include "optiondialog.h"
#include "radiogroup.h"
#include "bargrid.h"
#include "mainwin.h"
#include "output/capture_port.h"
#include "prompts.h"
#include "smf_builder.h"

QT_BEGIN_NAMESPACE
// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace guitest {

using tonvela::test::at;
using tonvela::test::Bytes;
using tonvela::test::note;

// Answers in order; a question without a prepared answer is a test failure and gets Cancel
// (or No, or Ok), the answer that changes least.
class ScriptedPrompts : public UiPrompts {
public:
    struct Asked {
        QMessageBox::Icon icon;
        QString text;
        QString details;  // behind Show Details
    };
    std::vector<Asked> asked;
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<QString> openNames, saveNames;
    std::function<int(QDialog*)> onDialog;
    std::vector<QString> opened;
    bool openSucceeds = true;

    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons) override {
        asked.push_back({icon, text, {}});
        if (!answers.empty()) {
            auto a = answers.front();
            answers.pop_front();
            return a;
        }
        if (buttons != QMessageBox::Ok) ADD_FAILURE() << "unexpected question: " << text.toStdString();
        for (auto b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok})
            if (buttons & b) return b;
        return QMessageBox::NoButton;
    }
    QMessageBox::StandardButton detailedMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                                const QString& details,
                                                QMessageBox::StandardButtons buttons) override {
        const auto answer = message(parent, icon, text, buttons);
        asked.back().details = details;
        return answer;
    }
    QMessageBox::StandardButton question(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         const QList<QPair<QMessageBox::StandardButton, QString>>& captions) override {
        for (const auto& c : captions) captionsShown << c.second;
        return message(parent, icon, text, buttons);
    }
    QStringList captionsShown;  // the renamed buttons of every question
    QStringList filters;  // of every file dialog shown
    QString openFileName(QWidget*, const QString&, const QString& filter) override {
        filters << filter;
        if (openNames.empty()) return {};
        QString n = openNames.front();
        openNames.pop_front();
        return n;
    }
    QString saveFileName(QWidget*, const QString&, const QString&) override {
        if (saveNames.empty()) return {};
        QString n = saveNames.front();
        saveNames.pop_front();
        return n;
    }
    int execDialog(QDialog* dialog) override {
        if (onDialog) return onDialog(dialog);
        return QDialog::Rejected;
    }
    bool openDocument(const QString& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
    QStringList texts() const {
        QStringList l;
        for (const Asked& a : asked) l << a.text;
        return l;
    }
};

inline Bytes trackName(const std::string& name) {
    Bytes b = at(0, {0xFF, 0x03, static_cast<uint8_t>(name.size())});
    b.insert(b.end(), name.begin(), name.end());
    return b;
}

// 4/4 at 480 ticks per quarter, tempo 120, `bars` bars long (a text event marks the end).
inline Bytes conductor(int bars, const std::string& title = "Song") {
    return tonvela::test::cat({trackName(title), at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}),
                               at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                               at(static_cast<uint32_t>(bars * 1920), {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UiPrompts::install(&prompts);
        folders.settings = dir_.path() + "/settings/";
        folders.effects = folders.settings + "Effects/";
        QDir().mkpath(folders.effects);
    }
    void TearDown() override {
        app.reset();
        UiPrompts::install(nullptr);
    }

    // Starts the editor as the program does and shows its main window.
    // driver: the MIDI ports (nullptr: the capture port).
    TMIDIPollimoMain* start(const QString& file = {}, std::unique_ptr<tonvela::PortDriver> driver = nullptr) {
        capture = std::make_shared<tonvela::CaptureLog>();
        if (!driver) driver = tonvela::makeCaptureDriver(capture, tonvela::makeSteadyClock());
        app = std::make_unique<TonvelaApp>(folders, file, std::move(driver));
        TMIDIPollimoMain* w = app->MIDIPollimoMain();
        w->setErrorSound([this] { ++errorSounds; });
        w->show();
        w->firstShow();
        app->startDevice();
        return w;
    }
    // Ends the editor: every window writes its preference file.
    void stop() { app.reset(); }

    QString writeSong(const QString& name, const Bytes& bytes) {
        const QString path = dir_.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }
    QString path(const QString& name) const { return dir_.path() + "/" + name; }
    TMIDIPollimoMain* window() const { return app->MIDIPollimoMain(); }
    QString statusText() const { return window()->statusBar()->currentMessage(); }

    ScriptedPrompts prompts;
    AppFolders folders;
    std::unique_ptr<TonvelaApp> app;
    int errorSounds = 0;
    // What the editor sent to its MIDI output.
    std::shared_ptr<tonvela::CaptureLog> capture;

private:
    QTemporaryDir dir_;
};

// Track 1 "Piano" on channel 1: a program change and 12 notes in bar 1, 2 notes in bar 2, one
// in bar 3. Track 2 "Bass" on channel 3: one note in bar 1. Eight bars.
inline Bytes pianoAndBass() {
    using tonvela::test::cat;
    Bytes piano = cat({trackName("Piano"), at(0, {0xC0, 0})});
    for (int i = 0; i < 12; ++i) piano = cat({piano, note(0, 0, 60 + i, 160)});
    piano = cat({piano, note(0, 0, 60, 240), at(0, {0xB0, 7, 90}), note(0, 0, 62, 240),
                 at(0, {0xFF, 0x01, 0x02, 'h', 'i'}), note(1440, 0, 64, 480)});
    Bytes bass = cat({trackName("Bass"), note(0, 2, 36, 480)});
    return tonvela::test::smf(1, {conductor(8), piano, bass});
}

// A key pressed in a window as a user would: the window active, the key sent to the widget that
// has the focus there, so that the window's shortcuts see it. False when the window never became
// active.
inline bool pressIn(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    window->raise();
    window->activateWindow();
    // A tool window counts as active for its window handle while its main window is: wait for the
    // application to make it the active window itself.
    if (!QTest::qWaitFor([window] { return QApplication::activeWindow() == window; })) return false;
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window ? focus : window, key, modifiers);
    return true;
}

}  // namespace guitest
