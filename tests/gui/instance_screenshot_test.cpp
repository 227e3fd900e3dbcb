#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSlider>
#include <QTabWidget>
#include <atomic>
#include <thread>

#include <QListView>
#include <QListWidget>
#include "radiogroup.h"

#include "checker/datacheckwin.h"
#include "drums/chanedrum.h"
#include "eventlist/addeventwin.h"
#include "eventlist/event_list_model.h"
#include "eventlist/eventform.h"
#include "eventlist/uniform_list_view.h"
#include "effects/effecteditor.h"
#include "expression/glissedit.h"
#include "expression/portamentwin.h"
#include "expression/trillwin.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "optiondialog.h"
#include "pianoroll/editwin.h"
#include "singleinstance.h"
#include "tempo/tempoeditor.h"
#include "tempo/tempoplane.h"

#include <QToolButton>

using namespace guitest;

TEST_F(EditorTest, ASecondInstanceHandsItsFileToTheFirst) {
    SingleInstance first(folders.settings);
    ASSERT_TRUE(first.acquire());
    QStringList received;
    QObject::connect(&first, &SingleInstance::fileReceived, [&](const QString& p) { received << p; });

    SingleInstance second(folders.settings);
    EXPECT_FALSE(second.acquire());
    // The hand-over blocks its caller, so the second start runs on a thread of its own.
    std::atomic<int> sent{-1};
    std::thread other([&] { sent = second.sendToRunning("/music/song.mid") ? 1 : 0; });
    QElapsedTimer limit;
    limit.start();
    while (sent < 0 && limit.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    other.join();
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(received, QStringList{"/music/song.mid"});

    // Another settings folder is another instance.
    QDir().mkpath(path("elsewhere"));
    SingleInstance third(path("elsewhere"));
    EXPECT_TRUE(third.acquire());
}

TEST_F(EditorTest, TheRunningEditorOpensAFileHandedOverAfterTheCheck) {
    const QString a = writeSong("a.mid", pianoAndBass());
    const QString b = writeSong("b.mid", pianoAndBass());
    TMIDIPollimoMain* w = start(a);
    w->ActionCopy->trigger();
    w->ActionPaste->trigger();
    prompts.answers = {QMessageBox::Cancel};
    w->openFromOutside(b);
    EXPECT_EQ(w->currentPath(), a);
    prompts.answers = {QMessageBox::No};
    w->openFromOutside(b);
    EXPECT_EQ(w->currentPath(), b);
}

TEST_F(EditorTest, ASecondStartHandsItsFileOverAndEndsWithExitCode1) {
    SingleInstance running(folders.settings);
    ASSERT_TRUE(running.acquire());
    QStringList received;
    QObject::connect(&running, &SingleInstance::fileReceived, [&](const QString& p) { received << p; });
    auto secondStart = [&](const QStringList& args) {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        second.setProcessEnvironment(env);
        second.start(TONVELA_APP_PATH, QStringList{"--settings", folders.settings} + args);
        // The running side answers through this thread's event loop.
        QElapsedTimer limit;
        limit.start();
        while (second.state() != QProcess::NotRunning && limit.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            second.waitForFinished(20);
        }
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 1);
        return second.readAllStandardError();
    };
    const QByteArray quiet = secondStart({});
    EXPECT_FALSE(quiet.contains("tonvela:")) << quiet.toStdString();
    EXPECT_TRUE(received.isEmpty());

    const QString file = writeSong("handed.mid", pianoAndBass());
    secondStart({file});
    EXPECT_EQ(received, QStringList{file});
}

// Pictures for a reviewer, not compared: the main window with the demo song and every tool
// window and dialog of the editor.
TEST_F(EditorTest, ScreenshotsOfEveryWindow) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->resize(1100, 760);
    w->MIDIDrawGrid11->setSelection(3, 2, 6, 3);
    w->refreshSelectionViews();
    QCoreApplication::processEvents();
    const QImage main = w->grab().toImage();
    ASSERT_FALSE(main.isNull());
    EXPECT_TRUE(main.save(out + "/main_window.png"));

    // The piano roll of the same selection: the notes of two tracks over four bars.
    w->ActionPianoRoll->trigger();
    auto* roll = w->tools().find<TEditWindow>();
    ASSERT_NE(roll, nullptr);
    roll->resize(1000, 640);
    QCoreApplication::processEvents();
    const QImage pianoRoll = roll->grab().toImage();
    ASSERT_FALSE(pianoRoll.isNull());
    EXPECT_TRUE(pianoRoll.save(out + "/piano_roll.png"));
    roll->hide();

    TOption* o = app->Option();
    o->adjustSize();
    for (int page = 0; page < 3; ++page) {
        o->PageControl->setCurrentIndex(page);
        o->show();
        QCoreApplication::processEvents();
        const QImage shot = o->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(out + QString("/options_page%1.png").arg(page + 1)));
    }
    o->hide();

    w->ActionEventList->trigger();
    auto* events = w->tools().find<TEventForm>();
    ASSERT_NE(events, nullptr);
    events->resize(760, 520);
    events->ListBox1->setCurrentIndex(events->model()->index(4, 0));
    QCoreApplication::processEvents();
    const QImage list = events->grab().toImage();
    ASSERT_FALSE(list.isNull());
    EXPECT_GT(events->model()->rowCount(), 0);
    EXPECT_TRUE(list.save(out + "/event_list.png"));

    // The dialog as Edit opens it on the selected line.
    prompts.onDialog = [&](QDialog* d) {
        d->adjustSize();
        d->show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(d->grab().toImage().save(out + "/edit_event.png"));
        return int(QDialog::Rejected);
    };
    events->ActionEdit->trigger();
    prompts.onDialog = nullptr;

    // The far end of a long song: four-digit bar numbers in the header.
    ASSERT_TRUE(w->openPath(writeSong("long.mid", tonvela::test::smf(1, {conductor(1200), note(0, 0, 60, 480)}))));
    w->MIDIDrawGrid11->setLeftCol(w->MIDIDrawGrid11->colCount() - 12);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->MIDIDrawGrid11->grab().toImage().save(out + "/grid_long_song.png"));
}

// The effect editor over the demo song: every page, the Function page with a shaped curve.
TEST_F(EditorTest, ScreenshotsOfTheEffectEditor) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->selectCell(2, 2);
    w->ActionEffectEditor->trigger();
    auto* ed = w->tools().find<TEffectEditor>();
    ASSERT_NE(ed, nullptr);
    auto shoot = [&](const QString& name) {
        QCoreApplication::processEvents();
        const QImage shot = ed->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(out + "/" + name + ".png"));
    };
    const char* names[] = {"add_event", "delete", "velocity", "time_shift", "echo", "modify_control",
                           "duration", "chord"};
    for (int type = 0; type < 8; ++type) {
        ed->TargetComboBox->setCurrentIndex(type);
        Q_EMIT ed->TargetComboBox->activated(type);
        shoot(QString("effect_editor_%1").arg(names[type]));
    }
    // Modify Velocity shaped by a sine over one and a half periods, inverted.
    ed->TargetComboBox->setCurrentIndex(2);
    Q_EMIT ed->TargetComboBox->activated(2);
    ed->FunctionBox->setCurrentIndex(1);
    ed->TrackBar1->setValue(15);
    ed->FlipY->setChecked(true);
    ed->PageControl->setCurrentWidget(ed->page(TEffectEditor::TabFunction));
    shoot("effect_editor_function");
}

// The data checker after a check of the demo song, one line selected.
TEST_F(EditorTest, ScreenshotOfTheDataChecker) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->updateActions();
    w->ActionDataChecker->trigger();
    auto* check = w->tools().find<TDataCheckWindow>();
    ASSERT_NE(check, nullptr);
    check->CheckButton1->click();
    ASSERT_GT(check->model()->rowCount(), 3);
    check->CheckListBox1->setCurrentIndex(check->model()->index(3));
    QCoreApplication::processEvents();
    const QImage shot = check->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(out + "/data_check.png"));
}

// The expression editors over the demo song: a phrase chosen in each note list.
TEST_F(EditorTest, ScreenshotsOfTheExpressionEditors) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->selectCell(2, 2);
    w->updateActions();
    auto shoot = [&](QWidget* window, const QString& name) {
        window->adjustSize();
        QCoreApplication::processEvents();
        const QImage shot = window->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(out + "/" + name + ".png"));
    };
    w->ActionPortamentEditor->trigger();
    auto* porta = w->tools().find<TPortamentEditor>();
    ASSERT_NE(porta, nullptr);
    ASSERT_GT(porta->ListBox1->count(), 2);
    porta->RadioGroup1->setItemIndex(1);
    Q_EMIT porta->RadioGroup1->itemClicked(1);
    for (int r = 0; r < 3; ++r) porta->ListBox1->item(r)->setSelected(true);
    shoot(porta, "portament_editor");
    porta->hide();

    w->ActionTrillEditor->trigger();
    auto* trill = w->tools().find<TTrillEditor>();
    ASSERT_NE(trill, nullptr);
    shoot(trill, "trill_editor");
    w->ActionSlurBender->trigger();
    for (int r = 0; r < std::min(3, trill->ListBox1->count()); ++r) trill->ListBox1->item(r)->setSelected(true);
    shoot(trill, "slur_bender");
    trill->hide();

    w->ActionGlissandEditor->trigger();
    auto* gliss = w->tools().find<TGlissand>();
    ASSERT_NE(gliss, nullptr);
    gliss->UseAlt->setChecked(true);
    gliss->setAlteration(0, "+1");
    shoot(gliss, "glissand_editor");
    gliss->close();
}

// The tempo editor over bars 5-25 of the demo song with its notes behind, the side panel open on
// rit./accel. and a tempo change chosen.
TEST_F(EditorTest, ScreenshotOfTheTempoEditor) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->MIDIDrawGrid11->setSelection(5, 1, 25, 3);
    w->refreshSelectionViews();
    w->updateActions();
    w->ActionTempoEditor->trigger();
    auto* tempo = w->tools().find<TTempoEditor>();
    ASSERT_NE(tempo, nullptr);
    tempo->resize(980, 560);
    tempo->TempoToolButton->setChecked(true);
    tempo->PageControl->setCurrentWidget(tempo->AccRit);
    QCoreApplication::processEvents();
    tempo->refreshFromEditor();
    if (!tempo->ImageTempo->curve().points.empty()) tempo->choose(tempo->ImageTempo->curve().points.front().event);
    QCoreApplication::processEvents();
    const QImage shot = tempo->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(out + "/tempo_editor.png"));
}

// The drums/notes changer over the demo song: three mappings, a search listed.
TEST_F(EditorTest, ScreenshotOfTheDrumsNotesChanger) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->updateActions();
    w->ActionDrumsNotesChanger->trigger();
    auto* changer = w->tools().find<TChaneDrum>();
    ASSERT_NE(changer, nullptr);
    for (auto [from, to] : {std::pair{42, 44}, std::pair{36, 35}, std::pair{38, 40}}) {
        changer->fromCB->setCurrentIndex(from);
        changer->toCB->setCurrentIndex(to);
        changer->AddButton->click();
    }
    changer->SearchButton->click();
    ASSERT_GT(changer->resultLines().size(), 1);
    changer->adjustSize();
    QCoreApplication::processEvents();
    const QImage shot = changer->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(out + "/drums_notes_changer.png"));
    prompts.answers.push_back(QMessageBox::No);
    changer->close();
}
