#pragma once

// Songs for the event list tests, built as file bytes and loaded through the reader.

#include <initializer_list>
#include <string>

#include "smf_builder.h"
#include "song/song.h"

namespace tonvela::test {

inline Bytes text(uint32_t delta, uint8_t type, const std::string& s) {
    Bytes b = at(delta, {0xFF, type, static_cast<uint8_t>(s.size())});
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

// 4/4 at 480 ticks per quarter (1920 ticks a bar), `bars` bars long.
inline Bytes conductor(int bars) {
    return cat({text(0, 0x03, "Song"), at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}),
                at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                text(static_cast<uint32_t>(bars) * 1920, 0x01, "end")});
}

// Track 1 "Piano" (channel 1): bank select MSB 1 and LSB 2, program 5, a note C4 and a
// controller at beat 2, a pitch bend in bar 2. Track 2 "Bass" (channel 3): a note at tick 0 and
// one in bar 2. Eight bars.
inline Bytes pianoAndBass() {
    Bytes piano = cat({text(0, 0x03, "Piano"), at(0, {0xB0, 0, 1}), at(0, {0xB0, 32, 2}), at(0, {0xC0, 5}),
                       note(0, 0, 60, 480, 100), at(0, {0xB0, 7, 90}), at(1440, {0xE0, 0x00, 0x50})});
    Bytes bass = cat({text(0, 0x03, "Bass"), note(0, 2, 36, 240, 80), note(1680, 2, 38, 240, 90)});
    return smf(1, {conductor(8), piano, bass});
}

inline std::vector<std::string> kindsOf(const midiTrack& t) {
    std::vector<std::string> out;
    for (const anyEvent* e : t.events())
        if (e) out.push_back(std::to_string(e->time) + ":" + std::to_string(e->kind()));
    return out;
}

}  // namespace tonvela::test
