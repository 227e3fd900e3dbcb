// What the main window shows must be the song that is open: nothing of a previous song after a
// failed open or another open, names without their padding, columns wide enough for what they
// hold, the title exactly the program's own.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QWindow>

#include "gui_fixture.h"
#include "output/midi_device.h"
#include "radiogroup.h"
#include "song/midispec.h"
#include "song/song.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

// Channel 1 set to program 40 (Violin) at volume 50 and pan 10 before its first note (at tick
// 10); GM, XG, a copyright, time base 96, format 0.
Bytes violinSong() {
    return smf(0, {cat({trackName("Strings"), at(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}),
                        at(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}),
                        at(0, {0xFF, 0x02, 0x03, '(', 'C', ')'}), at(0, {0xC0, 40}), at(0, {0xB0, 7, 50}),
                        at(0, {0xB0, 10, 10}), note(10, 0, 60, 96)})},
               96);
}

QString instrument(TMIDIPollimoMain* w, int channel) { return w->StringGrid1->item(channel + 1, 1)->text(); }
QString cell(TMIDIPollimoMain* w, int channel, int column) { return w->StringGrid1->item(channel + 1, column)->text(); }

}  // namespace

TEST_F(EditorTest, AFailedOpenLeavesNothingOfThePreviousSongOnScreen) {
    TMIDIPollimoMain* w = start(writeSong("violin.mid", violinSong()));
    ASSERT_NE(w->song(), nullptr);
    ASSERT_EQ(w->TimeBase->text(), "96");
    ASSERT_EQ(w->Format->itemIndex(), 0);
    ASSERT_EQ(instrument(w, 0), "Violin");
    ASSERT_EQ(cell(w, 0, 2), "50");

    const QString bad = writeSong("bad.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1});
    EXPECT_FALSE(w->openPath(bad));
    EXPECT_EQ(w->song(), nullptr);
    EXPECT_EQ(w->windowTitle(), "MIDI Tonvela");
    EXPECT_EQ(w->TimeBase->text(), "");
    EXPECT_EQ(w->EditTune->text(), "");
    EXPECT_EQ(w->Format->itemIndex(), -1);
    EXPECT_EQ(w->System->itemIndex(), -1);
    EXPECT_FALSE(w->GMOn->isChecked());
    EXPECT_EQ(w->EditTitle->text(), "");
    EXPECT_EQ(w->CopyrightComboBox->count(), 0);
    EXPECT_EQ(w->LabelBar1->text(), "");
    // The channel grid is back to every channel's defaults.
    EXPECT_EQ(instrument(w, 0), QString::fromStdString(tonvela::MIDISpec::programName(0)));
    EXPECT_EQ(cell(w, 0, 2), "100");
    EXPECT_EQ(cell(w, 0, 4), "64");
    EXPECT_EQ(statusText(), "Read Error:" + bad);
}

TEST_F(EditorTest, AnotherSongDoesNotInheritThePreviousSongsChannelStates) {
    TMIDIPollimoMain* w = start(writeSong("violin.mid", violinSong()));
    ASSERT_EQ(instrument(w, 0), "Violin");
    // Only notes on channel 1: the grid must show the defaults, not the violin at volume 50.
    ASSERT_TRUE(w->openPath(writeSong("plain.mid", smf(1, {conductor(2), note(0, 0, 60, 480)}))));
    EXPECT_EQ(instrument(w, 0), QString::fromStdString(tonvela::MIDISpec::programName(0)));
    EXPECT_EQ(cell(w, 0, 2), "100");
    EXPECT_EQ(cell(w, 0, 4), "64");
    ASSERT_NE(w->device(), nullptr);
    EXPECT_EQ(w->device()->channelState(0).program, 0);
}

TEST_F(EditorTest, TheTitleIsExactlyTheProgramsOwn) {
    TMIDIPollimoMain* w = start();
    EXPECT_EQ(w->windowTitle(), "MIDI Tonvela");
    ASSERT_TRUE(w->openPath(writeSong("waltz.mid", pianoAndBass())));
    EXPECT_EQ(w->windowTitle(), "MIDI tonvela [waltz.mid]");
    ASSERT_NE(w->windowHandle(), nullptr);
    EXPECT_EQ(w->windowHandle()->title(), "MIDI tonvela [waltz.mid]");
    // A display name of its own would be appended to every title by the window system.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

TEST_F(EditorTest, AFileNamedOnTheCommandLineThatDoesNotExistIsReported) {
    const QString missing = path("no such song.mid");
    TMIDIPollimoMain* w = start(missing);
    EXPECT_EQ(w->song(), nullptr);
    EXPECT_EQ(statusText(), "File not found: " + missing);
    EXPECT_TRUE(prompts.asked.empty());
    // The same for a file that a second start hands over.
    const QString gone = path("gone.mid");
    w->openFromOutside(gone);
    EXPECT_EQ(statusText(), "File not found: " + gone);
}

TEST_F(EditorTest, NamesPaddedWithNulBytesShowWithoutThePaddingAndKeepTheirBytes) {
    const Bytes piano = cat({at(0, {0xFF, 0x03, 0x08, 'P', 'i', 'a', 'n', 'o', 0, 0, 0}), note(0, 0, 60, 480)});
    const Bytes conductorTrack = cat({at(0, {0xFF, 0x03, 0x06, 'W', 'a', 'l', 't', 'z', 0}),
                                      at(1920, {0xFF, 0x01, 0x01, 'x'})});
    const QString file = writeSong("padded.mid", smf(1, {conductorTrack, piano}));
    TMIDIPollimoMain* w = start(file);
    ASSERT_NE(w->song(), nullptr);
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(0, 1), "Piano[1]");
    EXPECT_EQ(w->EditTitle->text(), "Waltz");
    // Showing the title did not rewrite it.
    EXPECT_EQ(w->song()->title(), std::string("Waltz\0", 6));
    EXPECT_EQ(w->song()->track(1)->name, std::string("Piano\0\0\0", 8));
}

TEST_F(EditorTest, ColumnsAreWideEnoughForBarNumbersAndInstrumentNames) {
    TMIDIPollimoMain* w = start(writeSong("short.mid", pianoAndBass()));
    BarGrid* g = w->MIDIDrawGrid11;
    // Texts are drawn 2 pixels in from each side of their cell.
    auto fits = [g](const QString& text) { return g->fontMetrics().horizontalAdvance(text) + 4 <= g->colWidth(1); };
    EXPECT_TRUE(fits(g->cellText(1, 1))) << "12*";
    EXPECT_GE(g->colWidth(1), 25);
    const int shortWidth = g->colWidth(1);

    ASSERT_TRUE(w->openPath(writeSong("long.mid", smf(1, {conductor(1200), note(0, 0, 60, 480)}))));
    const QString last = g->cellText(g->colCount() - 1, 0);
    ASSERT_EQ(last.size(), 4);
    EXPECT_TRUE(fits(last)) << last.toStdString();
    EXPECT_TRUE(fits("0")) << "the long song's cells";
    EXPECT_LE(g->colWidth(1), std::max(shortWidth, g->fontMetrics().horizontalAdvance(last) + 4))
        << "no wider than it must be";

    QTableWidget* cg = w->StringGrid1;
    for (int p = 0; p < 128; ++p) {
        const QString name = QString::fromStdString(tonvela::MIDISpec::programName(p));
        EXPECT_LT(cg->fontMetrics().horizontalAdvance(name), cg->columnWidth(1)) << name.toStdString();
    }
    EXPECT_EQ(cg->item(1, 1)->toolTip(), cg->item(1, 1)->text());
}

TEST_F(EditorTest, TheChannelGridNamesTheKitOfEveryDrumPart) {
    // Channel 9 takes an XG drum kit by bank select, channel 4 is made a drum part by XG Part
    // Mode, channel 5 stays a melodic part, all at program 0 before their notes.
    const Bytes song = smf(1, {conductor(2), cat({at(0, {0xB8, 0, 127}), at(0, {0xC8, 0}), note(0, 8, 36, 120)}),
                               cat({at(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x03, 0x07, 0x01, 0xF7}),
                                    at(0, {0xC3, 0}), note(0, 3, 38, 120)}),
                               cat({at(0, {0xC4, 0}), note(0, 4, 60, 120)})});
    TMIDIPollimoMain* w = start(writeSong("drums.mid", song));
    ASSERT_NE(w->song(), nullptr);
    const QString kit = QString::fromStdString(tonvela::MIDISpec::drumKitName(0));
    EXPECT_EQ(instrument(w, 8), kit);
    EXPECT_EQ(instrument(w, 3), kit);
    EXPECT_EQ(instrument(w, 4), QString::fromStdString(tonvela::MIDISpec::programName(0)));
    EXPECT_EQ(instrument(w, 9), kit) << "channel 10";
}
