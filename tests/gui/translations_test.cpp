// The Japanese texts of the data checker and the option dialog: kept in a Japanese locale, in
// English in any other, through the translation built into the program.

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QEvent>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>

#include "checker/data_check.h"
#include "checker/datacheckwin.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "track_writer.h"

using namespace guitest;

namespace {

bool hasJapanese(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x3000) return true;
    return false;
}

class TranslationTest : public EditorTest {
protected:
    // The tests that follow see the source texts, as the test program starts.
    void TearDown() override {
        installTranslations(QLocale(QLocale::Japanese, QLocale::Japan));
        EditorTest::TearDown();
    }
    // The hint the option dialog shows for each control that has one.
    QStringList hints() {
        TOption* o = app->Option();
        QStringList out;
        for (QWidget* c : std::initializer_list<QWidget*>{
                 o->LabelHistoryCt, o->MakeBackup, o->MIDIErrorSound, o->DeleteDuplicatedNote, o->DetectShortDuraion,
                 o->DetectIllegalVel, o->DetectSametimeonoff, o->DetectSameControlValue, o->DetectSynchronousNoteON,
                 o->DetectSameBendValue, o->DetectInvalidDataEntry, o->DetectSynchronousControl,
                 o->DetectSynchronousPitchBend, o->DetectNoteOnandOtherEvent, o->NoteonWhileVol0, o->InvalidOnOff,
                 o->NonefctPB, o->IneffectivePitchbend, o->EditName1, o->EditName3}) {
            o->StatusBar1->clearMessage();
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(c, &enter);
            out << o->StatusBar1->currentMessage();
        }
        return out;
    }
    // The explanation the data checker shows for its only line, a repeated volume (005).
    QString explanationShown(TDataCheckWindow*& window) {
        tonvela::test::TrackWriter t;
        t.control(0, 0, 7, 90).control(480, 0, 7, 90);
        TMIDIPollimoMain* w = app->MIDIPollimoMain();
        EXPECT_TRUE(w->openPath(writeSong("volume.mid", tonvela::test::smf(1, {conductor(2), t.bytes()}))));
        w->updateActions();
        w->ActionDataChecker->trigger();
        auto* check = w->tools().find<TDataCheckWindow>();
        check->CheckButton1->click();
        EXPECT_EQ(check->model()->rowCount(), 1);
        check->CheckListBox1->setCurrentIndex(check->model()->index(0));
        check->CheckListBox1Click();  // the first line was current already: clicked again
        window = check;
        return check->StatusBar1->currentMessage();
    }
};

}  // namespace

TEST_F(TranslationTest, AnyOtherLocaleShowsEnglishTexts) {
    ASSERT_TRUE(installTranslations(QLocale(QLocale::English, QLocale::UnitedStates)));
    start();
    const QStringList shown = hints();
    for (int i = 0; i < shown.size(); ++i) {
        EXPECT_FALSE(shown[i].isEmpty()) << i;
        EXPECT_FALSE(hasJapanese(shown[i])) << i << ": " << shown[i].toStdString();
    }
    EXPECT_EQ(shown[1], "Makes a backup file when a file is saved over.");
    // Every explanation of the checker has its English text.
    for (int check = 1; check <= tonvela::kCheckCount; ++check) {
        const QString english = QCoreApplication::translate("DataCheck", tonvela::checkExplanation(check));
        EXPECT_FALSE(hasJapanese(english)) << check << ": " << english.toStdString();
    }
    TDataCheckWindow* check = nullptr;
    EXPECT_EQ(explanationShown(check), "An unnecessary control change (deleted)");
    // Copy Report copies the report's own lines, whatever the locale.
    check->Button1->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(check->model()->report().text("\r\n")));

    // French gets the English texts too.
    stop();
    ASSERT_TRUE(installTranslations(QLocale(QLocale::French, QLocale::France)));
    start();
    EXPECT_EQ(hints()[1], "Makes a backup file when a file is saved over.");
}

TEST_F(TranslationTest, AJapaneseLocaleKeepsTheJapaneseTexts) {
    installTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_FALSE(installTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    start();
    const QStringList shown = hints();
    for (int i = 0; i < shown.size(); ++i) EXPECT_TRUE(hasJapanese(shown[i])) << i << ": " << shown[i].toStdString();
    EXPECT_EQ(shown[1], QString::fromUtf8("上書き保存の時にバックアップファイルを作ります。"));
    TDataCheckWindow* check = nullptr;
    EXPECT_EQ(explanationShown(check), QString::fromUtf8(tonvela::checkExplanation(5)));
}
