#pragma once

// Where the piano roll draws things: the time range of the shown bars, the mapping of time, key
// and lane values to pixels, and the snapping of times to a grid of note values. Every product
// of a time difference and a pixel count is computed in 64 bits: a song may be two billion
// ticks long and a pane thousands of pixels wide.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "song/selection.h"

namespace tonvela {

class midiSong;

// The shown bars as ticks: start of the first bar up to (not including) the start of the bar
// after the last one, computed so that no bar past the bar table is ever read from it. nullopt
// for an empty selection, or when the range would not be longer than zero ticks.
struct ShownTime {
    int32_t start = 0;
    int32_t end = 1;  // > start
};
std::optional<ShownTime> shownTime(const midiSong& song, const Selection& selection);

// The notes of the shown tracks are drawn only while the first shown bar is not the grid's last
// column (the repeated end entry of the bar table).
bool notesShownFor(const midiSong& song, const Selection& selection);

// The visible part of the plane: a time window and a run of keys, in a pane of width x height
// pixels. With the whole shown range and all 128 keys visible this is exactly
//   x = (t - start) * width / (end - start),  key rows from height * (127 - key) / 128
//   to height * (128 - key) / 128.
struct RollFrame {
    int32_t viewStart = 0;
    int32_t viewEnd = 1;  // > viewStart
    int keyLow = 0;       // lowest visible key
    int keyCount = 128;   // 1..128 keys visible from keyLow up
    int width = 1;
    int height = 1;

    int keyHigh() const { return keyLow + keyCount - 1; }
    // x of a time; may lie outside the pane (the caller clips).
    int64_t x(int64_t t) const;
    // x of a bar line: the grid scales with one tick less than the notes do.
    int64_t gridX(int64_t t) const;
    // The first time drawn at pixel column px (clamped to the visible window).
    int32_t timeAt(int64_t px) const;
    // Top and bottom (exclusive) of a key's row; outside the pane for keys not visible.
    int keyTop(int key) const;
    int keyBottom(int key) const;
    // The key whose row holds y, clamped to the visible keys.
    int keyAt(int y) const;
    // y of the horizontal line at a key: height - height * (key - keyLow) / keyCount.
    int keyLineY(int key) const;
};

// ---- the lane below the plane -----------------------------------------------------------------

enum class LaneKind { velocity, pitchBend, controller };

struct Lane {
    LaneKind kind = LaneKind::velocity;
    int controller = 0;  // for LaneKind::controller
    bool operator==(const Lane&) const = default;
};

// The lane tabs in order: "Vel", "P.B.", "Mod", "Vol", "Pan", "Expr", "H.C.", "Bright",
// "Other Control". The last one shows the controller chosen in the window's list.
inline constexpr int kLaneTabCount = 9;
const char* laneTabCaption(int tab);
Lane laneForTab(int tab, int otherController);

// The rows [top, bottom) of the bar drawn for a value in a lane of the given height:
//   velocity   from height * (128 - v) / 128 to the bottom
//   controller from height * (128 - v) / 128 - 1 to the bottom
//   bend       between height / 2 and height * (16384 - raw) / 16384; raw 8192 is a two-pixel
//              mark around the centre line
struct LaneSpan {
    int top = 0;
    int bottom = 0;
};
LaneSpan laneSpan(const Lane& lane, int value, int height);
// The value a pen at y sets (the inverse of laneSpan's level), clamped to the lane's range;
// velocities never go below 1, and a bend within a pixel of the centre line is exactly 8192.
int laneValueAt(const Lane& lane, int y, int height);
// The values of the lane's horizontal grid lines, as labelled: bends signed, -8192 to 7168 in
// steps of 1024; velocities and controllers 0, 32, 64, 96.
std::vector<int> laneGridValues(const Lane& lane);
// y of a grid line: height - (v - min) * height / (max - min) over -8192..8191 for bends, 0..127
// otherwise.
int laneLineY(const Lane& lane, int value, int height);
// In a low lane the grid lines crowd and their labels would overlap: every `step`-th line (1, 2,
// 4, ...) is kept, the fewest that leave `pixels` rows between neighbours. The centre line (0 for
// bends, 64 otherwise) is always kept.
int laneGridStep(const Lane& lane, int height, int pixels);
bool laneGridKeeps(const Lane& lane, int value, int step);

// ---- thinning the bar grid --------------------------------------------------------------------

// Bar lines closer than this blur into a band.
inline constexpr int kMinBarLinePixels = 8;

// Which bars a view gives a line and a number, from the average width of a bar in pixels and the
// width a bar number needs (with its gap). Lines: every lineStep-th bar counted from the song's
// first (1, 4, 16, 64, ...), the fewest that keep lines kMinBarLinePixels apart. Numbers: every
// fifth bar (numbers divisible by 5) while every bar has its line and they fit; else the bars of
// every numberStep-th bar (a power of two, a multiple of lineStep) whose numbers fit.
struct BarGridPlan {
    int lineStep = 1;
    bool fifths = true;
    int numberStep = 1;
    // bar: index counted from 0
    bool lined(int bar) const { return bar % lineStep == 0; }
    bool numbered(int bar) const { return fifths ? (bar + 1) % 5 == 0 : bar % numberStep == 0; }
};
BarGridPlan planBarGrid(double pixelsPerBar, int numberPixels);

// ---- snapping ---------------------------------------------------------------------------------

// Note values for the snap grid, with the names of the program's time units.
enum class NoteValue { whole, half, quarter, eighth, sixteenth, thirtySecond, sixtyFourth };
inline constexpr int kNoteValueCount = 7;
const char* noteValueName(NoteValue value);
// Ticks of a note value at a time base (never below 1).
int32_t noteValueTicks(NoteValue value, int timeBase);

// The grid line nearest to t (down: at or before t). Grid lines are counted from the start of the
// bar that holds t, and the next bar's start is one too, so odd bar lengths stay on the bars.
int32_t snapTime(const midiSong& song, int32_t t, int32_t grid, bool down = false);

}  // namespace tonvela
