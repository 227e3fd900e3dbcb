#include "pianoroll/rollstate.h"

#include <algorithm>
#include <cstdio>

#include "pianoroll/roll_range.h"
#include "song/midispec.h"
#include "song/song.h"

using namespace tonvela;

namespace {

// The shortest visible window: half a beat, and never fewer than 32 ticks.
int32_t minimumSpan(const midiSong* song) { return std::max<int32_t>(32, song ? song->timeBase / 2 : 240); }

std::string trimmed(std::string s) {
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

}  // namespace

void RollState::clear() {
    song = nullptr;
    valid = false;
    notesShown = false;
    drum = false;
    chosen.clear();
    reach_.clear();
    drag = Drag::none;
    penValues.clear();
    stroke.reset();
    strokeCells = {};
}

void RollState::show(midiSong* s, const Selection& selection) {
    if (!s) {
        clear();
        return;
    }
    const Selection sel = selection.clippedTo(*s);
    const auto t = shownTime(*s, sel);
    const bool sameTime = valid && song == s && t && t->start == time.start && t->end == time.end;
    song = s;
    shown = sel;
    valid = t.has_value() && sel.lastTrack >= sel.firstTrack;
    if (!valid) {
        chosen.clear();
        reach_.clear();
        return;
    }
    time = *t;
    notesShown = notesShownFor(*s, sel);
    if (!sameTime) {
        viewStart = time.start;
        viewSpan = fullSpan();
    }
    clampView();

    // Drum names when every shown track that plays anything is a drum track.
    bool anyPlaying = false, allDrums = true;
    for (int i = sel.firstTrack; i <= sel.lastTrack; ++i) {
        const midiTrack& track = *s->track(i);
        if (track.channels.none()) continue;
        anyPlaying = true;
        allDrums = allDrums && track.isDrum;
    }
    drum = anyPlaying && allDrums;
    reach_.clear();  // found again when a window that does not start at the shown start needs it

    // The chosen notes that are still there (an undo elsewhere may have taken them away); only
    // the events are compared, a chosen note that is gone is never read.
    if (chosen.empty()) return;
    std::unordered_map<const anyEvent*, int> still;
    for (int i = sel.firstTrack; i <= sel.lastTrack; ++i) {
        const midiTrack& track = *s->track(i);
        const EventSpan span = eventSpan(track, time.start, time.end);
        for (int p = span.first; p < span.last; ++p) {
            const anyEvent* e = track.at(p);
            const auto it = e ? chosen.find(e) : chosen.end();
            if (it != chosen.end() && it->second == i && e->kind() == kindNote && e->time >= time.start &&
                e->time < time.end)
                still.emplace(e, i);
        }
    }
    chosen.swap(still);
}

int32_t RollState::reach(int track) const {
    if (reach_.empty()) {
        reach_.resize(static_cast<size_t>(shown.lastTrack - shown.firstTrack + 1));
        for (int i = shown.firstTrack; i <= shown.lastTrack; ++i)
            reach_[static_cast<size_t>(i - shown.firstTrack)] = longestNote(*song->track(i), time.start, time.end);
    }
    return reach_[static_cast<size_t>(track - shown.firstTrack)];
}

void RollState::clampView() {
    const int32_t full = fullSpan();
    viewSpan = std::clamp(viewSpan, std::min(full, minimumSpan(song)), full);
    const int64_t lastStart = static_cast<int64_t>(time.start) + full - viewSpan;
    viewStart = static_cast<int32_t>(std::clamp<int64_t>(viewStart, time.start, std::max<int64_t>(time.start, lastStart)));
    keyCount = std::clamp(keyCount, 8, 128);
    keyLow = std::clamp(keyLow, 0, 128 - keyCount);
}

RollFrame RollState::frame(int width, int height) const {
    RollFrame f;
    f.viewStart = viewStart;
    f.viewEnd = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(viewStart) + std::max(viewSpan, 1), INT32_MAX));
    if (f.viewEnd <= f.viewStart) f.viewEnd = f.viewStart + 1;
    f.keyLow = keyLow;
    f.keyCount = keyCount;
    f.width = std::max(width, 1);
    f.height = std::max(height, 1);
    return f;
}

BarGridPlan RollState::barPlan(const RollFrame& f, int numberPixels) const {
    if (!song) return {};
    const int first = song->timeToBarBeatTick(f.viewStart).bar;
    const int last = song->timeToBarBeatTick(std::max(f.viewStart, f.viewEnd - 1)).bar;
    return planBarGrid(static_cast<double>(f.width) / std::max(1, last - first + 1), numberPixels);
}

void RollState::forEachNote(int32_t from, int32_t to, const std::function<void(int, NoteOnEvent*)>& f) const {
    if (!valid || !notesShown || !song) return;
    const int32_t hi = std::min(to, time.end);
    for (int i = shown.firstTrack; i <= shown.lastTrack; ++i) {
        const midiTrack& track = *song->track(i);
        // Notes that start before the window reach into it by at most the longest note.
        const int32_t lo = from <= time.start ? time.start
                                              : static_cast<int32_t>(std::max<int64_t>(
                                                    time.start, static_cast<int64_t>(from) - reach(i)));
        const EventSpan span = eventSpan(track, lo, hi);
        for (int p = span.first; p < span.last; ++p) {
            anyEvent* e = track.at(p);
            if (!e || e->time < lo || e->time >= hi || e->kind() != kindNote) continue;
            auto* n = static_cast<NoteOnEvent*>(e);
            if (n->time < from && static_cast<int64_t>(n->time) + std::max(n->duration(), 0) <= from) continue;
            f(i, n);
        }
    }
}

void RollState::forEachLaneEvent(int32_t from, int32_t to, const std::function<void(int, anyEvent*)>& f) const {
    if (!valid || !song) return;
    const int32_t lo = std::max(from, time.start), hi = std::min(to, time.end);
    for (int i = shown.firstTrack; i <= shown.lastTrack; ++i) {
        const midiTrack& track = *song->track(i);
        const EventSpan span = eventSpan(track, lo, hi);
        for (int p = span.first; p < span.last; ++p) {
            anyEvent* e = track.at(p);
            if (e && e->time >= lo && e->time < hi && inLane(*e, lane)) f(i, e);
        }
    }
}

std::vector<RollNote> RollState::chosenNotes() const {
    std::vector<RollNote> out;
    out.reserve(chosen.size());
    for (const auto& [e, track] : chosen)
        out.push_back({track, const_cast<NoteOnEvent*>(static_cast<const NoteOnEvent*>(e))});
    return out;
}

std::string RollState::keyName(int key) const {
    return drum ? MIDISpec::drumNoteName(key) : trimmed(MIDISpec::noteName(key));
}

std::string RollState::trackKeyName(int track, int key) const {
    const bool isDrum = song && track >= 0 && track < song->trackCount() && song->track(track)->isDrum;
    return isDrum ? MIDISpec::drumNoteName(key) : trimmed(MIDISpec::noteName(key));
}

std::string RollState::positionText(int32_t t) const {
    if (!song) return {};
    const BarBeatTick b = song->timeToBarBeatTick(t);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%3.3d:%2.2d:%3.3d", b.bar + 1, b.beat + 1, b.tick);
    return buf;
}
