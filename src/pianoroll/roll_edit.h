#pragma once

// The piano roll's edits as journaled operations on the song. Each call opens one undo step in
// every track it changes (labels below) and uses only the journaled track operations, so undo
// restores the song exactly; tracks whose times changed are left in time order.
//
// Events are named by pointer together with their track. A pointer the track does not hold is
// ignored and never dereferenced, so a choice that went stale cannot damage the song.
//
// Notes of one track on the same channel and key never end up overlapping because of an edit:
// when a placed note (moved, lengthened or added) and another such note overlap, the earlier one
// ends where the later one starts, and a note left under a placed note with the same start is
// replaced by it. Overlaps among notes the edit did not place are left as they were.

#include <cstdint>
#include <span>
#include <vector>

#include "pianoroll/roll_frame.h"
#include "song/selection.h"

namespace tonvela {

class anyEvent;
class midiSong;
class midiTrack;
class NoteOnEvent;

inline constexpr const char* kRollMoveLabel = "Piano Roll <Move>";
inline constexpr const char* kRollLengthLabel = "Piano Roll <Length>";
inline constexpr const char* kRollAddLabel = "Piano Roll <Add>";
inline constexpr const char* kRollDeleteLabel = "Piano Roll <Delete>";
inline constexpr const char* kRollVelocityLabel = "Piano Roll <Velocity>";
inline constexpr const char* kRollControlLabel = "Piano Roll <Control>";
inline constexpr const char* kRollBendLabel = "Piano Roll <Bend>";

// A sounding note and the index of the track that holds it.
struct RollNote {
    int track = 0;
    NoteOnEvent* note = nullptr;
    bool operator==(const RollNote&) const = default;
};

struct MoveResult {
    int32_t ticks = 0;  // the shift applied
    int keys = 0;
    int moved = 0;      // notes changed
};

// The shift a group move of these notes can make (see moveNotes); the notes must be alive.
MoveResult limitMove(std::span<const RollNote> notes, int32_t ticks, int keys, TickRange allowed);

// Shifts the notes by `ticks` and `keys` as one group. The shift is reduced so that every start
// stays within `allowed` (inclusive; an empty range allows no shift in time) and every key within
// 0..127. Nothing happens (no undo step) when the shift comes to zero.
MoveResult moveNotes(midiSong& song, std::span<const RollNote> notes, int32_t ticks, int keys,
                     TickRange allowed);

// Adds `ticks` to every note's duration; no note becomes shorter than one tick. Returns the
// number of notes changed.
int resizeNotes(midiSong& song, std::span<const RollNote> notes, int32_t ticks);

// Adds a note to a track: key clamped to 0..127, length at least 1, velocity clamped to 1..127,
// on the channel of the track's first note (else its first channel, else channel 1). Returns
// the new note, or nullptr for a track the song does not have.
NoteOnEvent* addNote(midiSong& song, int track, int32_t time, int key, int32_t length, int velocity = 100);

// The channel (0..15) a note added to the track gets.
int newNoteChannel(const midiTrack& track);

// Removes the notes. Returns the number removed.
int deleteNotes(midiSong& song, std::span<const RollNote> notes);

// A new value for an event of a lane: a note's velocity, a controller's value, or a pitch
// bend's raw value 0..16383.
struct LaneChange {
    int track = 0;
    anyEvent* event = nullptr;
    int value = 0;
};

// Stores the values (velocities clamped to 1..127, controller values to 0..127, bends to
// 0..16383); events that are not of the lane (another controller, another kind) are ignored.
// Returns the number of events whose value changed.
int setLaneValues(midiSong& song, const Lane& lane, std::span<const LaneChange> changes);

// Whether an event belongs to a lane, and its value there (bends raw).
bool inLane(const anyEvent& e, const Lane& lane);
int laneValue(const anyEvent& e, const Lane& lane);

// ---- drawing in a controller or pitch-bend lane ---------------------------------------------

// A point of the pen's path: a time and a lane value (controllers 0..127, bends raw 0..16383).
struct LanePoint {
    int32_t time = 0;
    int value = 0;
    bool operator==(const LanePoint&) const = default;
};

// A stroke of the pen across a controller or pitch-bend lane. The new values go to `track` on
// `channel`; the lane's values of that channel in tracks firstTrack..lastTrack (the tracks the
// roll shows) give way to them.
struct LaneStroke {
    Lane lane;
    int track = 0;
    int channel = 0;  // 0..15
    int firstTrack = 0, lastTrack = 0;
    int32_t grid = 120;     // the snap grid in ticks
    TickRange allowed;      // new values only in here (the shown time)
    std::vector<LanePoint> points;  // the path, in the order drawn
};

// What a stroke writes: every grid cell it covers, from the grid line at or before its earliest
// point to the end of the cell that holds its latest point (within `allowed`), gets one value at
// the cell's start; a click is a stroke of one point and so one cell. A value is read from the
// path drawn straight between its points (a later point at the same time wins; before the first
// and after the last point their values hold), clamped to the lane's range.
struct StrokeCells {
    int32_t from = 0;  // start of the first cell
    int32_t to = 0;    // end of the last cell (exclusive); from == to: nothing
    std::vector<LanePoint> values;  // one per cell, in time order
};
StrokeCells strokeCells(const midiSong& song, const LaneStroke& stroke);

struct StrokeResult {
    int added = 0;
    int changed = 0;  // values already at a cell's start in the track that gets the stroke
    int removed = 0;
};

// Writes a stroke: in [from, to) the lane's events of the channel in the shown tracks are
// replaced by the stroke's values (an event of the stroke's track that already sits at a cell's
// start keeps its place and takes the new value). One undo step ("Piano Roll <Control>" or
// "Piano Roll <Bend>") in every track it changes. The velocity lane, an empty stroke or a track
// the song does not have change nothing.
StrokeResult drawLaneStroke(midiSong& song, const LaneStroke& stroke);

}  // namespace tonvela
