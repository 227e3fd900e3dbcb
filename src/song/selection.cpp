#include "song/selection.h"

#include <algorithm>

#include "song/song.h"

namespace tonvela {

int32_t barStartTick(const midiSong& song, int bar) {
    if (bar <= 0) return 0;
    // The table's last entry repeats the one before it (the grid's extra column): not a start.
    if (static_cast<size_t>(bar) + 1 < song.barStarts.size()) return song.barStarts[static_cast<size_t>(bar)];
    return song.barBeatTickToTime(bar, 0, 0);
}

Selection Selection::wholeSong(const midiSong& song) {
    Selection s;
    s.firstTrack = 1;
    s.lastTrack = song.trackCount() - 1;
    s.firstBar = 0;
    s.lastBar = std::max(0, static_cast<int>(song.barStarts.size()) - 1);
    return s;
}

Selection Selection::clippedTo(const midiSong& song) const {
    Selection s = *this;
    s.firstTrack = std::max(s.firstTrack, 0);
    s.lastTrack = std::min(s.lastTrack, song.trackCount() - 1);
    return s;
}

TickRange Selection::ticks(const midiSong& song) const {
    if (lastBar < firstBar) return {};
    TickRange r;
    r.from = barStartTick(song, firstBar);
    int32_t next = barStartTick(song, lastBar + 1);
    r.to = std::max(next - 1, r.from);
    return r;
}

}  // namespace tonvela
