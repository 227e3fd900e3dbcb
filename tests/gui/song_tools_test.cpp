#include <QLineEdit>
#include <QSlider>
#include <QToolButton>

#include "gui_fixture.h"
#include "song/song.h"

using namespace guitest;
using tonvela::test::cat;
using tonvela::test::smf;

namespace {

std::vector<std::string> channelEvents(const tonvela::midiTrack& t, int fromTime) {
    std::vector<std::string> out;
    for (const tonvela::anyEvent* e : t.events())
        if (e && e->time >= fromTime && e->channelOf() >= 0)
            out.push_back(std::to_string(e->time) + ":k" + std::to_string(e->kind()) + ":ch" +
                          std::to_string(e->channelOf() + 1));
    return out;
}

}  // namespace

TEST_F(EditorTest, CopyBars2To3PasteAtBar6OfAnotherTrackThenUndoThere) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    BarGrid* g = w->MIDIDrawGrid11;
    g->setSelection(2, 1, 3, 1);  // bars 2-3 of Piano
    w->refreshSelectionViews();
    w->ActionCopy->trigger();
    EXPECT_TRUE(w->ActionPaste->isEnabled());

    w->selectCell(2, 5);  // bar 6 of Bass
    const auto before = channelEvents(*w->song()->track(2), 0);
    w->ActionPaste->trigger();
    const int bar6 = 5 * 1920;
    EXPECT_EQ(channelEvents(*w->song()->track(2), bar6),
              (std::vector<std::string>{std::to_string(bar6) + ":k6:ch3", std::to_string(bar6 + 240) + ":k5:ch3",
                                        std::to_string(bar6 + 240) + ":k6:ch3",
                                        std::to_string(bar6 + 1920) + ":k6:ch3"}));
    EXPECT_EQ(g->cellText(6, 2), "2");
    EXPECT_EQ(g->cellText(7, 2), "1");

    // Undo works on the current track, the target.
    Q_EMIT w->EditMenu->aboutToShow();
    EXPECT_TRUE(w->ActionUndo->isEnabled());
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Paste>");
    w->ActionUndo->trigger();
    EXPECT_EQ(channelEvents(*w->song()->track(2), 0), before);
    EXPECT_EQ(g->cellText(6, 2), "0");
    EXPECT_FALSE(w->ActionUndo->isEnabled());
    EXPECT_EQ(w->ActionUndo->text(), "Undo");
    // The source track was never changed.
    w->selectCell(1, 0);
    EXPECT_FALSE(w->ActionUndo->isEnabled());
}

// Redo acts on the current track like Undo, shows the undone step's label, and is offered until
// a new step is begun on that track.
TEST_F(EditorTest, RedoOfAnUndonePasteOnTheCurrentTrack) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->MIDIDrawGrid11->setSelection(2, 1, 3, 1);
    w->refreshSelectionViews();
    w->ActionCopy->trigger();
    w->selectCell(2, 5);
    const auto before = channelEvents(*w->song()->track(2), 0);
    Q_EMIT w->EditMenu->aboutToShow();
    EXPECT_FALSE(w->ActionRedo->isEnabled());
    EXPECT_EQ(w->ActionRedo->text(), "Redo");
    w->ActionPaste->trigger();
    const auto pasted = channelEvents(*w->song()->track(2), 0);
    ASSERT_NE(pasted, before);
    w->ActionUndo->trigger();
    Q_EMIT w->EditMenu->aboutToShow();
    EXPECT_TRUE(w->ActionRedo->isEnabled());
    EXPECT_EQ(w->ActionRedo->text(), "Redo <Paste>");
    w->selectCell(1, 0);  // another track: nothing to redo there
    EXPECT_FALSE(w->ActionRedo->isEnabled());
    w->selectCell(2, 5);
    w->ActionRedo->trigger();
    EXPECT_EQ(channelEvents(*w->song()->track(2), 0), pasted);
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(6, 2), "2");
    EXPECT_FALSE(w->ActionRedo->isEnabled());
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Paste>");
    w->ActionUndo->trigger();
    EXPECT_EQ(channelEvents(*w->song()->track(2), 0), before);
    w->ActionRedo->trigger();
    EXPECT_EQ(channelEvents(*w->song()->track(2), 0), pasted);
    w->ActionUndo->trigger();
    w->ActionPaste->trigger();  // a new step on the track ends what could be redone
    w->ActionUndo->trigger();
    w->ActionPaste->trigger();
    EXPECT_FALSE(w->ActionRedo->isEnabled());
}

TEST_F(EditorTest, CutRemovesChannelEventsOfTheBarsAndLeavesMetaEvents) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->MIDIDrawGrid11->setSelection(2, 1, 2, 1);  // bar 2 of Piano: notes, a controller, a text
    w->refreshSelectionViews();
    w->ActionCut->trigger();
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(2, 1), "0");
    bool textStays = false;
    for (const tonvela::anyEvent* e : w->song()->track(1)->events()) {
        EXPECT_FALSE(e->bar == 1 && e->channelOf() >= 0) << e->time;
        if (e->kind() == tonvela::kindText && e->bar == 1) textStays = true;
    }
    EXPECT_TRUE(textStays);
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Cut>");
    EXPECT_TRUE(w->songChanged());
    w->ActionUndo->trigger();
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(2, 1), "2");
}

TEST_F(EditorTest, MakeLeadingBarMovesTheFirstNoteToTheSecondBar) {
    TMIDIPollimoMain* w = start(writeSong("s.mid", pianoAndBass()));
    w->Action1MakeLeadingBar->trigger();
    const tonvela::midiTrack& piano = *w->song()->track(1);
    int32_t firstNote = -1, program = -1;
    for (const tonvela::anyEvent* e : piano.events()) {
        if (e->kind() == tonvela::kindNote && firstNote < 0) firstNote = e->time;
        if (e->kind() == tonvela::kindProgram) program = e->time;
    }
    EXPECT_EQ(firstNote, 1920);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(1, 1), "0*");
    EXPECT_EQ(w->MIDIDrawGrid11->cellText(2, 1), "12");
    EXPECT_EQ(w->ActionUndo->text(), "Undo <Make Leading Bar>");
}

TEST_F(EditorTest, TapTempoUsesTheClockBetweenTaps) {
    TMIDIPollimoMain* w = start();
    int64_t now = 1000;
    w->setClock([&] { return now; });
    auto tap = [&](int64_t at) {
        now = at;
        w->SpeedButton1->click();
    };
    tap(1000);
    tap(1500);  // 500 ms: 120 per minute
    EXPECT_EQ(w->TrackBar1->value(), 120);
    EXPECT_EQ(w->EditTempo->text(), "120");
    EXPECT_EQ(w->playTempo(), 500000);
    tap(3500);  // 2 s: 30
    EXPECT_EQ(w->TrackBar1->value(), 30);
    EXPECT_EQ(w->playTempo(), 2000000);
    tap(7500);  // 4 s: ignored
    EXPECT_EQ(w->TrackBar1->value(), 30);
    EXPECT_EQ(w->playTempo(), 2000000);
    tap(7750);  // the ignored tap still counts as the previous one: 240
    EXPECT_EQ(w->TrackBar1->value(), 240);
    w->TrackBar1->setValue(100);
    w->TempoSet->click();
    EXPECT_EQ(w->playTempo(), 600000);
}
