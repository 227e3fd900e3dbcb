#include "tempo/tempo_view.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
        TempoPoint p{t, e->time, bpm, frame.x(e->time), frame.y(bpm), false};
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

std::string tempoMarkerHint(const TempoEvent& e) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%3.3d:%2.2d:%3.3d %d", e.bar + 1, e.beat + 1, e.tick,
                  microsToBpm(e.getTempo()));
    return buffer;
}

std::string tempoCursorText(const midiSong& song, int32_t tick) {
    const BarBeatTick p = song.timeToBarBeatTick(tick);
    return std::to_string(p.bar + 1) + ":" + std::to_string(p.beat + 1) + ":" + std::to_string(p.tick);
}

}  // namespace tonvela
