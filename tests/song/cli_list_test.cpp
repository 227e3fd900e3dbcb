// tonvela-cli list as a user runs it: the lines of the event list, track and bar choice, text
// encodings, errors, and every loadable file of the shared corpus.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "cli_runner.h"
#include "smf_builder.h"
#include "song/song.h"
#include "song/textcodec.h"

using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

CliRun list(const std::string& args) { return runCli("list " + args); }

struct TempFile {
    fs::path path;
    TempFile(const std::string& name, const Bytes& bytes)
        : path(fs::temp_directory_path() / ("tonvela-list-" + std::to_string(::getpid()) + "-" + name)) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    ~TempFile() { fs::remove(path); }
    std::string str() const { return path.string(); }
};

// "ベートーベン" in Shift_JIS.
const Bytes kSjis = {0x83, 0x78, 0x81, 0x5B, 0x83, 0x67, 0x81, 0x5B, 0x83, 0x78, 0x83, 0x93};

// Conductor track: tempo, key and time signature (3/4), a Shift_JIS text. Track 1: name, an XG
// volume, program, note, bend at beat 2, a controller in bar 2.
Bytes song() {
    Bytes t0 = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x59, 0x02, 0xFE, 0x00,
                0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x01, 0x0C};
    t0.insert(t0.end(), kSjis.begin(), kSjis.end());
    const Bytes t1 = {0x00, 0xFF, 0x03, 0x04, 'L',  'e',  'a',  'd',  0x00, 0xF0, 0x08, 0x43, 0x10, 0x4C,
                      0x08, 0x00, 0x0B, 0x64, 0xF7, 0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60,
                      0x80, 0x3C, 0x40, 0x00, 0xE0, 0x00, 0x00, 0x87, 0x40, 0xB0, 0x07, 0x64};
    return smf(1, {t0, t1});
}

const char* kTrack0 =
    "Track 0: Track0\n"
    "001:01:000 Tempo = 500000 usec/beat\n"
    "001:01:000 Bb Major\n"
    "001:01:000 Time: 3/4 p3 = 24 p4 = 8\n"
    "001:01:000 Text:<\xE3\x83\x99\xE3\x83\xBC\xE3\x83\x88\xE3\x83\xBC\xE3\x83\x99\xE3\x83\xB3>\n";
const char* kTrack1Header = "Track 1: Lead\n";
const char* kTrack1Bar1 =
    "001:01:000 Track Name:<Lead>\n"
    "001:01:000 Sysex:Length     8 = 43 10 4C 08 00 0B 64 F7 Part1 VOLUME\n"
    "001:01:000 Chn = 01 Prog Chg:Prog No   0 Acoustic Grand Piano\n"
    "001:01:000 Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0480\n"
    "001:02:000 Chn = 01 PitchBend:Value -8192 \n";
const char* kTrack1Bar2 = "002:01:000 Chn = 01 Ctrl Chg:Data 100 Main Volume(7)\n";

#define SKIP_WITHOUT_CLI() \
    if (cliMissing()) GTEST_SKIP() << "tonvela-cli is not built"

}  // namespace

TEST(CliList, ListsEveryTrackInOrder) {
    SKIP_WITHOUT_CLI();
    TempFile f("song.mid", song());
    CliRun r = list(f.str());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, std::string(kTrack0) + kTrack1Header + kTrack1Bar1 + kTrack1Bar2);
}

TEST(CliList, TrackAndBarChoice) {
    SKIP_WITHOUT_CLI();
    TempFile f("song.mid", song());
    struct Case {
        std::string args;
        std::string out;
    };
    const Case cases[] = {
        {"--track 1", std::string(kTrack1Header) + kTrack1Bar1 + kTrack1Bar2},
        {"--track 1 --bars 2-2", std::string(kTrack1Header) + kTrack1Bar2},
        {"--track 1 --bars 2", std::string(kTrack1Header) + kTrack1Bar2},
        {"--track 1 --bars 1-1", std::string(kTrack1Header) + kTrack1Bar1},
        {"--bars 2-9", std::string("Track 0: Track0\n") + kTrack1Header + kTrack1Bar2},
        {"--bars 3-4", std::string("Track 0: Track0\n") + kTrack1Header},
    };
    for (const auto& c : cases) {
        CliRun r = list(f.str() + " " + c.args);
        EXPECT_EQ(r.code, 0) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(CliList, EncodingChoice) {
    SKIP_WITHOUT_CLI();
    TempFile f("song.mid", song());
    const std::string japanese = "Text:<\xE3\x83\x99\xE3\x83\xBC\xE3\x83\x88\xE3\x83\xBC\xE3\x83\x99\xE3\x83\xB3>";
    struct Case {
        const char* encoding;
        std::string textLine;
    };
    const Case cases[] = {
        {"auto", japanese},
        {"cp932", japanese},
        // Read as Latin-1 the bytes show as letters and (escaped) C1 controls, still one line.
        {"latin1", "Text:<\\x83x\\x81[\\x83g\\x81[\\x83x\\x83\\x93>"},
        {"utf8", "Text:<\xEF\xBF\xBDx\xEF\xBF\xBD[\xEF\xBF\xBDg\xEF\xBF\xBD[\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD>"},
    };
    for (const auto& c : cases) {
        CliRun r = list(f.str() + " --track 0 --encoding " + c.encoding);
        EXPECT_EQ(r.code, 0) << c.encoding << ": " << r.err;
        EXPECT_NE(r.out.find("001:01:000 " + c.textLine + "\n"), std::string::npos) << c.encoding << "\n" << r.out;
        EXPECT_TRUE(tonvela::isValidUtf8(r.out)) << c.encoding;
    }
}

TEST(CliList, TextsOfASongShareOneEncodingUnlessOneIsChosen) {
    SKIP_WITHOUT_CLI();
    // "Café" is no Shift_JIS; "École" alone would read as Shift_JIS half-width katakana.
    const Bytes t0 = {0x00, 0xFF, 0x01, 0x04, 'C', 'a', 'f', 0xE9};
    const Bytes t1 = {0x00, 0xFF, 0x03, 0x05, 0xC9, 'c', 'o', 'l', 'e'};
    TempFile f("latin.mid", smf(1, {t0, t1}));
    CliRun r = list(f.str());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Text:<Caf\xC3\xA9>\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Track 1: \xC3\x89" "cole\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Track Name:<\xC3\x89" "cole>\n"), std::string::npos) << r.out;
    r = list(f.str() + " --encoding cp932");
    EXPECT_NE(r.out.find("Track 1: \xEF\xBE\x89" "cole\n"), std::string::npos) << r.out;  // half-width "no"
}

TEST(CliList, EscapesCanBeToldFromTheTextAndMetaPositionsShowOnce) {
    SKIP_WITHOUT_CLI();
    // A text with a literal backslash before n and a real line feed; an unknown meta type 7F.
    const Bytes t0 = {0x00, 0xFF, 0x01, 0x07, 'a', '\\', 'n', 'b', ' ', 'c', '\n',
                      0x00, 0xFF, 0x7F, 0x02, 0x00, 0x01};
    TempFile f("escapes.mid", smf(1, {t0}));
    CliRun r = list(f.str());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Track 0: Track0\n"
                     "001:01:000 Text:<a\\\\nb c\\n>\n"
                     "001:01:000 Meta Event:Type =7F 00 01 \n");
}

TEST(CliList, ErrorsAndExitCodes) {
    SKIP_WITHOUT_CLI();
    TempFile good("good.mid", song());
    TempFile bad("bad.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 10});

    CliRun r = list(bad.str());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, bad.str() + ": Invalid header length\n");
    EXPECT_EQ(r.out, "");

    const std::string missing = (fs::temp_directory_path() / "tonvela-no-such-file.mid").string();
    r = list(missing);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(missing + ": ", 0), 0u) << r.err;

    r = list(good.str() + " --track 2");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, good.str() + ": no track 2 (the song has 2)\n");

    for (const char* usage : {"", "--track 1", "--track x", "--track -1", "--bars 0-2", "--bars 3-2", "--bars a-b",
                              "--bars 1-", "--encoding sjis", "--encoding", "--frobnicate"}) {
        const bool withFile = std::string(usage) != "" && std::string(usage) != "--track 1";
        CliRun u = list((withFile ? good.str() + " " : std::string()) + usage);
        EXPECT_EQ(u.code, 2) << usage << ": " << u.err;
        EXPECT_EQ(u.out, "") << usage;
    }
}

// Every corpus file that loads lists with one line per track and per event, all of it UTF-8;
// the XG parameter changes carry their parameter names.
TEST(CliList, EveryLoadableCorpusFile) {
    SKIP_WITHOUT_CLI();
    const fs::path dir(TONVELA_CORPUS_DIR);
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    int listed = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".mid" && ext != ".kar" && ext != ".midi" && ext != ".rmi")) continue;
        tonvela::midiSong song;
        try {
            song.load(entry.path().string());
        } catch (const tonvela::MidiError&) {
            continue;
        }
        size_t lines = 0;
        for (int i = 0; i < song.trackCount(); ++i) lines += 1 + static_cast<size_t>(song.track(i)->countEvents());

        CliRun r = list("'" + entry.path().string() + "'");
        EXPECT_EQ(r.code, 0) << entry.path() << ": " << r.err;
        EXPECT_EQ(static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')), lines) << entry.path();
        EXPECT_TRUE(tonvela::isValidUtf8(r.out)) << entry.path();
        if (entry.path().filename() == "mc_dixie031.mid") {
            EXPECT_NE(r.out.find(" 43 10 4C 08 08 07 03 F7 Part9 PART MODE\n"), std::string::npos);
            EXPECT_NE(r.out.find(" 43 10 4C 02 01 40 16 00 F7 VARIATION TYPE\n"), std::string::npos);
        }
        ++listed;
    }
    EXPECT_GT(listed, 0);
}
