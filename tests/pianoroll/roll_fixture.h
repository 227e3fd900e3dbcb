#pragma once

// Small songs for the piano roll tests, built as file bytes and loaded through the reader.

#include <initializer_list>
#include <string>
#include <vector>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"

namespace tonvela::test {

// 4/4 at 480 ticks per quarter, `bars` bars long.
inline Bytes conductor(int bars) {
    return cat({at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}),
                at(static_cast<uint32_t>(bars * 1920), {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
}

// The song's dump with every track in time order, as a reload or the writer would list it
// (undo restores times without reordering).
inline std::string orderedDump(midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) song.track(i)->sortEvents();
    return dumpSong(song);
}

// The sounding notes of a track as "time:key/duration/velocity" in list order.
inline std::vector<std::string> notesOf(const midiTrack& t) {
    std::vector<std::string> out;
    for (const anyEvent* e : t.events()) {
        if (!e || e->kind() != kindNote) continue;
        auto* n = static_cast<const NoteOnEvent*>(e);
        out.push_back(std::to_string(n->time) + ":" + std::to_string(n->note()) + "/" +
                      std::to_string(n->duration()) + "/" + std::to_string(n->velocity()));
    }
    return out;
}

// The n-th sounding note of a track in list order.
inline NoteOnEvent* nthNote(const midiTrack& t, int n) {
    for (anyEvent* e : t.events())
        if (e && e->kind() == kindNote && n-- == 0) return static_cast<NoteOnEvent*>(e);
    return nullptr;
}

// Number of undo steps (step markers) in a track's journal.
inline int steps(const midiTrack& t) {
    int n = 0;
    for (const std::string& line : t.journal) n += !line.empty() && line[0] == '@';
    return n;
}

}  // namespace tonvela::test
