#pragma once

// The note filter of the Add Event page ("Filter" group): key, velocity, duration, pitch class
// and the note's place in the phrase (overlapping, independent, flat, ascending, descending).

#include <cstdint>

#include "effects/effect_settings.h"
#include "effects/miss_tally.h"
#include "effects/units.h"

namespace tonvela {

class midiTrack;

// The filter with its bounds read once; all bounds inclusive.
struct NoteFilter {
    int keyMin = 0, keyMax = 127;
    int velocityMin = 1, velocityMax = 127;
    int32_t durationMin = 1, durationMax = 9999;  // ticks
    int pitchClass = -1;  // 0..11 (C..B), -1: any
    bool allowOverlap = false, ascending = true, descending = true, independent = true, flat = true;
};

// From a page whose fields passed normaliseNumberFields; DurMin/DurMax in DurationUnit.
NoteFilter noteFilterFor(const AddEventPage& page, const UnitContext& units);

// Whether the sounding note at `index` of `track` passes (false for any other event). The
// phrase test uses the nearest sounding notes before and after it in the list (legatoInfo):
// an overlapping note needs AllowOverlap; an independent note (no earlier note, or a rest of at
// least 1.5 quarter notes before it) passes exactly when Independent is on; any other note
// needs the box of its direction from the previous note (Flat, Ascending, Decending).
bool passesNoteFilter(const midiTrack& track, int index, const NoteFilter& filter);

// The first test a note fails, in the order passesNoteFilter makes them; none when it passes.
enum class NoteFilterMiss { none, key, velocity, duration, pitchClass, overlap, independent, flat, ascending, descending };
NoteFilterMiss noteFilterMiss(const midiTrack& track, int index, const NoteFilter& filter);
// A tally whose filter numbers are the misses (key = 0, ... descending = 8), worded with the
// filter's bounds as the Filter group shows them (durations in ticks).
effects::MissTally noteFilterTally(const NoteFilter& filter);
inline int tallyNumber(NoteFilterMiss miss) { return static_cast<int>(miss) - 1; }

}  // namespace tonvela
