#pragma once

// Small songs for the tempo editor's tests, built as file bytes and loaded through the reader.

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"

namespace tonvela::test {

// A tempo change `delta` ticks after the previous event.
inline Bytes tempoAt(uint32_t delta, int32_t micros) {
    return at(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                      static_cast<uint8_t>(micros)});
}

// A song of `bars` bars of 4/4 at 480 ticks per quarter (1920 a bar) whose conductor holds the
// tempo changes given as (time, microseconds), and one track with a note in every bar.
inline Bytes tempoSong(int bars, std::initializer_list<std::pair<uint32_t, int32_t>> tempos) {
    Bytes conductor = at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    uint32_t now = 0;
    for (auto [time, micros] : tempos) {
        Bytes t = tempoAt(time - now, micros);
        conductor.insert(conductor.end(), t.begin(), t.end());
        now = time;
    }
    Bytes end = at(static_cast<uint32_t>(bars * 1920) - now, {0xFF, 0x01, 0x03, 'e', 'n', 'd'});
    conductor.insert(conductor.end(), end.begin(), end.end());
    Bytes notes;
    for (int b = 0; b < bars; ++b) {
        Bytes n = note(b == 0 ? 0 : 1440, 0, 60 + b % 12, 480);
        notes.insert(notes.end(), n.begin(), n.end());
    }
    return smf(1, {conductor, notes});
}

// The tempo changes of track 0 as "time:microseconds" in list order.
inline std::vector<std::string> temposOf(const midiSong& song) {
    std::vector<std::string> out;
    for (const anyEvent* e : song.track(0)->events())
        if (e && e->kind() == kindTempo)
            out.push_back(std::to_string(e->time) + ":" + std::to_string(static_cast<const TempoEvent*>(e)->getTempo()));
    return out;
}

// The n-th tempo change of track 0 in list order.
inline TempoEvent* nthTempo(const midiSong& song, int n) {
    for (anyEvent* e : song.track(0)->events())
        if (e && e->kind() == kindTempo && n-- == 0) return static_cast<TempoEvent*>(e);
    return nullptr;
}

// The song's dump with every track in time order (undo restores times without reordering).
inline std::string orderedDump(midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) song.track(i)->sortEvents();
    return dumpSong(song);
}

// Number of undo steps (step markers) in a track's journal.
inline int steps(const midiTrack& t) {
    int n = 0;
    for (const std::string& line : t.journal) n += !line.empty() && line[0] == '@';
    return n;
}

}  // namespace tonvela::test
