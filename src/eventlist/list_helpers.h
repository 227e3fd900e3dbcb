#pragma once

// What the list windows share (the event list, the trill editor, the data checker): keeping a
// list's selection across a rebuild, the note list of a track, and the track names.

#include <string>
#include <vector>

#include "song/events.h"
#include "song/selection.h"

namespace tonvela {

class midiSong;
class midiTrack;

// The selected line of a list before it is rebuilt: its number and the item (event or note) it
// held. Only compared by identity, never dereferenced.
struct ListSelection {
    int row = -1;
    const void* item = nullptr;
};

// The line to select after the rebuild: the line holding the same item (rowOfItem, -1 when it
// is gone), else the same line number, else the last line when the list became shorter; -1 for
// an empty list or when nothing was selected.
int restoredRow(const ListSelection& before, int rowCount, int rowOfItem);

// The sounding notes of a track whose time lies in the range (both ends inclusive), in track
// order.
std::vector<NoteOnEvent*> notesInRange(const midiTrack& track, TickRange range);
// One line of a note list: "BBB:BB:TTT NAME VVV DDDD" (bar and beat from 1, the four-character
// note name, velocity, duration).
std::string noteLine(const NoteOnEvent& note);

// The names of all tracks in track order, as the song holds them (file bytes).
std::vector<std::string> trackNames(const midiSong& song);

}  // namespace tonvela
