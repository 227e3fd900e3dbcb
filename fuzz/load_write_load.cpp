// Any bytes, loaded strictly and with recovery, must either fail with a MidiError or give a song
// whose own output loads strictly to the same events and re-encodes to the same bytes.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;

namespace {

[[noreturn]] void fail(const char* what, bool recover, const std::string& detail) {
    std::fprintf(stderr, "load_write_load (%s): %s\n%s\n", recover ? "recover" : "strict", what, detail.c_str());
    std::abort();
}

// First differing line of two dumps, for the crash report.
std::string firstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    size_t lineStart = a.rfind('\n', i == 0 ? 0 : i - 1);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    auto lineAt = [lineStart](const std::string& s) {
        if (lineStart >= s.size()) return std::string("<end>");
        return s.substr(lineStart, s.find('\n', lineStart) - lineStart);
    };
    return "written: " + lineAt(a) + "\nreloaded: " + lineAt(b);
}

void roundTrip(const uint8_t* data, size_t size, bool recover) {
    midiSong song;
    try {
        song.loadBytes(data, size, "fuzz.mid", LoadOptions{recover});
    } catch (const MidiError&) {
        return;  // rejecting bad input is fine
    }
    std::vector<uint8_t> once;
    song.write(once);
    // write() re-pairs overlapping notes the way a reload pairs them, so the song as it stands
    // after the save is what the reload must reproduce.
    const std::string written = dumpSong(song);

    midiSong again;
    try {
        again.loadBytes(once.data(), once.size(), "again.mid");
    } catch (const MidiError& e) {
        fail("our own output does not load", recover, e.message() + " " + e.detail());
    }
    // Several chunks in a format 0 file are merged on save; only then may the tracks differ.
    const bool sameTracks = song.format != 0 || song.trackCount() == again.trackCount();
    if (sameTracks) {
        const std::string reloaded = dumpSong(again);
        if (reloaded != written) fail("the reload differs from the saved song", recover, firstDifference(written, reloaded));
    }
    std::vector<uint8_t> twice;
    again.write(twice);
    if (twice != once) fail("saving the reloaded song changes the bytes", recover, {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    roundTrip(data, size, false);
    roundTrip(data, size, true);
    return 0;
}
