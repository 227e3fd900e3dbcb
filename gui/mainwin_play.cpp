// The play bar: play commands through the output device, the display refresh while playing,
// and the channel grid from the device's channel states.

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include "bargrid.h"
#include "devicewin.h"
#include "mainwin.h"
#include "output/midi_device.h"
#include "output/play_list.h"
#include "radiogroup.h"
#include "settings/options.h"
#include "song/song.h"
#include "song/system_flags.h"
#include "song/tempo_units.h"
#include "songtext.h"
#include "tools/playfollow.h"

using namespace tonvela;

MidiDevice* TMIDIPollimoMain::device() const {
    return context_.deviceWindow ? &context_.deviceWindow->device() : nullptr;
}

bool TMIDIPollimoMain::playing() const {
    const MidiDevice* d = device();
    return d && d->playing();
}

void TMIDIPollimoMain::connectDevice() {
    MidiDevice* d = device();
    if (!d) return;
    // The hooks run on the player thread; the window is touched only from its own thread.
    d->hooks.endOfPlay = [this] { QMetaObject::invokeMethod(this, [this] { playDone(); }, Qt::QueuedConnection); };
    d->hooks.tempoChange = [this](int32_t tempo) {
        QMetaObject::invokeMethod(this, [this, tempo] {
            if (tempo > 0) TrackBar1->setValue(microsToBpm(tempo));
        }, Qt::QueuedConnection);
    };
    // Status texts of the play commands come on this thread, before the player's end of play.
    d->hooks.status = [this](const std::string& text) {
        const QString message = QString::fromStdString(text);
        if (QThread::currentThread() == thread())
            status(message);
        else
            QMetaObject::invokeMethod(this, [this, message] { status(message); }, Qt::QueuedConnection);
    };
}

void TMIDIPollimoMain::PlayToggleExecute() {
    if (playing())
        PlayStopExecute();
    else if (PlaySong->isEnabled())
        PlaySongExecute();
}

void TMIDIPollimoMain::updatePlayHints() {
    const bool shift = shiftHeld_ && shiftHeld_();
    const MidiDevice* d = device();
    const bool resumable = d && d->canResume();
    PlaySong->setToolTip(shift ? "Play from" : "Play selected part");
    ActionPlayAll->setToolTip(shift ? "Play from" : "Play");
    ActionResumeplay->setToolTip(resumable && !shift ? "Play Resume" : "Play from");
}

bool TMIDIPollimoMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift) updatePlayHints();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMIDIPollimoMain::playErrorSound() {
    MidiDevice* d = device();
    if (!d || !d->isOpen()) {
        QApplication::beep();
        return;
    }
    // The tune lasts two seconds; the window stays responsive meanwhile.
    if (errorSoundThread_.joinable()) errorSoundThread_.join();
    errorSoundThread_ = std::thread([d] { d->playErrorSound(); });
}

void TMIDIPollimoMain::feedInitialChannelStates() {
    if (MidiDevice* d = device(); d && song_) feedLeadIn(*song_, *d);
}

void TMIDIPollimoMain::readChannelStates() {
    if (MidiDevice* d = device()) {
        for (int ch = 0; ch < 16; ++ch) {
            const MidiChannel c = d->channelState(ch);
            ChannelSnapshot& s = channels_[static_cast<size_t>(ch)];
            s.instrument = QString::fromStdString(c.programText());
            s.volume = c.controller(7);
            s.modulation = c.controller(1);
            s.pan = c.controller(10);
            s.expression = c.controller(11);
            s.bendRange = c.bendRange;
            s.bend = c.bend;
            s.harmonicContent = c.controller(71);
            s.brightness = c.controller(74);
        }
    }
    refreshChannelGrid();
}

bool TMIDIPollimoMain::refuseWithoutOutput() {
    MidiDevice* d = device();
    if (d && d->isOpen()) return false;
    status(QString::fromUtf8("No MIDI output open — MIDI › MIDI Device..."));
    updateActions();
    return true;
}

void TMIDIPollimoMain::afterPlayStarted(bool follow) {
    MidiDevice* d = device();
    followPlay_ = follow;
    if (d->playing()) {
        TrackBar1->setValue(microsToBpm(d->playTempo()));
        Timer1->start(std::max(dispIntervalMs(options().dispInterval), 10));
    }
    updateActions();
}

void TMIDIPollimoMain::PlaySongExecute() {
    MidiDevice* d = device();
    if (!song_ || !d || playing() || busy_ || refuseWithoutOutput()) return;
    tap_.forget();
    PlayOptions o;
    o.loop = Loop->isChecked();
    o.allTracks = AllTracks->isChecked();
    if (shiftHeld_()) {
        d->playFrom(*song_, selection().firstBar, o);
        afterPlayStarted(true);
        return;
    }
    d->playSelectedPart(*song_, selection(), o);
    afterPlayStarted(false);
}

void TMIDIPollimoMain::PlayAllExecute() {
    MidiDevice* d = device();
    if (!song_ || !d || playing() || busy_ || refuseWithoutOutput()) return;
    tap_.forget();
    PlayOptions o;
    o.loop = Loop->isChecked();
    if (shiftHeld_()) {
        d->playFrom(*song_, selection().firstBar, o);
    } else {
        o.gmOn = GMOn->isChecked();
        o.system = System->itemIndex() == 0   ? SystemMode::xg
                   : System->itemIndex() == 1 ? SystemMode::gs
                                              : SystemMode::none;
        d->playAll(*song_, o);
    }
    afterPlayStarted(true);
}

void TMIDIPollimoMain::ResumeplayExecute() {
    MidiDevice* d = device();
    if (!song_ || !d || playing() || busy_ || refuseWithoutOutput()) return;
    tap_.forget();
    if (!shiftHeld_() && d->canResume()) {
        d->resumePlay(Loop->isChecked());
    } else {
        PlayOptions o;
        o.loop = Loop->isChecked();
        d->playFrom(*song_, selection().firstBar, o);
    }
    afterPlayStarted(true);
}

void TMIDIPollimoMain::PlayStopExecute() {
    if (MidiDevice* d = device()) {
        d->stop();
        Timer1Timer();
    }
    playDone();
}

void TMIDIPollimoMain::playDone() {
    Timer1->stop();
    status("Play done.");
    followPlay_ = false;
    readChannelStates();
    updateActions();
}

void TMIDIPollimoMain::MIDIDeviceExecute() {
    if (!context_.deviceWindow || playing()) return;
    context_.deviceWindow->showDevices();
    updateActions();
}

void TMIDIPollimoMain::Timer1Timer() {
    MidiDevice* d = device();
    if (!d) return;
    try {
        readChannelStates();
        const int index = d->playIndex();
        const std::shared_ptr<const PlayList> list = d->playList();
        if (song_ && list && index >= 0 && index < list->size()) {
            const BarBeatTick p = song_->timeToBarBeatTick(list->at(index).time);
            TimeEdit2->setText(QString::asprintf("%3.3d:%2.2d:%3.3d ", p.bar + 1, p.beat + 1, p.tick));
            BarGrid* g = MIDIDrawGrid11;
            if (followPlay_) {
                const GridFollow f = followPlay(p.bar, g->visibleColCount(), g->colCount(), g->selLeft(),
                                                g->selRight());
                g->setLeftCol(f.leftCol);
                if (SelectPlayPos->isChecked() &&
                    (f.selectionLeft != g->selLeft() || f.selectionRight != g->selRight())) {
                    g->setSelection(f.selectionLeft, g->selTop(), f.selectionRight, g->selBottom());
                    refreshSelectionViews();
                }
            }
        }
        Marker->setText(fromSongLine(d->displayText()));
    } catch (const std::exception&) {
        Timer1->stop();
        status("Error occurred while playing. Avoid update grids.");
    }
}
