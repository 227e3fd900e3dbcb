// The main window as the editor context of the tool windows.

#include "mainwin.h"

#include "bargrid.h"
#include "host/tool_host.h"
#include "optiondialog.h"
#include "song/song.h"

using namespace tonvela;

Selection TMIDIPollimoMain::selection() const {
    if (!song_) return {1, 0, 0, -1};
    // Grid rows are track indexes; column c shows bar c - 1.
    const BarGrid* g = MIDIDrawGrid11;
    return {g->selTop(), g->selBottom(), g->selLeft() - 1, g->selRight() - 1};
}

void TMIDIPollimoMain::setSelection(const Selection& s) {
    if (!song_ || s.empty()) return;
    MIDIDrawGrid11->setSelection(s.firstBar + 1, s.firstTrack, s.lastBar + 1, s.lastTrack);
    refreshSelectionViews();
}

Options TMIDIPollimoMain::options() const {
    return context_.option ? context_.option->options() : Options{};
}

bool TMIDIPollimoMain::undo(int track) {
    if (!song_ || busy_ || track < 0 || track >= song_->trackCount()) return false;
    midiTrack* t = song_->track(track);
    if (t->undoCount() == 0) return false;
    song_->undoTrack(track);
    songEdited();
    return true;
}

bool TMIDIPollimoMain::redo(int track) {
    if (!song_ || busy_ || track < 0 || track >= song_->trackCount()) return false;
    if (!song_->canRedoTrack(track)) return false;
    song_->redoTrack(track);
    songEdited();
    return true;
}

void TMIDIPollimoMain::songEdited() {
    if (!song_) return;
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::showOptions(int page) {
    if (context_.option && page >= TOption::General && page <= TOption::Copyright)
        context_.option->showPage(static_cast<TOption::Page>(page));
}

void TMIDIPollimoMain::setBusy(bool busy) {
    busy_ = busy;
    updateActions();
}

void TMIDIPollimoMain::locateEvent(const anyEvent* event) {
    if (!song_ || !event) return;
    midiTrack* t = song_->trackOf(event);
    if (!t) return;
    selectCell(t->index, event->bar);
    toolHost_->locateEvent(event);
}
