// The song tools of the main window and its tempo panel.

#include <QLineEdit>
#include <QSlider>

#include "bargrid.h"
#include "logwin.h"
#include "mainwin.h"
#include "optiondialog.h"
#include "output/midi_device.h"
#include "song/song.h"
#include "songtext.h"
#include "tools/barclipboard.h"
#include "tools/leadingbar.h"
#include "tools/statistics.h"

using namespace tonvela;

void TMIDIPollimoMain::UndoExecute() {
    updateUndoItem();
    if (!ActionUndo->isEnabled()) return;
    currentTrackObject()->undo();
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::RedoExecute() {
    updateUndoItem();
    if (!ActionRedo->isEnabled()) return;
    currentTrackObject()->redo();
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::CopyExecute() {
    midiTrack* t = currentTrackObject();
    if (!t) return;
    if (!clipboard_) clipboard_ = std::make_unique<BarClipboard>(*song_);
    clipboard_->copy(*t, firstBar(), lastBar());
    updateActions();
}

void TMIDIPollimoMain::CutExecute() {
    midiTrack* t = currentTrackObject();
    if (!t || playing() || busy_) return;
    if (!clipboard_) clipboard_ = std::make_unique<BarClipboard>(*song_);
    clipboard_->cut(*t, firstBar(), lastBar());
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::PasteExecute() {
    midiTrack* t = currentTrackObject();
    if (!t || !clipboard_ || clipboard_->empty() || playing() || busy_) return;
    clipboard_->paste(*t, firstBar());
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::MakeLeadingBarExecute() {
    if (!song_ || playing() || busy_) return;
    makeLeadingBar(*song_);
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::StatisticsExecute() {
    if (!song_ || !context_.logWindow) return;
    const std::vector<std::string> lines = songStatistics(*song_);
    TLogWindow* log = context_.logWindow;
    log->clear();
    for (const std::string& l : lines) log->addLine(fromSongText(l));
    log->showWindow();
}

void TMIDIPollimoMain::OptionExecute() {
    if (context_.option) context_.option->showPage(TOption::General);
}

void TMIDIPollimoMain::SpeedButton1Click() {
    if (auto tempo = tap_.tap(clock_())) {
        playTempo_ = *tempo;
        if (MidiDevice* d = device()) d->setPlayTempo(*tempo);
        TrackBar1->setValue(60000000 / *tempo);
    }
}

void TMIDIPollimoMain::TempoSetClick() {
    playTempo_ = 60000000 / TrackBar1->value();
    if (MidiDevice* d = device()) d->setPlayTempo(playTempo_);
}
