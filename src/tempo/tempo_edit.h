#pragma once

// The tempo editor's operations on the conductor track (track 0, which holds every tempo event).
// Each call that changes something opens one undo step in track 0 with the label below and uses
// only the journaled track operations, so one undo restores the song exactly; track 0 is left in
// time order. A call that would write a tempo outside 1..16777215 microseconds per quarter note
// (what the three data bytes of a tempo event hold) throws MidiError before anything is written.
//
// Tempo events are named by pointer; a pointer track 0 does not hold is ignored and never
// dereferenced, so a choice that went stale cannot damage the song.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "song/selection.h"

namespace tonvela {

class midiSong;
class midiTrack;
class TempoEvent;

inline constexpr const char* kAddTempoLabel = "Add Tempo";
inline constexpr const char* kAddCurrentTempoLabel = "Add Current Tempo";
inline constexpr const char* kDeleteTempoLabel = "Delete Tempo";
inline constexpr const char* kModifyTempoLabel = "Modify Tempo";
inline constexpr const char* kUpDownTempoLabel = "Up/Down Tempo";
inline constexpr const char* kRitAccelLabel = "rit./accel";
inline constexpr const char* kPasteTempoLabel = "Paste Tempo";

inline constexpr int32_t kMinTempoMicros = 1;
inline constexpr int32_t kMaxTempoMicros = 0xFFFFFF;
// The most steps one ritardando or accelerando writes.
inline constexpr int kMaxRampSteps = 10000;

// The conductor track; throws MidiError for a song without tracks.
midiTrack& conductorTrack(midiSong& song);

// `micros` when it lies in 1..16777215; otherwise throws MidiError saying so.
int32_t checkedTempo(int64_t micros);

// ---- single tempo changes (the mouse) ------------------------------------------------------

// Adds a tempo change at `time` (clamped to >= 0). Returns the new event.
TempoEvent* addTempo(midiSong& song, int32_t time, int32_t micros);
// Adds a tempo change at `time` with the tempo in force there (tempoAt), so a later change can
// be made from here on without changing what is before.
TempoEvent* addCurrentTempo(midiSong& song, int32_t time);
// Removes the tempo change; false (and no step) when track 0 does not hold it.
bool deleteTempo(midiSong& song, const TempoEvent* event);
// Sets its tempo; false (and no step) when the tempo is already that or track 0 does not hold it.
bool setTempoValue(midiSong& song, const TempoEvent* event, int32_t micros);
// Moves it to `time` (clamped to >= 0) and keeps track 0 in time order; false (and no step)
// when it is already there or track 0 does not hold it.
bool moveTempo(midiSong& song, const TempoEvent* event, int32_t time);

// ---- the side panel --------------------------------------------------------------------------

// "Up/Down": every tempo change in the range becomes a whole bpm b = 60000000 / tempo plus the
// amount (Value) or times amount / 100 (Percent), clamped to 20..300 bpm, written as
// 60000000 / b. An amount that is not finite is refused; Value 0 does nothing.
struct UpDownSettings {
    bool percent = false;
    double amount = 0;
};

// "rit./accel.": `count` tempo changes from `from` to `to` percent of the range, evenly spaced in
// ticks and in microseconds, from the tempo in force at the ramp's start T0 to the target T1:
// Value(+/-): the starting bpm plus `value`; Percent: T0 * 100 / value. With `aTempo` one more
// change at the ramp's end returns to T0. Refused: from and to not 0 <= from < to <= 100, a count
// outside 1..kMaxRampSteps, a target at 0 bpm or below, a percentage of 0 or below.
struct RampSettings {
    int from = 50;
    int to = 100;
    bool percent = false;
    int value = 0;
    int count = 2;
    bool aTempo = false;
};

// One copied tempo change: ticks from the copied range's start, its tempo, and its tempo divided
// by the tempo in force just before the range.
struct TempoEv {
    int32_t tickOffset = 0;
    int64_t tempoValue = 0;
    double tempoRatio = 1.0;
    bool operator==(const TempoEv&) const = default;
};
using TempoPattern = std::vector<TempoEv>;

// The tempo changes written (added or changed) by a panel tool, in time order. The pointers stay
// valid while track 0 holds the events.
using WrittenTempos = std::vector<TempoEvent*>;

WrittenTempos upDownTempo(midiSong& song, TickRange range, const UpDownSettings& settings);
WrittenTempos ritAccel(midiSong& song, TickRange range, const RampSettings& settings);
// The tempo changes inside the range (inclusive); the reference tempo is that of the last change
// before the range, 500000 when there is none.
TempoPattern copyTempoPattern(midiSong& song, TickRange range);
// Writes the pattern from the range's start, scaled to the tempo in force there, and again from
// the start of the bar after the last change written, while that start lies before the range's
// end; a repetition is written whole.
WrittenTempos pasteTempoPattern(midiSong& song, TickRange range, const TempoPattern& pattern);

// ---- bpm as text -------------------------------------------------------------------------------

// The tempo in bpm with two decimals ("119.99").
std::string formatBpm(int64_t micros);
// A typed bpm (a number above 0 with at most two decimals) as the nearest microseconds per
// quarter note; nullopt with a message for anything else or a tempo outside 1..16777215.
std::optional<int32_t> bpmTextToMicros(std::string_view text, std::string* error = nullptr);

}  // namespace tonvela
