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
#include "output/play_list.h"
#include "output/thread_priority.h"
#include "base/errors.h"

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

bool MidiDevice::start(std::shared_ptr<const PlayList> list, bool loop, bool resume) {
    return startWith(std::move(list), loop, resume, hooks);
}

bool MidiDevice::startWith(std::shared_ptr<const PlayList> list, bool loop, bool resume, const PlayHooks& h,
                           int32_t tempoOverride) {
    if (onPlayerThread()) {
        // A hook may stop the play, but a new play starts from the owner's thread only.
        report("Dooh! Internal Error!");
        return false;
    }
    if (playing_) stop();
    joinPlayer();
    {
        std::lock_guard lock(textMutex_);
        displayText_.clear();
    }
    loopCount_ = 0;
    if (!list || list->empty() || !isOpen()) return false;
    if (list != list_) {
        list_ = std::move(list);
        resume = false;
    }
    active_ = h;
    loopPlay_ = loop;
    if (!resume) {
        playIndex_.store(0);
        lateCount_.store(0);
        if (list_->startTempo() > 0) setPlayTempo(list_->startTempo());
        passTempo_ = playTempo_.load();
        passOverride_ = tempoOverride;
    }
    if (playIndex_.load() >= list_->size()) return false;
    stopRequested_.store(false);
    clock_->clearInterrupt();

    Timeline tl;
    tl.anchor = clock_->now();
    int32_t t0 = sendBatch();
    if (tempoOverride > 0) applyTempoOverride(tempoOverride, active_);
    if (playIndex_.load() >= list_->size()) {
        // Everything at one time: sent already, and the play never starts.
        if (active_.endOfPlay) active_.endOfPlay();
        return true;
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
    return true;
}

int32_t MidiDevice::sendBatch() {
    const PlayList& list = *list_;
    int i = playIndex_.load();
    const int n = list.size();
    const int32_t t = list.at(i).time;
    while (i < n && list.at(i).time == t && !stopRequested_.load()) {
        const PlayMessage& m = list.at(i);
        const bool hasBytes = m.kind == PlayKind::sysex || m.kind == PlayKind::text;
        sendMessage(m, hasBytes ? &list.bytes(m) : nullptr, active_);
        playIndex_.store(++i);
    }
    return t;
}

// A new pass of a loop starts as the first did: at the tempo of the list's start when the pass
// changed it, then the hand-set tempo of the start again, once the first tick is sent.
void MidiDevice::restartLoop(Timeline& tl) {
    {
        std::lock_guard lock(textMutex_);
        displayText_.clear();
    }
    playIndex_.store(0);
    const bool tempoChanged = list_->hasTempoChanges();
    if (tempoChanged && playTempo_.load() != passTempo_) {
        setPlayTempo(passTempo_);
        if (active_.tempoChange) active_.tempoChange(passTempo_);
    }
    // The restart is due when the last batch was: no gap, no drift across loops.
    tl.anchor = tl.deadline;
    tl.scaled = 0;
}

void MidiDevice::advance(Timeline& tl, int32_t sentTime) {
    const int32_t next = list_->at(playIndex_.load()).time;
    tl.scaled += static_cast<int64_t>(next - sentTime) * playTempo_.load();
    tl.deadline = tl.anchor + tl.scaled / list_->timeBase();
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
        const int n = list_->size();
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
                restartLoop(tl);
                t = sendBatch();
                if (passOverride_ > 0 && list_->hasTempoChanges()) applyTempoOverride(passOverride_, active_);
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

bool MidiDevice::canResume() const { return list_ && playIndex_.load() < list_->size(); }

bool MidiDevice::resumePlay(bool loop) {
    if (!canResume()) return false;
    if (!start(list_, loop, true)) return false;
    status("Playing...");
    return true;
}

void MidiDevice::forgetPlayList() {
    if (playing_) stop();
    joinPlayer();
    list_.reset();
    playIndex_.store(0);
}

}  // namespace tonvela
