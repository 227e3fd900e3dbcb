#pragma once

// Songs for the tool tests, built as file bytes and loaded through the reader.

#include <initializer_list>

#include "smf_builder.h"

namespace tonvela::test {

// Delta time (one byte, < 128 ticks is not enough for bars, so a full varlen) + message.
inline Bytes at(uint32_t delta, std::initializer_list<uint8_t> message) {
    Bytes out;
    uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = static_cast<uint8_t>(delta & 0x7F);
        delta >>= 7;
    } while (delta);
    while (n > 1) out.push_back(static_cast<uint8_t>(tmp[--n] | 0x80));
    out.push_back(tmp[0]);
    out.insert(out.end(), message);
    return out;
}

// A conductor track: 4/4, tempo 120, lasting `bars` bars at 480 ticks per quarter.
inline Bytes conductor(int bars) {
    return cat({at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}),
                at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                at(static_cast<uint32_t>(bars * 1920), {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
}

// One note: note on at delta, note off `length` later.
inline Bytes note(uint32_t delta, int channel, int key, uint32_t length, int velocity = 100) {
    return cat({at(delta, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key),
                           static_cast<uint8_t>(velocity)}),
                at(length, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0})});
}

}  // namespace tonvela::test
