#include "eventlist/list_helpers.h"

#include <cstdio>

#include "song/midispec.h"
#include "song/song.h"

namespace tonvela {

int restoredRow(const ListSelection& before, int rowCount, int rowOfItem) {
    if (rowCount <= 0) return -1;
    if (rowOfItem >= 0 && rowOfItem < rowCount) return rowOfItem;
    if (before.row < 0) return -1;
    return before.row < rowCount ? before.row : rowCount - 1;
}

std::vector<NoteOnEvent*> notesInRange(const midiTrack& track, TickRange range) {
    std::vector<NoteOnEvent*> notes;
    for (anyEvent* e : track.events())
        if (e && e->kind() == kindNote && range.contains(e->time)) notes.push_back(static_cast<NoteOnEvent*>(e));
    return notes;
}

std::string noteLine(const NoteOnEvent& n) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%3.3d:%2.2d:%3.3d %s %3.3d %4.4d", n.bar + 1, n.beat + 1, n.tick,
                  MIDISpec::noteName(n.note()).c_str(), n.velocity(), n.duration());
    return buf;
}

std::vector<std::string> trackNames(const midiSong& song) {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(song.trackCount()));
    for (int i = 0; i < song.trackCount(); ++i) names.push_back(song.track(i)->name);
    return names;
}

}  // namespace tonvela
