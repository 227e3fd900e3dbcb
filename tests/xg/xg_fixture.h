#pragma once

// Songs and helpers for the XG editor's tests.

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"
#include "xg/xg_editor.h"

namespace tonvela::test {

// A system exclusive event of a track chunk: F0, the length, the bytes (F7 last).
inline Bytes sysex(uint32_t delta, std::initializer_list<uint8_t> bytes) {
    Bytes out;
    ByteWriter w(out);
    w.putVarLen(delta);
    w.put(0xF0);
    w.putVarLen(static_cast<uint32_t>(bytes.size()));
    out.insert(out.end(), bytes);
    return out;
}

// Track 0: 4/4, tempo 120, 8 bars, REVERB RETURN 80 at 0. Track 1 "Piano": Part1 VOLUME 100 at
// 0 and a note in bar 2. Track 2 "Bass": a GS parameter and a variation parameter (two bytes,
// 1000) at 0, a note in bar 3. 480 ticks per quarter.
inline Bytes xgSong() {
    Bytes conductor = cat({at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}), at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                           sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x0C, 0x50, 0xF7}),
                           at(8 * 1920, {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
    Bytes piano = cat({at(0, {0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o'}),
                       sysex(0, {0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 0x64, 0xF7}), note(1920, 0, 60, 480)});
    Bytes bass = cat({at(0, {0xFF, 0x03, 0x04, 'B', 'a', 's', 's'}),
                      sysex(0, {0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7}),
                      sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x07, 0x68, 0xF7}), note(3840, 2, 36, 480)});
    return smf(1, {conductor, piano, bass});
}

// Records what an editor sends.
struct SentLog {
    std::vector<Bytes> messages;
    XGSender sender() {
        return [this](std::span<const uint8_t> m) { messages.emplace_back(m.begin(), m.end()); };
    }
};

// The song's events, each track in time order, as the dump shows them.
inline std::string sortedDump(midiSong& song) {
    for (int t = 0; t < song.trackCount(); ++t) song.track(t)->sortEvents();
    return dumpSong(song);
}

// Every listed system exclusive event is held by a track, once, and every held one is listed.
inline ::testing::AssertionResult listsRight(const midiSong& song) {
    size_t held = 0;
    for (int t = 0; t < song.trackCount(); ++t)
        for (const anyEvent* e : song.track(t)->events())
            if (e && (e->status == 0xF0 || e->status == 0xF7)) {
                ++held;
                if (std::count(song.sysexEvents.begin(), song.sysexEvents.end(), e) != 1)
                    return ::testing::AssertionFailure() << "not listed: " << dumpLine(t, *e);
            }
    if (held != song.sysexEvents.size())
        return ::testing::AssertionFailure() << song.sysexEvents.size() << " listed, " << held << " held";
    return ::testing::AssertionSuccess();
}

// The journal lengths of every track.
inline std::vector<size_t> journalSizes(const midiSong& song) {
    std::vector<size_t> sizes;
    for (int t = 0; t < song.trackCount(); ++t) sizes.push_back(song.track(t)->journal.size());
    return sizes;
}

}  // namespace tonvela::test
