#pragma once

// The part of a song that a command acts on: a run of tracks and a run of bars, as the main
// window's bar grid selects it. Track 0 (the conductor track) is never a grid row, so a
// selection made by the grid starts at track 1; tools that also act on track 0 say so.

#include <cstdint>
#include <optional>
#include <string>

namespace tonvela {

class midiSong;

// Ticks from..to, both inclusive; empty when to < from.
struct TickRange {
    int32_t from = 0;
    int32_t to = -1;
    bool empty() const { return to < from; }
    bool contains(int32_t t) const { return t >= from && t <= to; }
};

// First tick of a bar counted from 0: from the bar table while it reaches, else computed from
// the time signatures, so a bar past the table's end never reads outside it.
int32_t barStartTick(const midiSong& song, int bar);

struct Selection {
    int firstTrack = 1;  // track indexes, inclusive
    int lastTrack = 1;
    int firstBar = 0;    // bars counted from 0, inclusive
    int lastBar = 0;

    // Every grid row (tracks 1 to the last) and every bar of the song; an empty selection
    // (lastTrack < firstTrack) for a song without rows.
    static Selection wholeSong(const midiSong& song);
    // The single cell of a track and bar.
    static Selection cell(int track, int bar) { return {track, track, bar, bar}; }

    bool empty() const { return lastTrack < firstTrack || lastBar < firstBar; }
    bool holdsTrack(int track) const { return track >= firstTrack && track <= lastTrack; }
    bool holdsBar(int bar) const { return bar >= firstBar && bar <= lastBar; }
    // The tracks clipped to those the song has (never below 0).
    Selection clippedTo(const midiSong& song) const;

    // From the start of the first bar to the last tick of the last bar (one tick before the
    // next bar's start). Empty when the selection is.
    TickRange ticks(const midiSong& song) const;

    bool operator==(const Selection&) const = default;
};

// The six range fields of a tool window (From and To): bar and beat counted from 1, tick from 0.
struct RangeFields {
    int fromBar = 1, fromBeat = 1, fromTick = 0;
    int toBar = 1, toBeat = 1, toTick = 0;
    bool operator==(const RangeFields&) const = default;
};

// The fields that show a selection: the first bar at beat 1, tick 0, to the last tick of the last
// bar, so the range covers the selected bars completely.
RangeFields rangeFieldsFor(const midiSong& song, const Selection& selection);

// The tick of a position typed by the user (bar and beat from 1, tick from 0). Positions that no
// song can reach (bar outside 1..1000000, beat outside 1..65536, tick outside 0..16777215, or a
// time past the largest tick) give nullopt and, when `error` is given, a message for the user.
std::optional<int32_t> positionTime(const midiSong& song, int bar, int beat, int tick,
                                    std::string* error = nullptr);
// Both ends of the range fields as ticks, each checked as positionTime does.
std::optional<TickRange> fieldsTickRange(const midiSong& song, const RangeFields& fields,
                                         std::string* error = nullptr);

// The one-bar steps of the selection that tool windows offer (widen, move, narrow). The bars are
// those of the main window's grid: 0 .. barStarts.size() - 2.
enum class SelectionStep { extendLeft, extendRight, shiftLeft, shiftRight, shrinkLeft, shrinkRight };

// The selection after one step; unchanged when the step would leave the grid (extend and shift)
// or the selection would lose its last bar (shrink).
Selection stepSelection(const midiSong& song, const Selection& selection, SelectionStep step);

}  // namespace tonvela
