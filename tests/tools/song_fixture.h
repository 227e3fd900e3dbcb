#pragma once

// Songs for the tool tests, built as file bytes and loaded through the reader.

#include <initializer_list>

#include "smf_builder.h"

namespace tonvela::test {

// A conductor track: 4/4, tempo 120, lasting `bars` bars at 480 ticks per quarter.
inline Bytes conductor(int bars) {
    return cat({at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}),
                at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                at(static_cast<uint32_t>(bars * 1920), {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
}

}  // namespace tonvela::test
