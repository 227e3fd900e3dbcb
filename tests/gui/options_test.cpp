#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

#include "gui_fixture.h"
#include "intinputwin.h"
#include "optiondialog.h"
#include "radiogroup.h"
#include "settings/preffile.h"

using namespace guitest;

TEST_F(EditorTest, OptionsHaveTheirDefaultsRulesAndHints) {
    start();
    TOption* o = app->Option();
    EXPECT_EQ(o->windowTitle(), "Option");
    EXPECT_EQ(o->UpDownHistoryCt->value(), 10);
    EXPECT_EQ(o->UpDownHistoryCt->minimum(), 1);
    EXPECT_EQ(o->UpDownHistoryCt->maximum(), 100);
    EXPECT_EQ(o->DispInterval->text(), "1000");
    EXPECT_TRUE(o->MakeBackup->isChecked());
    EXPECT_EQ(o->Extension->itemIndex(), 1);
    EXPECT_FALSE(o->DetectIllegalVel->isChecked());
    EXPECT_FALSE(o->UpDown2->isEnabled());
    EXPECT_FALSE(o->IneffectivePitchbend->isChecked());

    o->DetectIllegalVel->click();
    EXPECT_TRUE(o->UpDown2->isEnabled());
    EXPECT_TRUE(o->UpDown3->isEnabled());
    o->DetectShortDuraion->click();
    EXPECT_FALSE(o->UpDown1->isEnabled());
    o->DetectSameControlValue->click();
    EXPECT_FALSE(o->CheckInitial->isEnabled());
    o->MakeBackup->click();
    EXPECT_FALSE(o->Extension->isEnabled());

    o->DispInterval->setText("-5");
    EXPECT_EQ(o->DispInterval->text(), "0");
    o->DispInterval->setText("0");
    EXPECT_EQ(o->DispInterval->text(), "0");

    // Hints: Japanese texts in the status bar; the page background empties it.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(o->MakeBackup, &enter);
    EXPECT_EQ(o->StatusBar1->currentMessage(), QString::fromUtf8("上書き保存の時にバックアップファイルを作ります。"));
    QApplication::sendEvent(o->LabelHistoryCt, &enter);
    EXPECT_EQ(o->StatusBar1->currentMessage(), QString::fromUtf8("過去にオープンしたファイルの履歴の個数を設定します。"));
    QApplication::sendEvent(o->EditName2, &enter);
    EXPECT_EQ(o->StatusBar1->currentMessage(), QString::fromUtf8("著作権情報を登録します"));
    QApplication::sendEvent(o->DispInterval, &enter);  // no hint: unchanged
    EXPECT_EQ(o->StatusBar1->currentMessage(), QString::fromUtf8("著作権情報を登録します"));
    QApplication::sendEvent(o->PageControl->widget(1), &enter);
    EXPECT_TRUE(o->StatusBar1->currentMessage().isEmpty());
}

TEST_F(EditorTest, TheOptionCommandOpensTheGeneralPageModally) {
    TMIDIPollimoMain* w = start();
    TOption* o = app->Option();
    o->PageControl->setCurrentIndex(2);
    int shown = 0;
    prompts.onDialog = [&](QDialog* d) {
        ++shown;
        EXPECT_EQ(d, o);
        EXPECT_EQ(o->PageControl->currentIndex(), 0);
        EXPECT_EQ(o->PageControl->tabText(0), "General");
        EXPECT_EQ(o->PageControl->tabText(1), "Data Check");
        EXPECT_EQ(o->PageControl->tabText(2), "Copyright");
        o->OkButton->click();
        return QDialog::Accepted;
    };
    w->ActionOption->trigger();
    EXPECT_EQ(shown, 1);
}

TEST_F(EditorTest, OptionsAreWrittenAtTheEndAndReadAtTheNextStart) {
    start();
    TOption* o = app->Option();
    o->UpDownHistoryCt->setValue(3);
    o->Extension->button(2)->click();
    o->EditName1->setText("(C) Someone");
    o->IneffectivePitchbend->setChecked(true);
    o->DispInterval->setText("250");
    o->OkButton->click();
    stop();
    auto lines = tonvela::readPrefLines((folders.settings + "option.prf").toStdString());
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 33u);
    EXPECT_EQ((*lines)[0], "0009");
    start();
    o = app->Option();
    EXPECT_EQ(o->UpDownHistoryCt->value(), 3);
    EXPECT_EQ(o->Extension->itemIndex(), 2);
    EXPECT_EQ(o->EditName1->text(), "(C) Someone");
    EXPECT_TRUE(o->IneffectivePitchbend->isChecked());
    EXPECT_EQ(o->DispInterval->text(), "250");
    // The history capacity comes from the option at start.
    EXPECT_EQ(window()->history().capacity(), 3);
}

TEST_F(EditorTest, AnOlderOptionFileGetsTheOlderValuesAndANewerOneIsRefused) {
    tonvela::writePrefLines((folders.settings + "option.prf").toStdString(),
                            {"0003", "10", "20", "1", "1", "1", "0", "1", "2", "0", "1", "32", "1", "1",
                             "1", "1", "1", "1", "1", "1", "1", "1", "1", "10"});
    start();
    EXPECT_FALSE(app->Option()->DetectNoteOnandOtherEvent->isChecked());
    EXPECT_FALSE(app->Option()->NoteonWhileVol0->isChecked());
    EXPECT_FALSE(app->Option()->InvalidOnOff->isChecked());
    EXPECT_FALSE(app->Option()->NonefctPB->isChecked());
    EXPECT_EQ(app->Option()->EditName1->text(), "");
    EXPECT_EQ(app->Option()->DispInterval->text(), "1000");
    EXPECT_TRUE(prompts.asked.empty());
    stop();

    tonvela::writePrefLines((folders.settings + "option.prf").toStdString(), {"0010", "1", "1"});
    start();
    EXPECT_EQ(prompts.texts(), QStringList{"Illegal data version.  Use latest version of MIDI Tonvela."});
    EXPECT_TRUE(app->Option()->NonefctPB->isChecked());  // defaults stand
    stop();
    auto lines = tonvela::readPrefLines((folders.settings + "option.prf").toStdString());
    EXPECT_EQ((*lines)[0], "0009");  // overwritten at the end
}

TEST_F(EditorTest, AskIntegerReadsPlainNumbersWithoutAsking) {
    start();
    QString text = "007";
    EXPECT_EQ(askInteger(text, window()), 7);
    EXPECT_EQ(text, "7");
    text = "10";
    EXPECT_DOUBLE_EQ(askDecimal(text, window()), 10.0);
    EXPECT_EQ(text, "10.00");
    text = "1";
    askDecimal(text, window());
    EXPECT_EQ(text, " 1.00");
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(EditorTest, AskIntegerAsksAgainUntilANumberIsEntered) {
    start();
    int dialogs = 0;
    prompts.onDialog = [&](QDialog* d) {
        ++dialogs;
        auto* input = qobject_cast<TIntegerInput*>(d);
        EXPECT_NE(input, nullptr);
        EXPECT_EQ(input->windowTitle(), "IntegerInput");
        EXPECT_EQ(input->MsgArea->toPlainText(), "twelve");
        EXPECT_TRUE(input->InputInt->text().isEmpty());
        input->InputInt->setText("abc");
        input->OKButton1->click();
        EXPECT_EQ(input->result(), QDialog::Rejected);  // still open
        EXPECT_EQ(input->intResult, -1);
        input->InputInt->setText("12");
        input->OKButton1->click();
        return input->result();
    };
    QString text = "twelve";
    EXPECT_EQ(askInteger(text, window()), 12);
    EXPECT_EQ(text, "12");
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(prompts.texts(), QStringList{QString::fromUtf8("Integer Only\n整数を入力してください")});
}

TEST_F(EditorTest, ClosingTheReentryDialogGivesZeroOrMinusOneAfterARejectedTry) {
    start();
    prompts.onDialog = [](QDialog*) { return QDialog::Rejected; };
    QString text = "x";
    EXPECT_EQ(askInteger(text, window()), 0);
    EXPECT_EQ(text, "0");
    text = "y";
    EXPECT_DOUBLE_EQ(askDecimal(text, window()), 0.0);
    EXPECT_EQ(text, " 0.00");

    prompts.onDialog = [](QDialog* d) {
        auto* input = static_cast<TIntegerInput*>(d);
        input->InputInt->setText("no");
        input->OKButton1->click();
        return QDialog::Rejected;
    };
    text = "z";
    EXPECT_EQ(askInteger(text, window()), -1);
    text = "w";
    EXPECT_DOUBLE_EQ(askDecimal(text, window()), 0.0);
    EXPECT_EQ(prompts.texts().last(), QString::fromUtf8("Number Only\n数値を入力してください"));
}

TEST_F(EditorTest, OtherWindowsSeeTheOptionsAsTheDialogLastClosedWithThem) {
    TMIDIPollimoMain* w = start();
    TOption* o = app->Option();
    prompts.onDialog = [&](QDialog*) {
        o->MIDIErrorSound->setChecked(false);
        o->UpDownHistoryCt->setValue(4);
        // Still open: the change is not taken yet.
        EXPECT_TRUE(w->options().midiErrorSound);
        EXPECT_EQ(w->options().historyCount, 10);
        o->reject();  // the close box (and Esc): keeps the changes as Ok does
        return QDialog::Rejected;
    };
    w->ActionOption->trigger();
    EXPECT_FALSE(w->options().midiErrorSound);
    EXPECT_EQ(w->options().historyCount, 4);

    // A failed open now shows its message without the error sound.
    const size_t asked = prompts.asked.size();
    w->openPath(writeSong("broken.mid", {'M', 'T', 'h', 'd'}));
    EXPECT_EQ(errorSounds, 0);
    EXPECT_EQ(prompts.asked.size(), asked + 1);
}
