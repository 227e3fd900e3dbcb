#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <cmath>
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
#include "effectgroup/efxgroup.h"
#include "expression/glissedit.h"
#include "expression/portamentwin.h"
#include "expression/trillwin.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "optiondialog.h"
#include "pianoroll/editwin.h"
#include "setup/setupman.h"
#include "pianoroll/rolllane.h"
#include "singleinstance.h"
#include "tempo/tempoeditor.h"
#include "tempo/tempoplane.h"

#include <QToolButton>
#include "xg/multipartparam.h"
#include "xg/xgeditor.h"
#include "xg/xgeffectparam.h"
#include "xg/xgreceivmap.h"

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

// The piano roll of a long song with the grid on (bar lines and numbers thin out), and the
// pitch-bend lane after a curve was drawn into it.
TEST_F(EditorTest, ScreenshotsOfThePianoRollOnALongSongAndDrawnBends) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    using tonvela::test::cat;
    // 1,200 bars: a four-note figure in every bar, climbing through the octaves every 100 bars.
    tonvela::test::Bytes lead = trackName("Lead");
    for (int bar = 0; bar < 1200; ++bar) {
        const int base = 36 + (bar / 100) * 4 % 48;
        for (int k : {0, 4, 7, 12}) lead = cat({lead, note(0, 0, base + k, 480)});
    }
    TMIDIPollimoMain* w = start(writeSong("long.mid", tonvela::test::smf(1, {conductor(1200), lead})));
    ASSERT_NE(w->song(), nullptr);
    w->MIDIDrawGrid11->setSelection(1, 1, w->MIDIDrawGrid11->colCount() - 1, 1);
    w->refreshSelectionViews();
    w->ActionPianoRoll->trigger();
    auto* roll = w->tools().find<TEditWindow>();
    ASSERT_NE(roll, nullptr);
    roll->resize(1000, 640);
    roll->ShowGrid->setChecked(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(roll->grab().toImage().save(out + "/piano_roll_long_song.png"));

    // Bars 1-4, the P.B. lane, a wave drawn across it.
    w->MIDIDrawGrid11->setSelection(1, 1, 4, 1);
    w->refreshSelectionViews();
    roll->TabControl1->setCurrentIndex(1);
    roll->Splitter1->setSizes({380, 200});
    QCoreApplication::processEvents();
    QWidget* lane = roll->ImageBottom;
    const int lw = lane->width(), lh = lane->height();
    auto at = [&](int i) { return QPoint(i * (lw - 1) / 40, lh / 2 - static_cast<int>(lh * 0.45 * std::sin(i * 3.14159 / 10))); };
    QTest::mousePress(lane, Qt::LeftButton, {}, at(0));
    for (int i = 1; i <= 40; ++i) {
        QMouseEvent move(QEvent::MouseMove, at(i), lane->mapToGlobal(at(i)), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(lane, &move);
    }
    QTest::mouseRelease(lane, Qt::LeftButton, {}, at(40));
    EXPECT_EQ(w->song()->track(1)->undoLabel(), "Piano Roll <Bend>");
    QCoreApplication::processEvents();
    EXPECT_TRUE(roll->grab().toImage().save(out + "/piano_roll_bend_drawn.png"));
}

// The data checker made narrower than its lines, after a Correct that left lines saying why.
TEST_F(EditorTest, ScreenshotOfTheDataCheckerResized) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->updateActions();
    w->ActionDataChecker->trigger();
    auto* check = w->tools().find<TDataCheckWindow>();
    ASSERT_NE(check, nullptr);
    check->CheckButton1->click();
    check->CorrectButton1->click();
    check->resize(640, 460);
    QCoreApplication::processEvents();
    EXPECT_EQ(check->size(), QSize(640, 460));
    // Scrolled to the ends of the lines, where the reasons stand.
    QScrollBar* across = check->CheckListBox1->horizontalScrollBar();
    EXPECT_GT(across->maximum(), 0);
    across->setValue(across->maximum());
    QCoreApplication::processEvents();
    const QImage shot = check->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(out + "/data_check_resized.png"));
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

// The group editor over the shipped library: a vibrato chosen in the tree, a three-step group.
TEST_F(EditorTest, ScreenshotOfTheEffectGroupEditor) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    const QString library = QStringLiteral(TONVELA_SOURCE_DIR) + "/Effects/";
    QDirIterator it(library, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = folders.effects + QDir(library).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        ASSERT_TRUE(QFile::copy(source, target));
    }
    TMIDIPollimoMain* w = start();
    w->ActionEffectGroupEditor->trigger();
    auto* g = w->tools().find<TEfxGroup>();
    ASSERT_NE(g, nullptr);
    for (const char* member : {"Articulation", "Legato.fxl", "Expression", "Swell each long note.fxl", "Pitch",
                               "Vibrato.fxl"}) {
        const auto found = g->TreeView1->findItems(member, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << member;
        g->TreeView1->setCurrentItem(found[0]);
        if (QString(member).endsWith(".fxl")) g->AddEffect->click();
        else found[0]->setExpanded(true);
    }
    g->GroupName->setText("Singing strings");
    g->EffectList->setCurrentRow(1);
    ASSERT_EQ(g->EffectList->count(), 3);
    EXPECT_FALSE(g->Memo1->toPlainText().isEmpty());
    QCoreApplication::processEvents();
    const QImage shot = g->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(out + "/effect_group_editor.png"));
    g->close();
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

// The Setup Manager over the demo song, on its second channel, a value changed.
TEST_F(EditorTest, ScreenshotOfTheSetupManager) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    w->updateActions();
    prompts.answers.push_back(QMessageBox::No);  // its notes begin on the first beat
    w->ActionSetupManager->trigger();
    auto* setup = w->tools().find<TSetupMan>();
    ASSERT_NE(setup, nullptr);
    setup->ComboBoxChannel->setCurrentIndex(1);
    Q_EMIT setup->ComboBoxChannel->activated(1);
    setup->TrackBarReverb->setValue(72);
    setup->adjustSize();
    QCoreApplication::processEvents();
    const QImage shot = setup->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(out + "/setup_manager.png"));
    setup->close();
}

// The XG editor over the demo song: some tabs, and one dialog of each kind.
TEST_F(EditorTest, ScreenshotsOfTheXGEditor) {
    const QString out = QStringLiteral(TONVELA_BUILD_DIR) + "/screenshots";
    QDir().mkpath(out);
    TMIDIPollimoMain* w = start(QStringLiteral(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    ASSERT_NE(w->song(), nullptr);
    auto* xg = dynamic_cast<TXGEditor*>(w->tools().open("xg"));
    ASSERT_NE(xg, nullptr);
    auto shoot = [&](QWidget* widget, const QString& name) {
        QCoreApplication::processEvents();
        const QImage shot = widget->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(out + "/" + name + ".png"));
    };
    xg->TrackBar1->setValue(110);
    shoot(xg, "xg_editor_system");
    xg->PageControl->setCurrentWidget(xg->page(TXGEditor::PageVariation));
    xg->ComboBoxVariationType->setCurrentIndex(xg->ComboBoxVariationType->findText("DELAY L,C,R"));
    Q_EMIT xg->ComboBoxVariationType->activated(xg->ComboBoxVariationType->currentIndex());
    shoot(xg, "xg_editor_variation");
    xg->PageControl->setCurrentWidget(xg->page(TXGEditor::PageDrum));
    shoot(xg, "xg_editor_drum_setup");
    xg->PageControl->setCurrentWidget(xg->page(TXGEditor::PageDisplay));
    xg->EditLetter->setText("Tonvela");
    xg->NewDisp->click();
    tonvela::XGBitmap smile;
    for (int i : {3 * 16 + 4, 3 * 16 + 11, 4 * 16 + 4, 4 * 16 + 11, 10 * 16 + 3, 10 * 16 + 12, 11 * 16 + 4,
                  11 * 16 + 11, 12 * 16 + 5, 12 * 16 + 6, 12 * 16 + 7, 12 * 16 + 8, 12 * 16 + 9, 12 * 16 + 10})
        smile.set(static_cast<size_t>(i));
    xg->setPicture(smile);
    xg->RadioDispSelect->button(1)->click();
    xg->EditBar->setText("2");
    xg->NewDisp->click();
    shoot(xg, "xg_editor_display");

    prompts.onDialog = [&](QDialog* d) {
        d->adjustSize();
        d->show();
        if (auto* m = qobject_cast<TMutiPartParam*>(d)) {
            shoot(d, "xg_multi_part");
            m->ReceiveMapClick();
            m->PageButtonClick(tonvela::xgMultiPartMW);
        } else if (qobject_cast<TXGReceivMap*>(d)) {
            shoot(d, "xg_receive_map");
        } else if (auto* p = qobject_cast<TXGEffectParam*>(d)) {
            shoot(d, p->pageTable().effectNumber == 53 ? "xg_effect_parameter" : "xg_multi_part_mw");
        }
        return int(QDialog::Rejected);
    };
    xg->PageControl->setCurrentWidget(xg->page(TXGEditor::PageVariation));
    xg->ButtonEdirVariation->click();
    xg->PageControl->setCurrentWidget(xg->page(TXGEditor::PageMultiPart));
    xg->ButtonEditMultiPart->click();
    prompts.onDialog = nullptr;
}
