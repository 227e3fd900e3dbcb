#pragma once

// Copies of a song that leave the song itself untouched: for hearing an edit before making it
// (the copy is edited and played), never for saving.

#include <memory>

namespace tonvela {

class midiSong;

// A new song with the same tracks (same indexes, names, events, durations as a save would
// write them), time base, format, flags and bar table as `song`; its journals are empty.
// `song` is only read (its journals stay). Throws MidiError if the song cannot be encoded
// (two events further apart than a delta time can express).
std::unique_ptr<midiSong> copySong(const midiSong& song);

}  // namespace tonvela
