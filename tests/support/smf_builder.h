#pragma once

// Small helpers for building Standard MIDI File bytes in tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "song/song.h"

namespace tonvela::test {

using Bytes = std::vector<uint8_t>;

inline Bytes header(int format, int tracks, int division = 480) {
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, static_cast<uint8_t>(format >> 8), static_cast<uint8_t>(format),
            static_cast<uint8_t>(tracks >> 8), static_cast<uint8_t>(tracks), static_cast<uint8_t>(division >> 8),
            static_cast<uint8_t>(division)};
}

// A track chunk around `events` (delta-time + message bytes); appends FF 2F 00 when asked.
inline Bytes trackChunk(const Bytes& events, bool addEnd = true) {
    Bytes body = events;
    if (addEnd) body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes out = {'M', 'T', 'r', 'k'};
    uint32_t n = static_cast<uint32_t>(body.size());
    out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(n)});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes smf(int format, std::initializer_list<Bytes> tracks, int division = 480) {
    Bytes out = header(format, static_cast<int>(tracks.size()), division);
    for (const Bytes& t : tracks) {
        Bytes c = trackChunk(t);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A delta time as a variable-length number, then the message.
inline Bytes at(uint32_t delta, std::initializer_list<uint8_t> message) {
    Bytes out;
    ByteWriter(out).putVarLen(delta);
    out.insert(out.end(), message);
    return out;
}

// One note: note on at `delta`, note off `length` later.
inline Bytes note(uint32_t delta, int channel, int key, uint32_t length, int velocity = 100) {
    return cat({at(delta, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)}),
                at(length, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0})});
}

inline LoadReport load(midiSong& song, const Bytes& b, bool recover = false) {
    return song.loadBytes(b.data(), b.size(), "test.mid", LoadOptions{recover});
}

inline Bytes save(midiSong& song) {
    Bytes out;
    song.write(out);
    return out;
}

// The events of a track as "time:kind:extra" strings, for compact expectations.
inline std::vector<std::string> describeTrack(const midiTrack& t) {
    std::vector<std::string> out;
    for (const anyEvent* e : t.events()) {
        if (!e) continue;
        std::string s = std::to_string(e->time) + ":" + std::to_string(e->kind());
        if (e->kind() == kindNote || e->kind() == kindNoteOff) {
            auto* n = static_cast<const NoteOnEvent*>(e);
            s += ":" + std::to_string(n->note()) + "/" + std::to_string(n->duration());
        }
        out.push_back(s);
    }
    return out;
}

}  // namespace tonvela::test
