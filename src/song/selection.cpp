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

RangeFields rangeFieldsFor(const midiSong& song, const Selection& selection) {
    RangeFields f;
    f.fromBar = selection.firstBar + 1;
    f.toBar = selection.lastBar + 1;
    BarBeatTick end = song.timeToBarBeatTick(selection.ticks(song).to);
    f.toBeat = end.beat + 1;
    f.toTick = end.tick;
    return f;
}

std::optional<int32_t> positionTime(const midiSong& song, int bar, int beat, int tick, std::string* error) {
    // The bounds keep barBeatTickToTime's walk over the bars short and its sums far from overflow.
    const bool sane = bar >= 1 && bar <= 1000000 && beat >= 1 && beat <= 65536 && tick >= 0 && tick <= 0xFFFFFF;
    int32_t t = sane ? song.barBeatTickToTime(bar - 1, beat - 1, tick) : INT32_MAX;
    if (!sane || t == INT32_MAX) {
        if (error)
            *error = "Position out of range: " + std::to_string(bar) + ":" + std::to_string(beat) + ":" +
                     std::to_string(tick);
        return std::nullopt;
    }
    return t;
}

std::optional<TickRange> fieldsTickRange(const midiSong& song, const RangeFields& f, std::string* error) {
    auto from = positionTime(song, f.fromBar, f.fromBeat, f.fromTick, error);
    if (!from) return std::nullopt;
    auto to = positionTime(song, f.toBar, f.toBeat, f.toTick, error);
    if (!to) return std::nullopt;
    return TickRange{*from, *to};
}

Selection stepSelection(const midiSong& song, const Selection& selection, SelectionStep step) {
    Selection s = selection;
    const int lastGridBar = static_cast<int>(song.barStarts.size()) - 2;
    const bool canGoLeft = s.firstBar > 0;
    const bool canGoRight = s.lastBar < lastGridBar;
    const bool wide = s.lastBar > s.firstBar;
    switch (step) {
    case SelectionStep::extendLeft:
        if (canGoLeft) --s.firstBar;
        break;
    case SelectionStep::extendRight:
        if (canGoRight) ++s.lastBar;
        break;
    case SelectionStep::shiftLeft:
        if (canGoLeft) --s.firstBar, --s.lastBar;
        break;
    case SelectionStep::shiftRight:
        if (canGoRight) ++s.firstBar, ++s.lastBar;
        break;
    case SelectionStep::shrinkLeft:
        if (wide) ++s.firstBar;
        break;
    case SelectionStep::shrinkRight:
        if (wide) --s.lastBar;
        break;
    }
    return s;
}

}  // namespace tonvela
