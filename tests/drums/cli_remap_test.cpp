// tonvela-cli remap as a user runs it.

#include <gtest/gtest.h>

#include <fstream>

#include "cli_runner.h"
#include "drums/change_list.h"
#include "drums_fixture.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

class CliRemap : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliMissing()) GTEST_SKIP() << "no tonvela-cli in this build";
        ASSERT_FALSE(dir.path().empty());
        const Bytes bytes = drumSong();
        std::ofstream(in(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string in() const { return dir.file("in.mid"); }
    std::string out() const { return dir.file("out.mid"); }
    CliRun remap(const std::string& args) { return runCli("remap " + in() + " " + out() + " " + args); }
    // The notes of every track of OUT, track by track.
    std::vector<std::vector<std::string>> notesOfOut() {
        midiSong song;
        song.load(out());
        std::vector<std::vector<std::string>> all;
        for (int t = 0; t < song.trackCount(); ++t) all.push_back(notesOf(*song.track(t)));
        return all;
    }

    TempFolder dir;
};

const std::vector<std::string> kPiano{"0:1:36:64/480", "480:1:60:64/480"};
const std::vector<std::string> kPerc{"0:11:36:50/240"};

}  // namespace

// Keys by number or by name; the lines printed are the dialog's; OUT holds the change.
TEST_F(CliRemap, MapsPrintTheDialogsLinesAndWriteOut) {
    struct Case {
        const char* args;
        const char* printed;
        std::vector<std::vector<std::string>> notes;
    } cases[] = {
        // Drum names (any case, blanks optional) or numbers: drums, channel 10 by default.
        {"--map 'kick short:Side Stick' --map 38:40",
         "001:01:000 Kick Short -> Side Stick\n001:02:000 Snare Short -> Snare Tight\n"
         "001:03:000 Kick Short -> Side Stick\n002:01:240 Snare Short -> Snare Tight\n",
         {{"1920:10:37:90/60"},
          {"0:10:37:100/120", "480:10:40:90/100", "960:10:37:80/110", "1440:10:42:70/60", "2160:10:40:60/30"},
          kPiano, kPerc, {}}},
        // A comma list; the first line of one source wins and the rim shot of track 0 moves too.
        {"--map 37:36,36:35,36:49",
         "002:01:000 Side Stick -> Kick Short\n001:01:000 Kick Short -> Kick Tight\n"
         "001:03:000 Kick Short -> Kick Tight\n",
         {{"1920:10:36:90/60"},
          {"0:10:35:100/120", "480:10:38:90/100", "960:10:35:80/110", "1440:10:42:70/60", "2160:10:38:60/30"},
          kPiano, kPerc, {}}},
        // Note names: the notes' list, every channel by default.
        {"--map C2:C#2 --copy",
         "001:01:000  C 2 ->  C#2\n001:03:000  C 2 ->  C#2\n001:01:000  C 2 ->  C#2\n001:01:000  C 2 ->  C#2\n",
         {{"1920:10:37:90/60"},
          {"0:10:36:100/120", "0:10:37:100/120", "480:10:38:90/100", "960:10:36:80/110", "960:10:37:80/110",
           "1440:10:42:70/60", "2160:10:38:60/30"},
          {"0:1:36:64/480", "0:1:37:64/480", "480:1:60:64/480"},
          {"0:11:36:50/240", "0:11:37:50/240"},
          {}}},
        {"--map 36:37 --channels 1,11-12",
         "001:01:000 Kick Short -> Side Stick\n001:01:000 Kick Short -> Side Stick\n",
         {{"1920:10:37:90/60"},
          {"0:10:36:100/120", "480:10:38:90/100", "960:10:36:80/110", "1440:10:42:70/60", "2160:10:38:60/30"},
          {"0:1:37:64/480", "480:1:60:64/480"},
          {"0:11:37:50/240"},
          {}}},
        {"--map 50:51", "No note chaned.\n",
         {{"1920:10:37:90/60"},
          {"0:10:36:100/120", "480:10:38:90/100", "960:10:36:80/110", "1440:10:42:70/60", "2160:10:38:60/30"},
          kPiano, kPerc, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::remove(out().c_str());
        const CliRun r = remap(c.args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.printed);
        EXPECT_EQ(notesOfOut(), c.notes);
    }
}

TEST_F(CliRemap, SearchWritesNothing) {
    const CliRun r = remap("--search --map 'Snare Short:Snare Tight'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "001:02:000 Snare Short(-> Snare Tight)\n002:01:240 Snare Short(-> Snare Tight)\n");
    EXPECT_FALSE(std::ifstream(out()).good());
    const CliRun none = runCli("remap " + in() + " --search --map 50:51");
    EXPECT_EQ(none.code, 0) << none.err;
    EXPECT_EQ(none.out, "No note found.\n");
}

// A list file brings its kind, method and channels; --channels and --copy override them.
TEST_F(CliRemap, ListFileSettingsAndOverrides) {
    DrumChangeSettings s;
    s.noteKind = kNoteKind;
    s.channels = std::bitset<16>().set(0);
    s.mappings = {{60, 62}, {36, 35}};
    saveChangeList(dir.file("piano.cdl"), s);
    CliRun r = remap("--list " + dir.file("piano.cdl"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "001:01:000  C 2 ->  B 1\n001:02:000  C 4 ->  D 4\n");
    EXPECT_EQ(notesOfOut()[2], (std::vector<std::string>{"0:1:35:64/480", "480:1:62:64/480"}));

    r = remap("--list " + dir.file("piano.cdl") + " --channels 11 --copy");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "001:01:000  C 2 ->  B 1\n");
    EXPECT_EQ(notesOfOut()[3], (std::vector<std::string>{"0:11:36:50/240", "0:11:35:50/240"}));

    // A newer list is read with a warning.
    std::string text = formatChangeList(s);
    text.replace(0, 4, "0002");
    writeText(dir.file("newer.cdl"), text);
    r = remap("--search --list " + dir.file("newer.cdl"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, dir.file("newer.cdl") + ": This data is made by NEWER Version. May fail to read this Effect.\n");
}

// Failures leave OUT unwritten: a broken list (exit 1), a song that does not load (1), and
// usage errors (2).
TEST_F(CliRemap, RefusalsWriteNothing) {
    writeText(dir.file("bad.cdl"), "0000\r\n0\r\n0\r\n");
    struct Case {
        std::string args;
        int code;
        std::string err;  // start of standard error
    } cases[] = {
        {"--list " + dir.file("bad.cdl"), 1,
         dir.file("bad.cdl") + ": The change list ends early: line 4 (Channel 1) is missing."},
        {"--list " + dir.file("none.cdl"), 1, dir.file("none.cdl") + ": "},
        {"", 2, "tonvela-cli remap: usage: remap IN OUT"},
        {"--map 36:37 --list " + dir.file("bad.cdl"), 2, "tonvela-cli remap: usage: remap IN OUT"},
        {"--map 36", 2, "tonvela-cli remap: --map takes FROM:TO (36)"},
        {"--map 36:128", 2, "tonvela-cli remap: --map 36:128: \"128\" is neither a key 0..127 nor a drum or note name"},
        {"--map 'Kick:Snare'", 2, "tonvela-cli remap: --map Kick:Snare: \"Kick\" is neither"},
        {"--map 36:37 --channels 0", 2, "tonvela-cli remap: --channels takes channels 1..16"},
        {"--map 36:37 --channels 14-12", 2, "tonvela-cli remap: --channels: 14-12 runs backwards"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = remap(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::ifstream(out()).good());
    }
    const CliRun missing = runCli("remap " + dir.file("nothing.mid") + " " + out() + " --map 36:37");
    EXPECT_EQ(missing.code, 1);
    EXPECT_FALSE(std::ifstream(out()).good());
}
