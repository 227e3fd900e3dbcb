#pragma once

// What the expression tools share. Each tool builds what it writes into a work track first (a
// plain midiTrack of the song that is no part of it); a test play plays that track alone, and an
// apply copies it into a song track as one undo step, after the events it replaces are taken
// out. Everything is decided before the step opens, so a build that fails leaves every journal
// (undo and redo) as it was.

#include <cstdint>
#include <string>
#include <vector>

#include "song/events.h"

namespace tonvela {

class midiTrack;

// The phrase of a list with several selected lines: the run of selected rows that begins at the
// first selected row and ends before the first unselected row after it ({1, 2, 5} gives {1, 2}).
// Rows may come in any order; empty when none is selected.
std::vector<int> phraseRows(std::vector<int> selectedRows);

// Times the tools compute in 64 bits, as event times: below 0 gives 0, above the largest tick
// gives the largest tick.
int32_t toEventTime(int64_t time);

// New events of the kinds the tools write, on channel 0..15 (other channel numbers use their
// low four bits, so 255 is channel 16). Values are clamped to what MIDI can carry: key 0..127,
// velocity 1..127, controller and value 0..127, bend -8192..8191, duration >= 0.
NoteOnEvent* makeNote(int64_t time, int channel, int key, int velocity, int64_t duration);
ControlChangeEvent* makeControl(int64_t time, int channel, int controller, int value);
PitchBendEvent* makeBend(int64_t time, int channel, int signedBend);

// One undo step `label` in `target`: the events of `removals` that the track holds are removed,
// then a copy of every note, control change and pitch bend of `work` is added in time order
// (events at one time keep the work track's order), all journaled. Opens no step and returns
// false when there is nothing to remove or add.
bool commitToTrack(midiTrack& target, const std::string& label, const std::vector<anyEvent*>& removals,
                   const midiTrack& work);

// The earliest and the latest time of the events of a track; {0, -1} for an empty track.
struct TimeSpan {
    int32_t first = 0;
    int32_t last = -1;
};
TimeSpan eventSpan(const midiTrack& track);

}  // namespace tonvela
