#pragma once

#include <cstdint>

namespace tonvela {

class midiSong;

// Inserts one empty bar at the start of the song: in every track (under the undo step
// "Make Leading Bar") notes at tick 0 and every event after tick 0 move by the length of the
// first bar; other events at tick 0 (tempo, signatures, programs, controllers) stay in front.
// The bar table is left as it is. Returns the shift in ticks.
int32_t makeLeadingBar(midiSong& song);

}  // namespace tonvela
