#pragma once

// The song statistics shown in the log window.

#include <string>
#include <vector>

namespace tonvela {

class midiSong;

// Fills the statistics fields of every track (highestKey ... chordNotes) from its events;
// also raises endTime and sets an unset firstNoteTime, as a walk over the events finds them.
void analyzeTracks(midiSong& song);

// Runs analyzeTracks and returns the lines of the report, all numbers integers.
// Texts (track names) are the song's bytes.
std::vector<std::string> songStatistics(midiSong& song);

}  // namespace tonvela
