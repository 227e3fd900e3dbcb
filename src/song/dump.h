#pragma once

// The stable, diffable text form of a song: one line per event.
//   TRACK TIME BBB:BB:TTT kKIND STATUS FIELDS
// FIELDS by class: note=K vel=V dur=D | note=K pressure=P | ctrl=C val=V | prog=P |
// pressure=P | bend=B (signed) | sysex=HEX | meta=TT data=HEX (upper-case hex, no spaces).

#include <string>

#include "song/events.h"

namespace tonvela {

class midiSong;

std::string dumpLine(int track, const anyEvent& e);
// Every event of every track (or of one track when `onlyTrack` >= 0), one line each.
std::string dumpSong(const midiSong& song, int onlyTrack = -1);

}  // namespace tonvela
