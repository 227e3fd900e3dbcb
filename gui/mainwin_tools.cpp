// The song tools of the main window and its tempo panel.

#include <algorithm>

#include <QLineEdit>
#include <QSlider>

#include "bargrid.h"
#include "logwin.h"
#include "mainwin.h"
#include "optiondialog.h"
#include "output/midi_device.h"
#include "song/selection.h"
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
    undo(currentTrack());
}

void TMIDIPollimoMain::RedoExecute() {
    updateUndoItem();
    if (!ActionRedo->isEnabled()) return;
    redo(currentTrack());
}

namespace {

// "track 2 (Piano)" for the status texts.
QString trackText(const midiSong& song, int track) {
    const QString name = fromSongLine(song.track(track)->name, song.textEncoding);
    return QString("track %1").arg(track) + (name.isEmpty() ? QString() : " (" + name + ")");
}

QString barsText(const Selection& s) {
    return s.firstBar == s.lastBar ? QString("bar %1").arg(s.firstBar + 1)
                                   : QString("bars %1-%2").arg(s.firstBar + 1).arg(s.lastBar + 1);
}

}  // namespace

void TMIDIPollimoMain::CopyExecute() {
    if (!currentTrackObject()) return;
    if (!clipboard_) clipboard_ = std::make_unique<BarClipboard>(*song_);
    const Selection s = selection();
    const int n = clipboard_->copy(s);
    status(QString("Copied %1 events of %2, %3.").arg(n).arg(trackText(*song_, s.firstTrack), barsText(s)));
    updateActions();
}

void TMIDIPollimoMain::CutExecute() {
    if (!currentTrackObject() || busy_) return;
    if (!clipboard_) clipboard_ = std::make_unique<BarClipboard>(*song_);
    const Selection s = selection();
    const int n = clipboard_->cut(s);
    songEdited();
    status(QString("Cut %1 events of %2, %3.").arg(n).arg(trackText(*song_, s.firstTrack), barsText(s)));
}

void TMIDIPollimoMain::PasteExecute() {
    if (!currentTrackObject() || !clipboard_ || clipboard_->empty() || busy_) return;
    const Selection s = selection();
    const int n = clipboard_->paste(s);
    songEdited();
    status(QString("Pasted %1 events into %2 at bar %3.").arg(n).arg(trackText(*song_, s.firstTrack)).arg(s.firstBar + 1));
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

void TMIDIPollimoMain::showSongTempo() {
    if (!song_ || playing()) return;
    const int bpm = microsToBpm(song_->tempoAt(barStartTick(*song_, std::max(firstBar(), 0))));
    TrackBar1->setValue(bpm);
    // The slider's range does not bound what the box shows.
    EditTempo->setText(QString::number(bpm));
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
