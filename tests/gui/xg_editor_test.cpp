// The XG editor window and its dialogs over a bare song, with a capture port: what each control
// writes into the song and sends, one undo step per change, the lists, Display, the target track
// and Arrange.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include "fake_context.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "output/capture_port.h"
#include "output/midi_device.h"
#include "output/play_clock.h"
#include "song/dump.h"
#include "xg/multipartparam.h"
#include "xg/xg_editor.h"
#include "xg/xgbitmapview.h"
#include "xg/xgeditor.h"
#include "xg/xgeffectparam.h"
#include "xg/xgreceivmap.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

Bytes sysex(uint32_t delta, std::initializer_list<uint8_t> bytes) {
    Bytes out;
    tonvela::ByteWriter w(out);
    w.putVarLen(delta);
    w.put(0xF0);
    w.putVarLen(static_cast<uint32_t>(bytes.size()));
    out.insert(out.end(), bytes);
    return out;
}

// Track 0: the conductor with REVERB RETURN 80 and VARIATION PART 5; track 1 "Piano" with a
// note in bar 2; track 2 "Bass" with Part1 VOLUME 100 and a note in bar 3.
Bytes xgSong() {
    Bytes conductor = cat({trackName("Song"), at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}),
                           at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                           sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x0C, 0x50, 0xF7}),
                           sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x05, 0xF7}),
                           at(8 * 1920, {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
    Bytes piano = cat({trackName("Piano"), note(1920, 0, 60, 480)});
    Bytes bass = cat({trackName("Bass"), sysex(0, {0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 0x64, 0xF7}), note(3840, 2, 36, 480)});
    return smf(1, {conductor, piano, bass});
}

QString hex(const std::vector<uint8_t>& b) {
    QStringList l;
    for (uint8_t x : b) l << QString("%1").arg(x, 2, 16, QChar('0')).toUpper();
    return l.join(' ');
}

class XgEditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiPrompts::install(&prompts);
        capture = std::make_shared<tonvela::CaptureLog>();
        device = std::make_unique<tonvela::MidiDevice>(tonvela::makeCaptureDriver(capture, tonvela::makeSteadyClock()));
        ASSERT_EQ(device->openDevice(-1), 0);
        context.device_ = device.get();
    }
    void TearDown() override {
        editor.reset();
        UiPrompts::install(nullptr);
    }
    TXGEditor& open(const Bytes& song = xgSong()) {
        context.loadSong(song);
        editor = std::make_unique<TXGEditor>(context);
        context.tools.push_back(editor.get());
        editor->show();
        capture->clear();
        return *editor;
    }
    // The messages sent since the last call, as hex lines.
    QStringList sent() {
        QStringList l;
        for (const auto& m : capture->messages()) l << hex(m.bytes);
        capture->clear();
        return l;
    }
    tonvela::midiSong& song() { return *context.song(); }
    const tonvela::sysexEvent* message(int32_t address) {
        for (tonvela::sysexEvent* e : song().sysexEvents)
            if (e->manufacturer() == 0x43 && e->address() == address) return e;
        return nullptr;
    }
    QString bytesOf(int32_t address) {
        const tonvela::sysexEvent* e = message(address);
        return e ? hex(e->sysexData) : QString("none");
    }
    QStringList items(QListWidget* list) {
        QStringList l;
        for (int i = 0; i < list->count(); ++i)
            l << (list->item(i)->checkState() == Qt::Checked ? "* " : "  ") + list->item(i)->text();
        return l;
    }
    static void choose(QComboBox* c, int index) {
        c->setCurrentIndex(index);
        Q_EMIT c->activated(index);
    }
    static void chooseText(QComboBox* c, const QString& text) {
        const int i = c->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        choose(c, i);
    }
    static void drag(QSlider* s, std::initializer_list<int> values) {
        s->setSliderDown(true);
        for (int v : values) s->setValue(v);
        s->setSliderDown(false);
    }

    FakeEditorContext context;
    ScriptedPrompts prompts;
    std::shared_ptr<tonvela::CaptureLog> capture;
    std::unique_ptr<tonvela::MidiDevice> device;
    std::unique_ptr<TXGEditor> editor;
};

}  // namespace

TEST_F(XgEditorWindowTest, MasterVolumeWritesSendsAndGoesAtItsDefault) {
    TXGEditor& w = open();
    EXPECT_EQ(w.windowTitle(), "XG Editor");
    EXPECT_EQ(w.TrackBar1->value(), 127);
    const std::string before = tonvela::dumpSong(song());
    w.ComboBoxTargTrack->setCurrentIndex(1);  // new messages go to Piano (a choice without an edit)
    w.TrackBar1->setValue(100);
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 00 00 04 64 F7"});
    EXPECT_EQ(bytesOf(0x000004), "43 10 4C 00 00 04 64 F7");
    EXPECT_EQ(song().trackOf(message(0x000004)), song().track(1));
    EXPECT_EQ(w.StaticTextMasterVolume->text(), "100");
    EXPECT_TRUE(items(w.ListBox1).contains("* 001:01:000 MASTER VOLUME"));
    EXPECT_EQ(song().track(1)->undoLabel(), "XG Master Volume");

    w.TrackBar1->setValue(127);
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 00 00 04 7F F7"});
    EXPECT_EQ(message(0x000004), nullptr);
    EXPECT_FALSE(items(w.ListBox1).contains("* 001:01:000 MASTER VOLUME"));
    EXPECT_EQ(tonvela::dumpSong(song()), before);

    // Undo of the removal brings the message back, and the track bar with it.
    ASSERT_TRUE(context.undo(1));
    EXPECT_EQ(bytesOf(0x000004), "43 10 4C 00 00 04 64 F7");
    EXPECT_EQ(w.TrackBar1->value(), 100);
    ASSERT_TRUE(context.undo(1));
    EXPECT_EQ(message(0x000004), nullptr);
    EXPECT_EQ(w.TrackBar1->value(), 127);
    EXPECT_TRUE(sent().isEmpty());  // loading after an undo sends nothing
}

TEST_F(XgEditorWindowTest, ADragIsOneStepAndEverySpinStepIsOne) {
    TXGEditor& w = open();
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageReverb));
    EXPECT_EQ(w.TrackBarrevreturn->value(), 80);  // loaded from the song
    const int editsBefore = context.edits;
    drag(w.TrackBarrevreturn, {81, 90, 100, 70});
    EXPECT_EQ(context.edits, editsBefore + 1);
    EXPECT_EQ(sent().size(), 4);
    EXPECT_EQ(bytesOf(0x02010C), "43 10 4C 02 01 0C 46 F7");
    EXPECT_EQ(song().track(0)->undoLabel(), "XG Reverb Return");
    ASSERT_TRUE(context.undo(0));
    EXPECT_EQ(bytesOf(0x02010C), "43 10 4C 02 01 0C 50 F7");  // the file's message, as it was
    EXPECT_EQ(w.TrackBarrevreturn->value(), 80);
    EXPECT_EQ(song().track(0)->undoCount(), 0);

    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageSystem));
    w.UpDownTranspose->setValue(-12);
    w.UpDownTranspose->setValue(-11);
    EXPECT_EQ(bytesOf(0x000006), "43 10 4C 00 00 06 35 F7");
    ASSERT_TRUE(context.undo(0));
    EXPECT_EQ(bytesOf(0x000006), "43 10 4C 00 00 06 34 F7");  // -12: data 52
    EXPECT_EQ(w.UpDownTranspose->value(), -12);
}

TEST_F(XgEditorWindowTest, WithoutAnOpenPortTheSongIsStillEdited) {
    TXGEditor& w = open();
    ASSERT_EQ(device->closeDevice(), 0);
    w.TrackBar2->setValue(10);
    EXPECT_EQ(bytesOf(0x000005), "43 10 4C 00 00 05 0A F7");
    EXPECT_TRUE(capture->messages().empty());
    EXPECT_TRUE(context.errors.isEmpty());
}

TEST_F(XgEditorWindowTest, SystemTab) {
    TXGEditor& w = open();
    w.UpDownMasterTune->setValue(1034);
    EXPECT_EQ(w.StaticTextMasterTune->text(), "1.0");
    EXPECT_EQ(bytesOf(0), "43 10 4C 00 00 00 00 04 00 0A F7");
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 00 00 00 00 04 00 0A F7"});
    w.UpDownMasterTune->setValue(1024);
    EXPECT_EQ(message(0), nullptr);
    EXPECT_TRUE(sent().isEmpty());

    w.CheckBoxDrumPartProtectMode->click();
    EXPECT_EQ(bytesOf(0x000007), "43 10 4C 00 00 07 00 F7");
    w.CheckBoxDrumPartProtectMode->click();
    EXPECT_EQ(message(0x000007), nullptr);
    EXPECT_EQ(sent(), (QStringList{"F0 43 10 4C 00 00 07 00 F7", "F0 43 10 4C 00 00 07 01 F7"}));
    w.CheckBoxAllParameterReset->click();
    EXPECT_EQ(bytesOf(0x00007F), "43 10 4C 00 00 7F 00 F7");
    w.CheckBoxAllParameterReset->click();
    EXPECT_EQ(message(0x00007F), nullptr);
    w.RadioGroupDrumSetupReset->button(2)->click();
    EXPECT_EQ(bytesOf(0x00007D), "43 10 4C 00 00 7D 02 F7");
    w.RadioGroupDrumSetupReset->button(4)->click();
    EXPECT_EQ(message(0x00007D), nullptr);

    // Showing the tab again sends what the song holds for it, and changes nothing.
    w.TrackBar1->setValue(90);
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageReverb));
    sent();
    const std::string before = tonvela::dumpSong(song());
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageSystem));
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 00 00 04 5A F7"});
    EXPECT_EQ(tonvela::dumpSong(song()), before);
}

TEST_F(XgEditorWindowTest, EffectTypesAndParts) {
    TXGEditor& w = open();
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageReverb));
    EXPECT_EQ(w.ComboBoxReverbType->currentText(), "HALL 1");  // the shown default
    chooseText(w.ComboBoxReverbType, "NO EFFECT");
    EXPECT_EQ(bytesOf(0x020100), "43 10 4C 02 01 00 00 00 F7");
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 02 01 00 00 00 F7"});
    chooseText(w.ComboBoxChorusType, "CELESTE 3");
    EXPECT_EQ(bytesOf(0x020120), "43 10 4C 02 01 20 42 02 F7");
    chooseText(w.ComboBoxVariationType, "ROOM S");
    EXPECT_EQ(bytesOf(0x020140), "43 10 4C 02 01 40 02 05 F7");

    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageVariation));
    EXPECT_EQ(w.ComboBoxVariationPart->currentText(), "Part6");  // value 5 from the song
    chooseText(w.ComboBoxVariationPart, "OFF");
    EXPECT_EQ(message(0x02015B), nullptr);  // the default
    w.RadioGroupConnection->button(1)->click();
    EXPECT_EQ(bytesOf(0x02015A), "43 10 4C 02 01 5A 01 F7");

    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageInsertion));
    EXPECT_EQ(w.ComboBoxInsertionType->currentText(), "DISTORTION");
    w.RadioGroupVarNo->button(1)->click();
    chooseText(w.ComboBoxInsertionType, "TEMPO CROSS");
    chooseText(w.ComboBoxInsertionPart, "Part2");
    w.InsConDepth[0]->setValue(100);
    EXPECT_EQ(bytesOf(0x030100), "43 10 4C 03 01 00 16 00 F7");
    EXPECT_EQ(bytesOf(0x03010C), "43 10 4C 03 01 0C 01 F7");
    EXPECT_EQ(bytesOf(0x03010D), "43 10 4C 03 01 0D 64 F7");
    w.RadioGroupVarNo->button(0)->click();
    EXPECT_EQ(w.ComboBoxInsertionType->currentText(), "DISTORTION");
    EXPECT_EQ(w.InsConDepth[0]->value(), 64);

    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageMultiEQ));
    chooseText(w.ComboBoxEQType, "ROCK");
    EXPECT_EQ(bytesOf(0x024000), "43 10 4C 02 40 00 03 F7");
    chooseText(w.ComboBoxEQType, "FLAT");
    EXPECT_EQ(message(0x024000), nullptr);
}

TEST_F(XgEditorWindowTest, DrumSetupAndVLParts) {
    TXGEditor& w = open();
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageDrum));
    choose(w.ComboBoxDrumSet, 1);
    chooseText(w.ComboBoxNoteName, "Bass Drum H");
    EXPECT_EQ(w.TrackBarDrumLevel->value(), 127);
    w.TrackBarDrumLevel->setValue(100);
    EXPECT_EQ(bytesOf(0x312402), "43 10 4C 31 24 02 64 F7");
    w.TrackBarDrumLevel->setValue(127);
    EXPECT_EQ(message(0x312402), nullptr);
    chooseText(w.ComboBoxNoteName, "Hi-Hat Closed");
    EXPECT_EQ(w.ComboBoxAltGroup->currentIndex(), 1);
    EXPECT_EQ(w.TrackBarDrumPan->value(), 77);
    w.CheckBoxRcvNoteOff->click();
    EXPECT_EQ(bytesOf(0x312A09), "43 10 4C 31 2A 09 01 F7");

    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageVL));
    choose(w.ComboBoxVLPartNo, 2);
    w.UpDownControl[0]->setValue(97);
    EXPECT_EQ(w.UpDownControl[0]->text(), "Velo.");
    EXPECT_EQ(bytesOf(0x090203), "43 10 4C 09 02 03 61 F7");
    w.UpDownControl[0]->setValue(0);
    EXPECT_EQ(w.UpDownControl[0]->text(), "off");
    EXPECT_EQ(message(0x090203), nullptr);
    chooseText(w.ComboBoxNoteFilter, "ch3");
    EXPECT_EQ(bytesOf(0x090202), "43 10 4C 09 02 02 02 F7");
    w.CheckBoxNoteAssign->click();
    EXPECT_EQ(bytesOf(0x090200), "43 10 4C 09 02 00 00 F7");
    choose(w.ComboBoxVLPartNo, 0);
    EXPECT_TRUE(w.CheckBoxNoteAssign->isChecked());
    EXPECT_EQ(w.ComboBoxNoteFilter->currentText(), "THRU");
}

TEST_F(XgEditorWindowTest, DisplayLettersAndPictures) {
    TXGEditor& w = open();
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageDisplay));
    // Only printable ASCII reaches the field.
    w.EditLetter->setFocus();
    QTest::keyClicks(w.EditLetter, "H");
    for (const QString& typed : {QString::fromUtf8("\xC3\xA9"), QString("\t"), QString(QChar(0x7F))}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QApplication::sendEvent(w.EditLetter, &press);
    }
    QTest::keyClicks(w.EditLetter, "LLO~");
    EXPECT_EQ(w.EditLetter->text(), "HLLO~");
    w.EditLetter->setText("HELLO");
    w.EditTick->clear();
    EXPECT_FALSE(w.NewDisp->isEnabled());
    w.EditTick->setText("0");
    ASSERT_TRUE(w.NewDisp->isEnabled());
    w.NewDisp->click();
    EXPECT_EQ(bytesOf(0x060000), "43 10 4C 06 00 00 48 45 4C 4C 4F F7");
    EXPECT_EQ(message(0x060000)->time, 0);
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(items(w.ListBoxDisplay), QStringList{"  001:01:000 DISPLAY LETTER<HELLO>"});
    EXPECT_EQ(w.ListBoxDisplay->currentRow(), 0);
    EXPECT_EQ(song().track(0)->undoLabel(), "Display Letter New");

    // A picture at bar 2.
    tonvela::XGBitmap picture;
    picture.set(0).set(17).set(255);
    w.setPicture(picture);
    w.RadioDispSelect->button(1)->click();
    w.EditBar->setText("2");
    w.NewDisp->click();
    ASSERT_EQ(w.ListBoxDisplay->count(), 2);
    EXPECT_EQ(w.ListBoxDisplay->currentItem()->text(), "002:01:000 DISPLAY BITMAP");
    EXPECT_EQ(tonvela::xgBitmapOf(*message(0x070000)), picture);

    // Get the letters back, move them to bar 3 as new letters with Set.
    w.ListBoxDisplay->setCurrentRow(0);
    w.GetDispList->click();
    EXPECT_EQ(w.EditLetter->text(), "HELLO");
    EXPECT_EQ(w.EditBar->text(), "1");
    EXPECT_EQ(w.RadioDispSelect->itemIndex(), 0);
    w.EditLetter->setText("BYE");
    w.EditBar->setText("3");
    w.SetDispList->click();
    EXPECT_EQ(w.ListBoxDisplay->currentItem()->text(), "003:01:000 DISPLAY LETTER<BYE>");
    EXPECT_EQ(song().track(0)->undoLabel(), "Display SysEx Change");
    ASSERT_TRUE(context.undo(0));
    EXPECT_TRUE(items(w.ListBoxDisplay).contains("  001:01:000 DISPLAY LETTER<HELLO>"));

    // Get decodes a picture; Delete takes the chosen message away.
    for (int i = 0; i < w.ListBoxDisplay->count(); ++i)
        if (w.ListBoxDisplay->item(i)->text().contains("BITMAP")) w.ListBoxDisplay->setCurrentRow(i);
    w.setPicture({});
    w.GetDispList->click();
    EXPECT_EQ(w.picture(), picture);
    EXPECT_EQ(w.RadioDispSelect->itemIndex(), 1);
    w.DeleteDisp->click();
    EXPECT_EQ(message(0x070000), nullptr);
    EXPECT_EQ(w.ListBoxDisplay->count(), 1);
    EXPECT_EQ(w.ListBoxDisplay->currentRow(), 0);
    EXPECT_EQ(song().track(0)->undoLabel(), "Display SysEx Delete");
}

TEST_F(XgEditorWindowTest, TheBitmapViewDrawsAndReadsPictures) {
    XGBitmapView view;
    view.show();
    int changes = 0;
    QObject::connect(&view, &XGBitmapView::changed, [&] { ++changes; });
    // The middle of the pixel in row r, column c.
    auto centre = [&](int r, int c) { return QPoint((2 * c + 1) * view.width() / 32, (2 * r + 1) * view.height() / 32); };
    QTest::mousePress(&view, Qt::LeftButton, {}, centre(3, 2));
    EXPECT_TRUE(view.picture().test(3 * 16 + 2));
    QMouseEvent move(QEvent::MouseMove, centre(3, 5), view.mapToGlobal(centre(3, 5)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, centre(3, 5));
    EXPECT_TRUE(view.picture().test(3 * 16 + 5));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(view.picture().count(), 2u);
    // A press on a set pixel clears it.
    QTest::mouseClick(&view, Qt::LeftButton, {}, centre(3, 2));
    EXPECT_FALSE(view.picture().test(3 * 16 + 2));

    // A picture: its dark left half becomes set pixels.
    QImage image(64, 32, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image.setPixel(x, y, qRgb(0, 0, 0));
    const tonvela::XGBitmap bits = bitmapOfImage(image);
    EXPECT_TRUE(bits.test(0));
    EXPECT_TRUE(bits.test(15 * 16 + 7));
    EXPECT_FALSE(bits.test(8));
    EXPECT_EQ(bits.count(), 128u);
    EXPECT_EQ(bitmapOfImage(QImage()).count(), 0u);
}

TEST_F(XgEditorWindowTest, TargetTrackAndArrange) {
    TXGEditor& w = open();
    // The opening chose the track of the first message.
    EXPECT_EQ(w.ComboBoxTargTrack->currentIndex(), 0);
    EXPECT_EQ(w.ComboBoxTargTrack->count(), 3);
    EXPECT_EQ(items(w.ListBox1), (QStringList{"* 001:01:000 REVERB RETURN", "* 001:01:000 VARIATION PART",
                                             "* 001:01:000 Part1 VOLUME"}));
    choose(w.ComboBoxTargTrack, 2);
    for (const tonvela::sysexEvent* e : song().sysexEvents) EXPECT_EQ(song().trackOf(e), song().track(2));
    EXPECT_EQ(song().track(0)->undoLabel(), "XG Target Track");
    EXPECT_EQ(song().track(2)->undoLabel(), "XG Target Track");
    w.TrackBar1->setValue(100);
    EXPECT_EQ(song().trackOf(message(0x000004)), song().track(2));

    // Arrange: 52 and 2 at 480 ticks per quarter and 120 bpm; the range follows the list.
    EXPECT_EQ(w.EditsysExStart->text(), "52");
    EXPECT_EQ(w.EditsysExOffset->text(), "2");
    EXPECT_EQ(w.StaticTextsysExRange->text(), "Range = 52 - 58");
    // An unchecked line stays where it is.
    for (int i = 0; i < w.ListBox1->count(); ++i)
        if (w.ListBox1->item(i)->text().endsWith("VARIATION PART")) w.ListBox1->item(i)->setCheckState(Qt::Unchecked);
    QTest::keyClicks(w.EditsysExOffset, "0");  // 20
    EXPECT_EQ(w.StaticTextsysExRange->text(), "Range = 52 - 112");
    w.ArrangeButton->click();
    EXPECT_EQ(message(0x000004)->time, 52);   // MASTER VOLUME, the lowest address
    EXPECT_EQ(message(0x02010C)->time, 72);   // REVERB RETURN
    EXPECT_EQ(message(0x08000B)->time, 92);   // Part1 VOLUME
    EXPECT_EQ(message(0x02015B)->time, 0);
    EXPECT_EQ(song().track(2)->undoLabel(), "Arrange SysEx");
    EXPECT_TRUE(song().track(2)->isSorted());
    // The marks survive the rebuilt list.
    EXPECT_TRUE(items(w.ListBox1).contains("  001:01:000 VARIATION PART"));
    ASSERT_TRUE(context.undo(2));
    EXPECT_EQ(message(0x000004)->time, 0);
    EXPECT_EQ(message(0x08000B)->time, 0);
}

TEST_F(XgEditorWindowTest, EffectParameterDialogWritesOnlyWhatChanged) {
    TXGEditor& w = open();
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageReverb));
    // HALL 1 with no parameters in the song: the defaults; Ok without a change writes nothing.
    const std::string before = tonvela::dumpSong(song());
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        if (!p) return int(QDialog::Rejected);
        EXPECT_EQ(p->windowTitle(), "HALL 1 Parameter");
        EXPECT_EQ(p->ParamName[0]->text(), "Reverb Time");
        EXPECT_EQ(p->TrackBar[0]->value(), 18);
        EXPECT_EQ(p->StaticText[0]->text(), "2.1");
        EXPECT_EQ(p->StaticText[14]->text(), "0");
        EXPECT_EQ(p->ParamName[5]->text(), "---");
        EXPECT_FALSE(p->TrackBar[5]->isEnabled());
        EXPECT_FALSE(p->TrackBar[16]->isVisible());
        p->OkClick();
        return p->result();
    };
    w.ButtonEditEffect->click();
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(tonvela::dumpSong(song()), before);

    // One slot changed: only it is written, as one step named by the page.
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        p->TrackBar[0]->setValue(30);
        EXPECT_EQ(p->StaticText[0]->text(), "3.3");
        p->OkClick();
        return p->result();
    };
    w.ButtonEditEffect->click();
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 02 01 02 1E F7"});
    EXPECT_EQ(song().track(0)->undoLabel(), "XG HALL 1 Parameter");
    // Reset then Ok: the changed slot goes back to its default, so its message goes.
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        EXPECT_EQ(p->TrackBar[0]->value(), 30);
        p->ResetClick();
        EXPECT_EQ(p->TrackBar[0]->value(), 18);
        p->OkClick();
        return p->result();
    };
    w.ButtonEditEffect->click();
    EXPECT_EQ(message(0x020102), nullptr);
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 02 01 02 12 F7"});

    // DELAY L,C,R as variation: a two-byte slot.
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageVariation));
    chooseText(w.ComboBoxVariationType, "DELAY L,C,R");
    sent();
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        EXPECT_EQ(p->ParamName[0]->text(), "Lch Delay");
        EXPECT_EQ(p->TrackBar[0]->maximum(), 14860);
        EXPECT_EQ(p->TrackBar[0]->value(), 3333);
        p->TrackBar[0]->setValue(1000);
        p->OkClick();
        return p->result();
    };
    w.ButtonEdirVariation->click();
    EXPECT_EQ(bytesOf(0x020142), "43 10 4C 02 01 42 07 68 F7");
    // Cancel writes nothing.
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        EXPECT_EQ(p->TrackBar[0]->value(), 1000);
        p->TrackBar[0]->setValue(3333);
        p->CancelButton->click();
        return p->result();
    };
    w.ButtonEdirVariation->click();
    EXPECT_EQ(bytesOf(0x020142), "43 10 4C 02 01 42 07 68 F7");
    // Back to the two-byte default: the message goes and the default is sent as two bytes.
    sent();
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        p->TrackBar[0]->setValue(3333);
        p->OkClick();
        return p->result();
    };
    w.ButtonEdirVariation->click();
    EXPECT_EQ(message(0x020142), nullptr);
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 02 01 42 1A 05 F7"});
}

TEST_F(XgEditorWindowTest, AClampedValueOfTheSongStaysUntouched) {
    // Reverb Dry/Wet (slot 10, 1-127) holds 0 in the file: shown as 1, kept as 0.
    TXGEditor& w = open(smf(1, {cat({sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x0B, 0x00, 0xF7}),
                                     sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x02, 0x20, 0xF7})})}));
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageReverb));
    prompts.onDialog = [&](QDialog* d) {
        auto* p = qobject_cast<TXGEffectParam*>(d);
        EXPECT_EQ(p->TrackBar[9]->value(), 1);
        EXPECT_EQ(p->TrackBar[0]->value(), 32);
        p->TrackBar[0]->setValue(31);
        p->OkClick();
        return p->result();
    };
    w.ButtonEditEffect->click();
    EXPECT_EQ(bytesOf(0x02010B), "43 10 4C 02 01 0B 00 F7");
    EXPECT_EQ(bytesOf(0x020102), "43 10 4C 02 01 02 1F F7");
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 02 01 02 1F F7"});
}

TEST_F(XgEditorWindowTest, MultiPartDialogAndItsPages) {
    TXGEditor& w = open();
    w.PageControl->setCurrentWidget(w.page(TXGEditor::PageMultiPart));
    choose(w.ComboBoxPartNo, 2);
    int pages = 0;
    prompts.onDialog = [&](QDialog* d) {
        if (auto* map = qobject_cast<TXGReceivMap*>(d)) {
            EXPECT_EQ(map->windowTitle(), "Receive Map");
            for (QCheckBox* c : map->Switch) EXPECT_TRUE(c->isChecked());
            map->Switch[9]->click();  // Rcv Volume
            map->OkClick();
            return map->result();
        }
        if (auto* page = qobject_cast<TXGEffectParam*>(d)) {
            ++pages;
            EXPECT_EQ(page->windowTitle(), "Multi Part AC2");
            page->TrackBar[15]->setValue(70);  // HPF control depth at 0A p 26
            page->OkClick();
            return page->result();
        }
        auto* p = qobject_cast<TMutiPartParam*>(d);
        if (!p) return int(QDialog::Rejected);
        EXPECT_EQ(p->windowTitle(), "Muti Part Parameter Part 3");
        EXPECT_EQ(p->ComboBoxRcvNo->currentText(), "3");
        EXPECT_EQ(p->UpDownElResv->value(), 2);
        p->UpDownNoteShift->setValue(12);
        EXPECT_EQ(bytesOf(0x080208), "43 10 4C 08 02 08 4C F7");
        p->UpDownNoteShift->setValue(0);
        EXPECT_EQ(message(0x080208), nullptr);
        p->TrackBarDetune->setValue(200);
        EXPECT_EQ(bytesOf(0x080209), "43 10 4C 08 02 09 0C 08 F7");
        EXPECT_EQ(p->StaticTextDetune->text(), "7.2 Hz");
        sent();
        p->TrackBarDetune->setValue(128);
        EXPECT_EQ(message(0x080209), nullptr);
        EXPECT_TRUE(sent().isEmpty());  // removed without sending
        choose(p->ComboBoxRcvNo, 16);
        EXPECT_EQ(bytesOf(0x080204), "43 10 4C 08 02 04 7F F7");
        p->RadioGroupPartMode->button(1)->click();
        EXPECT_EQ(bytesOf(0x080207), "43 10 4C 08 02 07 01 F7");
        p->PageButtonClick(tonvela::xgMultiPartAC2);
        sent();
        p->ReceiveMapClick();
        p->CloseButton->click();
        return p->result();
    };
    w.ButtonEditMultiPart->click();
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(bytesOf(0x0A0226), "43 10 4C 0A 02 26 46 F7");
    // Only the switch turned off is written and sent.
    EXPECT_EQ(bytesOf(0x080239), "43 10 4C 08 02 39 00 F7");
    EXPECT_EQ(sent(), QStringList{"F0 43 10 4C 08 02 39 00 F7"});
    EXPECT_EQ(song().track(0)->undoLabel(), "XG Part3 Receive Map");
}

// The main window's command: offered while the song's System is XG; it opens the one window.
TEST_F(EditorTest, TheXGEditorOpensFromTheMainWindowForXGSongs) {
    const Bytes xgOn = cat({trackName("Song"), sysex(0, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}),
                            sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x0C, 0x50, 0xF7})});
    TMIDIPollimoMain* w = start(writeSong("plain.mid", pianoAndBass()));
    w->updateActions();
    EXPECT_FALSE(w->ActionXGEditor->isEnabled());
    ASSERT_TRUE(w->openPath(writeSong("xg.mid", smf(1, {xgOn, cat({trackName("Piano"), note(1920, 0, 60, 480)})}))));
    w->updateActions();
    ASSERT_TRUE(w->ActionXGEditor->isEnabled());
    w->ActionXGEditor->trigger();
    auto* xg = w->tools().find<TXGEditor>();
    ASSERT_NE(xg, nullptr);
    EXPECT_TRUE(xg->isVisible());
    EXPECT_EQ(xg->ListBox1->count(), 1);
    EXPECT_EQ(xg->ListBox1->item(0)->text(), "001:01:000 REVERB RETURN");
    // An edit changes the song, and the window's Undo takes it back, in the conductor track too.
    xg->PageControl->setCurrentWidget(xg->page(TXGEditor::PageReverb));
    xg->TrackBarrevreturn->setValue(90);
    EXPECT_EQ(w->song()->track(0)->undoLabel(), "XG Reverb Return");
    EXPECT_TRUE(w->songChanged());
    ASSERT_TRUE(xg->UndoButton->isEnabled());
    EXPECT_EQ(xg->UndoButton->toolTip(), "Undo <XG Reverb Return>");
    xg->UndoButton->click();
    EXPECT_FALSE(w->songChanged());
    EXPECT_EQ(xg->TrackBarrevreturn->value(), 80);
    EXPECT_FALSE(xg->UndoButton->isEnabled());
}
