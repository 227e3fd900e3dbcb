// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y in the tempo editor, the expression editors and the drums/notes
// changer: each takes back and makes again its own newest edit, not the current track's, even
// when the editor changed another track since.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <functional>

#include "drums/chanedrum.h"
#include "expression/glissedit.h"
#include "expression/portamentwin.h"
#include "expression/trillwin.h"
#include "gui_fixture.h"
#include "host/tool_host.h"
#include "mainwin.h"
#include "prompts.h"
#include "radiogroup.h"
#include "song/dump.h"
#include "song/song.h"
#include "tempo/tempoeditor.h"
#include "track_writer.h"

using namespace guitest;
using tonvela::test::Bytes;
using tonvela::test::TrackWriter;

namespace {

// Track 1 "Lead" (channel 1, portamento switch on): keys 60, 62, 64, 65 in bar 1, 67 in bar 2.
// Track 2 "Drums" (channel 10): kicks on every beat of bar 1. A second tempo in bar 2.
Bytes song() {
    TrackWriter lead;
    lead.control(0, 0, 65, 127);
    for (int i = 0; i < 4; ++i) lead.note(i * 480, 0, std::array{60, 62, 64, 65}[static_cast<size_t>(i)], 100, 480);
    lead.note(1920, 0, 67, 90, 960);
    TrackWriter drums;
    for (int i = 0; i < 4; ++i) drums.note(i * 480, 9, 36, 100, 120);
    TrackWriter tempo;
    tempo.tempo(1920, 600000);
    return tonvela::test::smf(1, {tonvela::test::cat({conductor(4), tempo.bytes()}),
                                  tonvela::test::cat({trackName("Lead"), lead.bytes()}),
                                  tonvela::test::cat({trackName("Drums"), drums.bytes()})});
}

struct WindowCase {
    const char* name;
    int otherTrack;  // a track the window leaves alone, edited by the main window afterwards
    // Opens the window, makes one edit, returns the window and a control to give the focus to.
    std::function<std::pair<QWidget*, QWidget*>(TMIDIPollimoMain*)> edit;
};

const WindowCase kCases[] = {
    {"tempo editor", 1,
     [](TMIDIPollimoMain* w) -> std::pair<QWidget*, QWidget*> {
         w->ActionTempoEditor->trigger();
         auto* t = w->tools().find<TTempoEditor>();
         if (!t) return {};
         if (!t->Panel3->isVisible()) t->TempoToolButton->click();
         t->addmethod->button(1)->click();
         t->TempoVal->setText("110");
         t->ButtonApply->click();
         return {t, t->ButtonApply};
     }},
    {"portamento editor", 2,
     [](TMIDIPollimoMain* w) -> std::pair<QWidget*, QWidget*> {
         w->ActionPortamentEditor->trigger();
         auto* p = w->tools().find<TPortamentEditor>();
         if (!p || p->ListBox1->count() < 3) return {};
         for (int r : {1, 2}) p->ListBox1->item(r)->setSelected(true);
         p->ListBox1->setCurrentRow(1, QItemSelectionModel::Select);
         p->ApplyButton->click();
         return {p, p->ApplyButton};
     }},
    {"trill editor", 2,
     [](TMIDIPollimoMain* w) -> std::pair<QWidget*, QWidget*> {
         w->ActionTrillEditor->trigger();
         auto* t = w->tools().find<TTrillEditor>();
         if (!t || t->ListBox1->count() < 3) return {};
         t->ListBox1->item(2)->setSelected(true);
         t->ListBox1->setCurrentRow(2, QItemSelectionModel::Select);
         t->TrillInterval->setText("60");
         t->ApplyButton->click();
         return {t, t->ApplyButton};
     }},
    {"glissando editor", 2,
     [](TMIDIPollimoMain* w) -> std::pair<QWidget*, QWidget*> {
         w->ActionGlissandEditor->trigger();
         auto* g = w->tools().find<TGlissand>();
         if (!g) return {};
         g->Dur->setText("80");
         g->Make->click();
         return {g, g->Make};
     }},
    {"drums/notes changer", 1,
     [](TMIDIPollimoMain* w) -> std::pair<QWidget*, QWidget*> {
         w->ActionDrumsNotesChanger->trigger();
         auto* c = w->tools().find<TChaneDrum>();
         if (!c) return {};
         c->fromCB->setCurrentIndex(36);
         c->toCB->setCurrentIndex(38);
         c->AddButton->click();
         c->Button1->click();
         return {c, c->Button1};
     }},
};

}  // namespace

TEST_F(EditorTest, UndoKeysInTheNewerToolWindowsActOnTheirOwnEdit) {
    for (const WindowCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TMIDIPollimoMain* w = start(writeSong("keys.mid", song()));
        ASSERT_NE(w->song(), nullptr);
        w->MIDIDrawGrid11->setSelection(1, 1, 1, 1);
        w->refreshSelectionViews();
        w->updateActions();
        const std::string before = tonvela::dumpSong(*w->song());
        auto [window, focus] = c.edit(w);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(tonvela::dumpSong(*w->song()), before) << "the window made no edit";

        // The editor's own edit of another track, which is also the current track: the main
        // window's Undo would take that back.
        tonvela::midiTrack& other = *w->song()->track(c.otherTrack);
        other.beginUndoStep("Nudge");
        other.moveEvent(other.at(0), 5);
        w->songEdited();
        w->MIDIDrawGrid11->setSelection(1, c.otherTrack, 1, c.otherTrack);
        w->refreshSelectionViews();
        const std::string edited = tonvela::dumpSong(*w->song());

        focus->setFocus();
        ASSERT_TRUE(pressIn(window, Qt::Key_Z, Qt::ControlModifier));
        EXPECT_EQ(other.undoLabel(), "Nudge") << "the other track's edit stays";
        ASSERT_TRUE(w->undo(c.otherTrack));
        EXPECT_EQ(tonvela::dumpSong(*w->song()), before);
        ASSERT_TRUE(w->redo(c.otherTrack));

        ASSERT_TRUE(pressIn(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
        EXPECT_EQ(tonvela::dumpSong(*w->song()), edited);
        ASSERT_TRUE(pressIn(window, Qt::Key_Z, Qt::ControlModifier));
        ASSERT_TRUE(pressIn(window, Qt::Key_Y, Qt::ControlModifier));
        EXPECT_EQ(tonvela::dumpSong(*w->song()), edited);

        prompts.answers.push_back(QMessageBox::No);  // the changer's unsaved list
        window->close();
        prompts.answers.clear();
        stop();
    }
}
