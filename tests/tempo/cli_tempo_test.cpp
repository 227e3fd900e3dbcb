// tonvela-cli tempo as a user runs it.

#include <gtest/gtest.h>

#include <fstream>

#include "cli_runner.h"
#include "temp_folder.h"
#include "tempo_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

class CliTempo : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliMissing()) GTEST_SKIP() << "no tonvela-cli in this build";
        ASSERT_FALSE(dir.path().empty());
        // Eight bars; 120 bpm, 500001 from bar 2, 600000 from the middle of bar 3.
        const Bytes bytes = tempoSong(8, {{0, 500000}, {1920, 500001}, {4800, 600000}});
        std::ofstream(in(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string in() const { return dir.file("in.mid"); }
    std::string out() const { return dir.file("out.mid"); }
    CliRun tempo(const std::string& args) { return runCli("tempo " + in() + " " + out() + " " + args); }
    std::vector<std::string> temposOfOut() {
        midiSong song;
        song.load(out());
        return temposOf(song);
    }

    TempFolder dir;
};

}  // namespace

// Each tool prints the tempo changes it wrote (tick, position, microseconds, bpm) and writes OUT.
TEST_F(CliTempo, ToolsPrintTheChangesTheyWroteAndWriteOut) {
    struct Case {
        const char* args;
        const char* printed;
        std::vector<std::string> tempos;
    } cases[] = {
        {"--bars 2-3 --add 10", "1920 002:01:000 465116 129.00\n4800 003:03:000 545454 110.00\n",
         {"0:500000", "1920:465116", "4800:545454"}},
        // 500000 and 600000 are whole bpm: percent 100 leaves them, and only 500001 is written.
        {"--bars 1-8 --percent 100", "1920 002:01:000 504201 119.00\n", {"0:500000", "1920:504201", "4800:600000"}},
        {"--bars=3 --add -20.5", "4800 003:03:000 754716 79.50\n", {"0:500000", "1920:500001", "4800:754716"}},
        {"--bars 1-2 --ramp 0-100:-20:2:atempo",
         "0 001:01:000 550000 109.09\n1919 001:04:479 600000 100.00\n3839 002:04:479 500000 120.00\n",
         {"0:500000", "0:550000", "1919:600000", "1920:500001", "3839:500000", "4800:600000"}},
        {"--bars 1-2 --ramp 50-100:80%:1", "1919 001:04:479 625000 96.00\n",
         {"0:500000", "1919:625000", "1920:500001", "4800:600000"}},
        {"--bars 4-8 --add 10", "", {"0:500000", "1920:500001", "4800:600000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::remove(out().c_str());
        const CliRun r = tempo(c.args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.printed);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(temposOfOut(), c.tempos);
    }
}

// A refused result, bars the song does not have and a usage error leave OUT as it was.
TEST_F(CliTempo, FailuresLeaveOutUntouched) {
    struct Case {
        const char* args;
        int code;
        const char* errorHas;
    } cases[] = {
        {"--bars 1-2 --ramp 0-100:1%:2", 1, "50000000"},
        {"--bars 1-2 --ramp 0-100:-120:2", 1, "0 bpm"},
        {"--bars 1-2 --ramp 0-100:-20:0", 1, "add count"},
        {"--bars 5-12 --add 10", 1, "bars 5-12 are not in the song"},
        {"--bars 1-2", 2, "usage: tempo"},
        {"--bars 1-2 --add 5 --percent 90", 2, "usage: tempo"},
        {"--add 5", 2, "usage: tempo"},
        {"--bars 1-2 --add fast", 2, "--add needs a number"},
        {"--bars 1-2 --ramp 0-100:-20", 2, "--ramp takes"},
        {"--bars 1-2 --ramp 0-100:-20:2:again", 2, "--ramp takes"},
        {"--bars 1-x --add 5", 2, "--bars needs whole numbers"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        writeText(out(), "keep me");
        const CliRun r = tempo(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE(r.err.find(c.errorHas), std::string::npos) << r.err;
        if (c.code == 1) {
            EXPECT_EQ(r.err.rfind(in() + ": ", 0), 0u) << r.err;
        }
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readText(out()), "keep me");
    }
}
