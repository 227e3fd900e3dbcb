#include "output/play_list.h"

#include <algorithm>

#include "song/song.h"
#include "song/track.h"

namespace tonvela {

namespace {

// The first tick of a bar counted from 0, from the bar table when it reaches that far.
int32_t barStart(const midiSong& song, int bar) {
    if (bar >= 0 && static_cast<size_t>(bar) < song.barStarts.size()) return song.barStarts[static_cast<size_t>(bar)];
    return song.barBeatTickToTime(std::max(bar, 0), 0, 0);
}

// Events before firstBar feed the channel states; the rest up to lastBar are appended.
void walkTrack(const midiTrack& track, midiTrack& playList, int firstBar, int lastBar, MidiDevice& device) {
    for (anyEvent* e : track.events()) {
        if (!e) continue;
        if (e->bar < firstBar) {
            device.feedChannelState(*e);
            continue;
        }
        if (e->bar > lastBar) break;
        if (e->isTrackEnd()) continue;
        playList.appendEvent(e);
    }
}

}  // namespace

void buildSelectionList(midiSong& song, midiTrack& playList, const PlayRange& range, bool allTracks,
                        MidiDevice& device) {
    playList.clear();
    if (song.trackCount() == 0) return;
    for (anyEvent* e : song.track(0)->events()) {
        if (!e) continue;
        if (e->bar < range.firstBar) continue;
        if (e->bar > range.lastBar) break;
        if (e->kind() == kindTempo) playList.appendEvent(e);
    }
    int first = allTracks ? 1 : std::max(range.firstTrack, 1);
    int last = allTracks ? song.trackCount() - 1 : std::min(range.lastTrack, song.trackCount() - 1);
    for (int i = first; i <= last; ++i) walkTrack(*song.track(i), playList, range.firstBar, range.lastBar, device);
}

void buildFromList(midiSong& song, midiTrack& playList, int firstBar, MidiDevice& device) {
    playList.clear();
    for (int i = 0; i < song.trackCount(); ++i) walkTrack(*song.track(i), playList, firstBar, INT32_MAX, device);
}

void buildAllList(midiSong& song, midiTrack& playList) {
    playList.clear();
    for (int i = 0; i < song.trackCount(); ++i)
        for (anyEvent* e : song.track(i)->events())
            if (e && !e->isTrackEnd()) playList.appendEvent(e);
}

void feedLeadIn(const midiSong& song, MidiDevice& device) {
    for (int i = 0; i < song.trackCount(); ++i) {
        const midiTrack& t = *song.track(i);
        for (const anyEvent* e : t.events()) {
            if (!e) continue;
            if (e->time >= t.firstNoteTime) break;
            device.feedChannelState(*e);
        }
    }
}

// ---- the play commands of the device --------------------------------------------------------

bool MidiDevice::playSelectedPart(midiSong& song, midiTrack& playList, const PlayRange& range,
                                  const PlayOptions& options) {
    status("Making Play List...");
    buildSelectionList(song, playList, range, options.allTracks, *this);
    if (playList.countEvents() == 0) return false;
    playList.paired = true;
    status("Preparing...");
    setPlayTempo(song.tempoAt(barStart(song, range.firstBar)));
    chase();
    startWith(playList, options.loop, false, hooks, options.tempo);
    // The tempo bar shows the tempo where the play goes on (the player may be past it already).
    const int next = playIndex_.load();
    if (playing_.load() && hooks.tempoChange && options.tempo <= 0 && next < playList.size())
        hooks.tempoChange(song.tempoAt(playList.at(next)->time));
    status("Playing...");
    return true;
}

bool MidiDevice::playFrom(midiSong& song, midiTrack& playList, int firstBar, const PlayOptions& options) {
    status("Making Play List...");
    buildFromList(song, playList, firstBar, *this);
    if (playList.countEvents() == 0) return false;
    playList.paired = true;
    status("Preparing...");
    setPlayTempo(song.tempoAt(song.barBeatTickToTime(firstBar, 0, 0)));
    chase();
    startWith(playList, options.loop, false, hooks, options.tempo);
    status("Playing...");
    return true;
}

bool MidiDevice::playAll(midiSong& song, midiTrack& playList, const PlayOptions& options) {
    status("Reset Device...");
    resetDevice(song, playList, options.gmOn, options.system);
    status("Making Play List...");
    buildAllList(song, playList);
    if (playList.countEvents() == 0) return false;
    playList.paired = true;
    status("Preparing...");
    setPlayTempo(song.tempoAt(0));
    startWith(playList, options.loop, false, hooks, options.tempo);
    status("Playing...");
    return true;
}

void MidiDevice::resetDevice(midiSong& song, midiTrack& playList, bool gmOn, SystemReset system) {
    playList.clear();
    resetChannelStates();
    // Copies of the song's preset messages: the originals are shared by the song and must keep
    // their pinned reference count. The reset is not a play of its own: no hooks.
    auto appendCopy = [&](const sysexEvent& preset) {
        auto* copy = new sysexEvent(0, 0xF0);
        copy->copyDataFrom(preset);
        playList.appendEvent(copy);
    };
    const PlayHooks silent;
    if (gmOn) {
        appendCopy(song.gmOnEvent);
        startWith(playList, false, false, silent);
    }
    if (system == SystemReset::gs) {
        appendCopy(song.gsResetEvent);
        startWith(playList, false, false, silent);
    } else if (system == SystemReset::xg) {
        appendCopy(song.xgOnEvent);
        startWith(playList, false, false, silent);
    }
    do {
        clock_->sleepFor(50'000);
    } while (playing_.load());
}

}  // namespace tonvela
