#include "tempo/tempo_view.h"

#include <algorithm>
#include <cstdlib>

#include "pianoroll/roll_range.h"
#include "song/song.h"
#include "song/tempo_units.h"

namespace tonvela {

namespace {

int toInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

}  // namespace

int64_t TempoFrame::length() const { return std::max<int64_t>(1, static_cast<int64_t>(range.to) - range.from); }

int TempoFrame::x(int64_t t) const { return toInt(static_cast<int64_t>(width) * (t - range.from) / length()); }

int TempoFrame::noteX(int64_t t) const {
    return toInt(static_cast<int64_t>(width) * (t - range.from) / (length() + 1));
}

int TempoFrame::y(int64_t bpm) const { return toInt((kTempoScaleTop - bpm) * height / kTempoScaleSpan); }

int TempoFrame::gridY(int bpm) const {
    return height - static_cast<int>(static_cast<int64_t>(height) * (bpm - kTempoScaleBottom) / kTempoScaleSpan);
}

int TempoFrame::keyTop(int key) const { return static_cast<int>(static_cast<int64_t>(height) * (127 - key) / 128); }

int TempoFrame::keyBottom(int key) const { return static_cast<int>(static_cast<int64_t>(height) * (128 - key) / 128); }

int32_t TempoFrame::tickAt(int px) const {
    const int64_t t = static_cast<int64_t>(px) * length() / std::max(width, 1) + range.from;
    return static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
}

int TempoFrame::bpmAt(int py) const {
    const int h = std::max(height, 1);
    return static_cast<int>(static_cast<int64_t>(kTempoScaleSpan) * (h - py) / h + kTempoScaleBottom);
}

TempoCurve tempoCurve(const midiTrack& conductor, const TempoFrame& frame) {
    TempoCurve curve;
    bool haveMarker = false;
    int markerX = 0, markerY = 0;
    for (anyEvent* e : conductor.events()) {
        if (!e) continue;
        if (e->time > frame.range.to) break;
        if (e->kind() != kindTempo) continue;
        auto* t = static_cast<TempoEvent*>(e);
        const int bpm = microsToBpm(t->getTempo());
        if (e->time < frame.range.from) {
            curve.startBpm = bpm;
            continue;
        }
        // A tempo off the scale sits on its edge, where its marker can still be reached.
        TempoPoint p{t, e->time, bpm, frame.x(e->time), std::clamp(frame.y(bpm), 0, frame.height), false};
        if (!haveMarker || p.x - markerX > kTempoMarkerSpacing || std::abs(p.y - markerY) > kTempoMarkerSpacing) {
            p.marker = true;
            haveMarker = true;
            markerX = p.x;
            markerY = p.y;
        }
        curve.points.push_back(p);
    }
    return curve;
}

std::vector<TempoNoteBox> tempoNoteBoxes(const midiSong& song, const Selection& selection, const TempoFrame& frame) {
    std::vector<TempoNoteBox> boxes;
    const Selection s = selection.clippedTo(song);
    if (frame.range.empty()) return boxes;
    for (int i = s.firstTrack; i <= s.lastTrack; ++i) {
        const midiTrack& track = *song.track(i);
        const int32_t end = frame.range.to == INT32_MAX ? INT32_MAX : frame.range.to + 1;
        const EventSpan span = eventSpan(track, frame.range.from, end);
        for (int p = span.first; p < span.last; ++p) {
            const anyEvent* e = track.at(p);
            if (!e || e->kind() != kindNote || !frame.range.contains(e->time)) continue;
            const auto* n = static_cast<const NoteOnEvent*>(e);
            boxes.push_back({frame.noteX(n->time), frame.noteX(static_cast<int64_t>(n->time) + n->duration()),
                             frame.keyTop(n->note()), frame.keyBottom(n->note())});
        }
    }
    return boxes;
}

std::string tempoMarkerHint(const TempoEvent& e) { return positionText(e) + std::to_string(microsToBpm(e.getTempo())); }

std::string tempoCursorText(const midiSong& song, int32_t tick) {
    const BarBeatTick p = song.timeToBarBeatTick(tick);
    return std::to_string(p.bar + 1) + ":" + std::to_string(p.beat + 1) + ":" + std::to_string(p.tick);
}

}  // namespace tonvela
