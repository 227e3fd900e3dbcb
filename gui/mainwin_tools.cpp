// The song tools of the main window and its tempo panel.

#include <QLineEdit>
#include <QSlider>

#include "bargrid.h"
#include "logwin.h"
#include "mainwin.h"
#include "optiondialog.h"
#include "output/midi_device.h"
#include "song/song.h"
#include "song/tempo_units.h"
#include "songtext.h"
#include "tools/barclipboard.h"
#include "tools/leadingbar.h"
#include "tools/statistics.h"

using namespace tonvela;

void TMIDIPollimoMain::UndoExecute() {
    updateUndoItem();
    if (!ActionUndo->isEnabled()) return;
    song_->undoTrack(currentTrack());
    songEdited();
}

void TMIDIPollimoMain::RedoExecute() {
    updateUndoItem();
    if (!ActionRedo->isEnabled()) return;
    song_->redoTrack(currentTrack());
    summary_.build(*song_);
    refreshSelectionViews();
}

void TMIDIPollimoMain::CopyExecute() {
    if (!currentTrackObject()) return;
    if (!clipboard_) clipboard_ = std::make_unique<BarClipboard>(*song_);
    clipboard_->copy(selection());
    updateActions();
}

void TMIDIPollimoMain::CutExecute() {
    if (!currentTrackObject() || busy_) return;
    if (!clipboard_) clipboard_ = std::make_unique<BarClipboard>(*song_);
    clipboard_->cut(selection());
    songEdited();
}

void TMIDIPollimoMain::PasteExecute() {
    if (!currentTrackObject() || !clipboard_ || clipboard_->empty() || busy_) return;
    clipboard_->paste(selection());
    songEdited();
}

void TMIDIPollimoMain::MakeLeadingBarExecute() {
    if (!song_ || busy_) return;
    makeLeadingBar(*song_);
    songEdited();
}

void TMIDIPollimoMain::StatisticsExecute() {
    if (!song_ || !context_.logWindow) return;
    const std::vector<std::string> lines = songStatistics(*song_);
    TLogWindow* log = context_.logWindow;
    log->clear();
    for (const std::string& l : lines) log->addLine(fromSongText(l, song_->textEncoding));
    log->showWindow();
}

void TMIDIPollimoMain::OptionExecute() {
    if (context_.option) context_.option->showPage(TOption::General);
}

void TMIDIPollimoMain::SpeedButton1Click() {
    if (auto tempo = tap_.tap(clock_())) {
        playTempo_ = *tempo;
        if (MidiDevice* d = device()) d->overrideTempo(*tempo);
        TrackBar1->setValue(microsToBpm(*tempo));
    }
}

void TMIDIPollimoMain::TempoSetClick() {
    // Set uses the tempo shown: a number typed into the box moves the slider first (into its
    // range), and the box then shows what is used.
    bool typed = false;
    const int bpm = EditTempo->text().trimmed().toInt(&typed);
    if (typed) TrackBar1->setValue(bpm);
    EditTempo->setText(QString::number(TrackBar1->value()));
    playTempo_ = bpmToMicros(TrackBar1->value());
    if (MidiDevice* d = device()) d->overrideTempo(playTempo_);
}
