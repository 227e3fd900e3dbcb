#include "tools/leadingbar.h"

#include <algorithm>

#include "song/song.h"

namespace tonvela {

int32_t makeLeadingBar(midiSong& song) {
    const int32_t shift = song.barBeatTickToTime(1, 0, 0);
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        t.beginUndoStep("Make Leading Bar");
        for (int p = 0; p < t.size(); ++p) {
            anyEvent* e = t.at(p);
            if (!e) continue;
            if (e->time > 0 || e->kind() == kindNote) t.moveEvent(e, shift);
        }
        t.firstNoteTime = std::max(t.firstNoteTime, 0) + shift;
        t.sortEvents();
    }
    return shift;
}

}  // namespace tonvela
