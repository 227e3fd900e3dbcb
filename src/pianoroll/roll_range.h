#pragma once

// Finding the events of a time range in a track without walking the track: the piano roll draws
// a few bars of songs with millions of events.

#include <cstdint>

namespace tonvela {

class midiTrack;

// Positions [first, last) of the track's list that can hold events with from <= time < to.
// In a track in time order (the usual state) this is found by binary search and holds exactly
// those events. A track whose order is not known (after an undo restored times, or with empty
// slots) gives its whole list, so callers still check each event's time.
struct EventSpan {
    int first = 0;
    int last = 0;
    bool exact = true;  // false: the whole list, times not checked
};
EventSpan eventSpan(const midiTrack& track, int32_t from, int32_t to);

// The longest duration among the sounding notes of the span that start within [from, to);
// 0 when there is none. Notes that start before a visible window reach into it by at most this.
int32_t longestNote(const midiTrack& track, int32_t from, int32_t to);

}  // namespace tonvela
