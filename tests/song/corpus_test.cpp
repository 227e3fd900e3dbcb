// Real files written by others: every well-formed one loads and survives save and reload; every
// damaged one gives the outcome stated below, and none crashes or hangs.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;
namespace fs = std::filesystem;

namespace {

fs::path corpusDir() { return fs::path(TONVELA_CORPUS_DIR); }

std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string ext = e.path().extension().string();
        if (e.is_regular_file() && (ext == ".mid" || ext == ".midi" || ext == ".kar")) out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Loads the bytes; returns the error message, or "" on success.
std::string tryLoad(midiSong& song, const std::vector<uint8_t>& bytes, bool recover) {
    try {
        song.loadBytes(bytes.data(), bytes.size(), "x.mid", LoadOptions{recover});
        return "";
    } catch (const MidiError& e) {
        return e.message();
    }
}

void expectRoundTrip(const std::vector<uint8_t>& bytes, bool recover, const std::string& name) {
    midiSong song;
    ASSERT_EQ(tryLoad(song, bytes, recover), "") << name;
    std::string before = dumpSong(song);
    std::vector<uint8_t> once;
    song.write(once);
    midiSong again;
    ASSERT_EQ(tryLoad(again, once, false), "") << name << ": our own output does not load";
    if (song.format != 0 || song.trackCount() == 17) {
        EXPECT_EQ(dumpSong(again), before) << name;
    }
    std::vector<uint8_t> twice;
    again.write(twice);
    EXPECT_EQ(once, twice) << name << ": converting again changes the bytes";
}

}  // namespace

TEST(Corpus, WellFormedFilesLoadAndRoundTrip) {
    if (!fs::is_directory(corpusDir())) GTEST_SKIP() << "no corpus at " << corpusDir();
    // Files the program rejects on purpose.
    const std::map<std::string, std::string> rejected = {{"jz_2trk_type2.mid", "Format2 is not supported"}};
    for (const fs::path& p : filesIn(corpusDir())) {
        std::vector<uint8_t> bytes = readFileBytes(p.string());
        std::string name = p.filename().string();
        midiSong song;
        std::string error = tryLoad(song, bytes, false);
        auto it = rejected.find(name);
        if (it != rejected.end()) {
            EXPECT_EQ(error, it->second) << name;
            continue;
        }
        EXPECT_EQ(error, "") << name;
        expectRoundTrip(bytes, false, name);
    }
}

TEST(Corpus, DamagedFilesGiveTheirStatedOutcome) {
    const fs::path dir = corpusDir() / "malformed";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no malformed corpus at " << dir;
    // File -> {strict outcome, recovering outcome}; "" means it loads.
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"fof_armygeddon.mid", {"", ""}},
        {"jl_negative_delta.mid", {"Data may have been broken.", ""}},
        {"jz_2trk_type0.mid", {"", ""}},
        {"jz_empty_file.mid", {"Couldn't find MIDI Header block", "Couldn't find MIDI Header block"}},
        {"jz_illegal_all.mid", {"Illegal status byte F1 in track 0 at tick 0", ""}},
        {"jz_illegal_f1.mid", {"Illegal status byte F1 in track 0 at tick 0", ""}},
        {"jz_illegal_f4.mid", {"Illegal status byte F4 in track 0 at tick 0", ""}},
        {"jz_illegal_fe.mid", {"Illegal status byte FE in track 0 at tick 0", ""}},
        {"jz_missing_byte.mid", {"The file ends inside a variable-length number in track 0.", ""}},
        {"jz_rs_metaevent.mid", {"", ""}},
        {"m21_test04_sjis.mid", {"", ""}},
        {"mc_b4uacuse_seq24.midi", {"", ""}},
        {"mc_dixie04.mid", {"Couldn't find MIDI Track block", ""}},
        {"mc_ex1.mid", {"", ""}},
        {"ml_sysex_test.mid", {"Data chunk may be broken", ""}},
        {"nf_bad_hdr_format.mid", {"Format2 is not supported", "Format2 is not supported"}},
        {"nf_bad_hdr_ntrks.mid", {"Couldn't find MIDI Track block", ""}},
        {"nf_bad_smpte_hdr.mid", {"SMPTE time division is not supported", "SMPTE time division is not supported"}},
        {"nf_bad_track_len.mid", {"", ""}},
        {"sk_hdr_fmt0_0trk.mid", {"", ""}},
        {"sk_timing_clock.mid", {"Illegal status byte F8 in track 0 at tick 0", ""}},
        {"sq_1bar.midi", {"", ""}},
        {"sq_buffalo.midi", {"", ""}},
        {"sq_colours.midi", {"", ""}},
        {"sq_hanging_note.midi", {"", ""}},
        {"sq_ppqn_19200.midi", {"", ""}},
        {"sq_ppqn_24.midi", {"", ""}},
        {"sq_text.midi", {"", ""}},
        {"sq_timesigs.midi", {"", ""}},
    };
    for (const fs::path& p : filesIn(dir)) {
        std::string name = p.filename().string();
        auto it = expected.find(name);
        if (it == expected.end()) {
            ADD_FAILURE() << name << " has no stated outcome";
            continue;
        }
        std::vector<uint8_t> bytes = readFileBytes(p.string());
        midiSong strict, recovering;
        EXPECT_EQ(tryLoad(strict, bytes, false), it->second.first) << name << " (strict)";
        EXPECT_EQ(tryLoad(recovering, bytes, true), it->second.second) << name << " (recovering)";
        if (it->second.second.empty()) {
            std::vector<uint8_t> out;
            recovering.write(out);
            midiSong again;
            EXPECT_EQ(tryLoad(again, out, false), "") << name << ": the repaired song saves as a valid file";
        }
    }
}
