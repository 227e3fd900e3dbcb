// The player: sends a play list batch by batch (all events of one tick together) at the times
// its ticks and the play tempo give.
//
// Each batch's due time is counted from the start of the play (or the last restart) by adding
// the ideal gap to the previous due time, not to the moment the previous batch went out: the
// time spent sending and any late wake-up are taken off the next wait, a batch already due is
// sent at once, and playback never drifts.

#include <chrono>
#include <exception>

#include "output/midi_device.h"
#include "output/thread_priority.h"
#include "base/errors.h"
#include "song/song.h"
#include "song/track.h"

namespace tonvela {

bool MidiDevice::onPlayerThread() const { return playerThreadId_.load() == std::this_thread::get_id(); }

void MidiDevice::joinPlayer() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void MidiDevice::setIdle() {
    {
        std::lock_guard lock(idleMutex_);
        playing_.store(false);
    }
    idleCv_.notify_all();
}

bool MidiDevice::waitUntilIdle(int64_t timeoutMicros) {
    std::unique_lock lock(idleMutex_);
    return idleCv_.wait_for(lock, std::chrono::microseconds(timeoutMicros), [this] { return !playing_.load(); });
}

void MidiDevice::start(midiTrack& playList, bool loop, bool resume) { startWith(playList, loop, resume, hooks); }

void MidiDevice::startWith(midiTrack& playList, bool loop, bool resume, const PlayHooks& h, int32_t tempoOverride) {
    if (onPlayerThread()) {
        // A hook may stop the play, but a new play starts from the owner's thread only.
        report("Dooh! Internal Error!");
        return;
    }
    if (playing_) stop();
    joinPlayer();
    {
        std::lock_guard lock(textMutex_);
        displayText_.clear();
    }
    loopCount_ = 0;
    if (playList.countEvents() == 0 || !isOpen()) return;
    active_ = h;
    playList_ = &playList;
    loopPlay_ = loop;
    timeBase_ = playList.song && playList.song->timeBase > 0 ? playList.song->timeBase : 480;
    if (!resume) {
        playIndex_.store(0);
        playList.splitNotes();
        lateCount_.store(0);
    }
    playList.pack();
    if (playIndex_.load() >= playList.size()) return;
    stopRequested_.store(false);
    clock_->clearInterrupt();

    Timeline tl;
    tl.anchor = clock_->now();
    int32_t t0 = sendBatch();
    if (tempoOverride > 0 && setPlayTempo(tempoOverride) && active_.tempoChange) active_.tempoChange(tempoOverride);
    if (playIndex_.load() >= playList.size()) {
        // Everything at one time: sent already, and the play never starts.
        if (active_.endOfPlay) active_.endOfPlay();
        return;
    }
    advance(tl, t0);
    if (tl.deadline <= clock_->now()) lateCount_.fetch_add(1);
    playing_.store(true);
    if (clock_->realTime()) {
        thread_ = std::thread([this, tl] { runPlayer(tl); });
    } else {
        playerThreadId_.store(std::this_thread::get_id());
        runPlayer(tl);
        playerThreadId_.store(std::thread::id());
    }
}

int32_t MidiDevice::sendBatch() {
    midiTrack& list = *playList_;
    int i = playIndex_.load();
    const int n = list.size();
    const int32_t t = list.at(i)->time;
    while (i < n && list.at(i)->time == t && !stopRequested_.load()) {
        sendEventWith(*list.at(i), active_);
        playIndex_.store(++i);
    }
    return t;
}

void MidiDevice::advance(Timeline& tl, int32_t sentTime) {
    const int32_t next = playList_->at(playIndex_.load())->time;
    tl.scaled += static_cast<int64_t>(next - sentTime) * playTempo_.load();
    tl.deadline = tl.anchor + tl.scaled / timeBase_;
}

void MidiDevice::finishPlay() {
    setIdle();
    if (active_.endOfPlay) active_.endOfPlay();
}

void MidiDevice::runPlayer(Timeline tl) {
    if (clock_->realTime()) {
        playerThreadId_.store(std::this_thread::get_id());
        raiseThreadPriority();
    }
    try {
        const int n = playList_->size();
        for (;;) {
            if (!clock_->waitUntil(tl.deadline) || stopRequested_.load()) break;
            int32_t t = sendBatch();
            if (stopRequested_.load()) break;
            if (playIndex_.load() >= n) {
                if (!loopPlay_) {
                    finishPlay();
                    break;
                }
                ++loopCount_;
                if (active_.loop) active_.loop(loopCount_);
                if (stopRequested_.load()) break;
                // The restart is due when the last batch was: no gap, no drift across loops.
                {
                    std::lock_guard lock(textMutex_);
                    displayText_.clear();
                }
                playIndex_.store(0);
                tl.anchor = tl.deadline;
                tl.scaled = 0;
                t = sendBatch();
                if (playIndex_.load() >= n) {
                    finishPlay();
                    break;
                }
            }
            advance(tl, t);
            if (tl.deadline <= clock_->now()) lateCount_.fetch_add(1);
        }
    } catch (const std::exception& e) {
        // Nothing may escape the player thread: the play ends and the owner hears why.
        setIdle();
        const auto* expected = dynamic_cast<const MidiError*>(&e);
        try {
            report(expected ? expected->message() : "Dooh! Internal Error!");
        } catch (...) {
        }
    } catch (...) {
        setIdle();
    }
    if (clock_->realTime()) playerThreadId_.store(std::thread::id());
}

void MidiDevice::stop() {
    stopRequested_.store(true);
    clock_->interrupt();
    if (!onPlayerThread()) joinPlayer();
    setIdle();
    if (isOpen()) stopSound();
}

bool MidiDevice::canResume(const midiTrack& playList) const {
    return playList_ == &playList && playList.countEvents() > 0 && playIndex_.load() < playList.size();
}

bool MidiDevice::resumePlay(midiTrack& playList, bool loop) {
    if (!canResume(playList)) return false;
    start(playList, loop, true);
    status("Playing...");
    return true;
}

}  // namespace tonvela
