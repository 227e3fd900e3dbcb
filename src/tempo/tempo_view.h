#pragma once

// The tempo editor's picture: the mapping of ticks and bpm to pixels, the stepped tempo curve
// with its markers, and the texts of the cursor and the markers. Integer arithmetic throughout,
// truncating toward zero, so the window, its tests and a reader of this file agree to the pixel.

#include <cstdint>
#include <string>
#include <vector>

#include "song/selection.h"

namespace tonvela {

class midiSong;
class midiTrack;
class TempoEvent;

// The scale of the picture: 300 bpm at the top edge, 20 at the bottom.
inline constexpr int kTempoScaleTop = 300;
inline constexpr int kTempoScaleBottom = 20;
inline constexpr int kTempoScaleSpan = kTempoScaleTop - kTempoScaleBottom;
// A change closer than this to the last marker (in both directions) gets a small rectangle.
inline constexpr int kTempoMarkerSpacing = 8;
inline constexpr int kTempoMarkerSize = 10;

struct TempoFrame {
    TickRange range;  // the selected bars: first tick to the last tick of the last bar
    int width = 1;
    int height = 1;

    // Ticks the width stands for: the range's end minus its start (at least 1).
    int64_t length() const;
    // x of a tick: width * (t - start) / length.
    int x(int64_t t) const;
    // x of a note's start or end: the width stands for the range start to the next bar's start.
    int noteX(int64_t t) const;
    // y of a bpm on the curve: (300 - bpm) * height / 280.
    int y(int64_t bpm) const;
    // y of a horizontal grid line: height - height * (bpm - 20) / 280.
    int gridY(int bpm) const;
    // Rows of a key (0..127): from height * (127 - key) / 128 to height * (128 - key) / 128.
    int keyTop(int key) const;
    int keyBottom(int key) const;
    // The cursor: tick = x * length / width + start; bpm = 280 * (height - y) / height + 20.
    int32_t tickAt(int x) const;
    int bpmAt(int y) const;
};

// One tempo change inside the range as the curve draws it.
struct TempoPoint {
    TempoEvent* event = nullptr;
    int32_t time = 0;
    int bpm = 0;     // 60000000 / tempo, whole
    int x = 0, y = 0;  // y of a tempo above 300 or below 20 bpm: the top or bottom edge
    bool marker = false;  // a marker (draggable square) or only a small rectangle
};

struct TempoCurve {
    int startBpm = 120;  // in force at the range's start (120 before any tempo change)
    std::vector<TempoPoint> points;  // the changes inside the range, in list order
};

// The curve over the frame's range from the conductor track (walked up to the range's end).
TempoCurve tempoCurve(const midiTrack& conductor, const TempoFrame& frame);

// A note behind the curve: x from its start to its end (noteX), its key's rows.
struct TempoNoteBox {
    int left = 0, right = 0, top = 0, bottom = 0;
};
// The sounding notes of the selection's tracks whose start lies in the frame's range.
std::vector<TempoNoteBox> tempoNoteBoxes(const midiSong& song, const Selection& selection, const TempoFrame& frame);

// The markers' hint: "%3.3d:%2.2d:%3.3d " (bar + 1, beat + 1, tick) and the bpm.
std::string tempoMarkerHint(const TempoEvent& event);
// The cursor position: bar + 1, beat + 1 and tick joined by ':' ("5:1:0").
std::string tempoCursorText(const midiSong& song, int32_t tick);

}  // namespace tonvela
