#pragma once

// A small song for the drums/notes changer's tests, built as file bytes and loaded through the
// reader: 4/4 at 480 ticks per quarter.
//   track 0  conductor, and a rim shot (key 37) on channel 10 at 002:01:000
//   track 1  "Drums", channel 10: 36 at 0, 38 at 480, 36 at 960, 42 at 1440, 38 at 2160 (bar 2)
//   track 2  "Piano", channel 1: 36 at 0, 60 at 480
//   track 3  "Perc", channel 11: 36 at 0; and a note on of velocity 0 on key 36, channel 10
//   track 4  "Empty", no notes

#include <string>
#include <vector>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"
#include "track_writer.h"

namespace tonvela::test {

inline Bytes drumSong() {
    TrackWriter conductor;
    conductor.at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}).tempo(0, 500000).note(1920, 9, 37, 90, 60);
    TrackWriter drums;
    drums.at(0, {0xFF, 0x03, 0x05, 'D', 'r', 'u', 'm', 's'});
    drums.note(0, 9, 36, 100, 120).note(480, 9, 38, 90, 100).note(960, 9, 36, 80, 110).note(1440, 9, 42, 70, 60);
    drums.note(2160, 9, 38, 60, 30);
    TrackWriter piano;
    piano.at(0, {0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o'}).note(0, 0, 36, 64, 480).note(480, 0, 60, 64, 480);
    TrackWriter perc;
    perc.at(0, {0xFF, 0x03, 0x04, 'P', 'e', 'r', 'c'}).note(0, 10, 36, 50, 240).at(600, {0x99, 36, 0});
    TrackWriter empty;
    empty.at(0, {0xFF, 0x03, 0x05, 'E', 'm', 'p', 't', 'y'}).at(3840, {0xFF, 0x01, 0x01, 'x'});
    return smf(1, {conductor.bytes(), drums.bytes(), piano.bytes(), perc.bytes(), empty.bytes()});
}

// The notes of a track as "time:channel:key:velocity/duration" in list order.
inline std::vector<std::string> notesOf(const midiTrack& t) {
    std::vector<std::string> out;
    for (const anyEvent* e : t.events()) {
        if (!e || e->kind() != kindNote) continue;
        const auto* n = static_cast<const NoteOnEvent*>(e);
        out.push_back(std::to_string(n->time) + ":" + std::to_string(n->channelOf() + 1) + ":" +
                      std::to_string(n->note()) + ":" + std::to_string(n->velocity()) + "/" +
                      std::to_string(n->duration()));
    }
    return out;
}

// The song's dump with every track in time order (undo restores times without reordering).
inline std::string orderedDump(midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) song.track(i)->sortEvents();
    return dumpSong(song);
}

}  // namespace tonvela::test
