// Inputs that once broke load, save and reload (see fixtures/README.md).

#include <gtest/gtest.h>

#include <filesystem>

#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;

namespace {

std::string fixture(const std::string& name) { return std::string(TONVELA_SOURCE_DIR) + "/tests/song/fixtures/" + name; }

std::string loadError(midiSong& song, const std::vector<uint8_t>& bytes, bool recover) {
    try {
        song.loadBytes(bytes.data(), bytes.size(), "f.mid", LoadOptions{recover});
        return "";
    } catch (const MidiError& e) {
        return e.message();
    }
}

}  // namespace

TEST(Fixtures, EachLoadsAsStatedAndSavesToAFixedPoint) {
    struct Case {
        const char* file;
        const char* strictError;  // "" when it loads
    } cases[] = {
        {"data_byte_with_top_bit.mid", "Data chunk may be broken"},
        {"delta_too_long_after_preset.mid", "Data may have been broken."},
        {"truncated_program_change.mid", "The file ends inside an event in track 0."},
        {"tempo_track_beyond_song_end.mid", ""},
        {"time_signatures_in_two_tracks.mid", ""},
        {"format0_chunks_note_offs_same_tick.mid", ""},
        {"format0_chunks_zero_length_note_same_key.mid", ""},
        {"format0_chunks_zero_length_note_after_other_event.mid", ""},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = readFileBytes(fixture(c.file));
        midiSong strict;
        EXPECT_EQ(loadError(strict, bytes, false), c.strictError) << c.file;
        for (bool recover : {false, true}) {
            midiSong song;
            if (!loadError(song, bytes, recover).empty()) continue;
            std::vector<uint8_t> once, twice;
            song.write(once);
            std::string written = dumpSong(song);
            midiSong again;
            ASSERT_EQ(loadError(again, once, false), "") << c.file;
            if (song.trackCount() == again.trackCount()) {
                EXPECT_EQ(dumpSong(again), written) << c.file;
            }
            again.write(twice);
            EXPECT_EQ(once, twice) << c.file << (recover ? " (recovering)" : "");
        }
    }
}

TEST(Fixtures, SignaturesOfSeveralTracksCountInTimeOrder) {
    midiSong song;
    std::vector<uint8_t> bytes = readFileBytes(fixture("time_signatures_in_two_tracks.mid"));
    song.loadBytes(bytes.data(), bytes.size(), "f.mid");
    for (size_t i = 1; i < song.timeSignatures.size(); ++i)
        EXPECT_LE(song.timeSignatures[i - 1]->time, song.timeSignatures[i]->time);
}
