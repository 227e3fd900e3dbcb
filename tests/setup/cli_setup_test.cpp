// tonvela-cli setup as a user runs it: the set-up of each channel printed, and written again.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "cli_runner.h"
#include "setup/setup_manager.h"
#include "setup_fixture.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

class CliSetup : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliMissing()) GTEST_SKIP() << "no tonvela-cli in this build";
        ASSERT_FALSE(dir.path().empty());
    }
    std::string file(const std::string& name, void (*make)(midiSong&)) {
        midiSong song;
        make(song);
        const Bytes bytes = save(song);
        const std::string path = dir.file(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string out() const { return dir.file("out.mid"); }

    TempFolder dir;
};

TEST_F(CliSetup, PrintsTheSetupOfEachChannelWithDefaultsStarred) {
    const std::string messy = file("messy.mid", loadMessySong);
    const std::string halfway = file("halfway.mid", loadHalfwaySong);
    struct Case {
        std::string args;
        std::string printed;
    } cases[] = {
        {"setup " + messy,
         "channel 1: track=1 bank=0*/0* program=5 volume=90 expression=100 pan=64* reverb=40* chorus=0* variation=40* "
         "brightness=64 harmonic=64* attack=64* release=64* decay=30 vibratoRate=64* vibratoDepth=64* vibratoDelay=64* "
         "bendRange=12\n"
         "channel 2: track=1 bank=0*/0* program=0* volume=50 expression=127* pan=64* reverb=40* chorus=0* variation=40* "
         "brightness=64* harmonic=64* attack=64* release=64* decay=64* vibratoRate=64* vibratoDepth=64* "
         "vibratoDelay=64* bendRange=2*\n"},
        // In bar 3 the volume 80 set after the first note is in force.
        {"setup " + messy + " --bar 3",
         "channel 1: track=1 bank=0*/0* program=5 volume=80 expression=100 pan=64* reverb=40* chorus=0* variation=40* "
         "brightness=64 harmonic=64* attack=64* release=64* decay=30 vibratoRate=64* vibratoDepth=64* vibratoDelay=64* "
         "bendRange=12\n"
         "channel 2: track=1 bank=0*/0* program=0* volume=50 expression=127* pan=64* reverb=40* chorus=0* variation=40* "
         "brightness=64* harmonic=64* attack=64* release=64* decay=64* vibratoRate=64* vibratoDepth=64* "
         "vibratoDelay=64* bendRange=2*\n"},
        // The expression set on the bar's first tick (after a note) is in force there.
        {"setup " + halfway + " --bar 3",
         "channel 1: track=1 bank=0*/0* program=5 volume=90 expression=80 pan=64* reverb=40* chorus=0* variation=40* "
         "brightness=64* harmonic=64* attack=64* release=64* decay=64* vibratoRate=64* vibratoDepth=64* "
         "vibratoDelay=64* bendRange=2*\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.printed);
        EXPECT_EQ(r.err, "");
    }
}

// --write replaces the messy head with the clean, staggered set-up of every channel, as Set
// does in the editor; the values stay those of the song.
TEST_F(CliSetup, WriteMakesTheHeadCleanAndKeepsItsValues) {
    const std::string in = file("messy.mid", loadMessySong);
    const CliRun before = runCli("setup " + in);
    const CliRun r = runCli("setup " + in + " " + out() + " --write");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, before.out) << "the values written";

    midiSong expected;
    loadMessySong(expected);
    const std::vector<int> channels = channelsInUse(expected);
    for (size_t i = 0; i < channels.size(); ++i)
        writeSetup(expected, headRequest(expected, readSetup(expected, channels[i], SetupMode::head), static_cast<int>(i),
                                         static_cast<int>(channels.size())));
    midiSong written;
    written.load(out());
    EXPECT_EQ(dumpSong(written), dumpSong(expected));
    // Read back, the values are the same and no longer starred where the set-up now sets them.
    const CliRun again = runCli("setup " + out());
    EXPECT_NE(again.out.find("channel 1: track=1 bank=0/0 program=5 volume=90 expression=100 pan=64 reverb=40 chorus=0 "
                             "variation=40* brightness=64 "),
              std::string::npos)
        << again.out;
}

TEST_F(CliSetup, WriteSaysWhenTheNotesLeaveNoRoom) {
    const std::string in = file("busy.mid", [](midiSong& song) {
        TrackWriter t;
        t.program(0, 2, 40).note(0, 2, 60, 100, 480);
        loadSong(song, {t});
    });
    const CliRun r = runCli("setup " + in + " " + out() + " --write");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, in + ": channel 3: no room before its first note (tick 0): the set-up ends on that tick\n");
}

TEST_F(CliSetup, FailuresLeaveOutUntouched) {
    const std::string in = file("messy.mid", loadMessySong);
    struct Case {
        std::string args;
        int code;
        std::string error;
    } cases[] = {
        {"setup " + in + " --bar 99", 1, in + ": bar 99 is not in the song (it has bars 1-"},
        {"setup " + in + " --bar 0", 1, in + ": bar 0 is not in the song (it has bars 1-"},
        {"setup " + dir.file("none.mid") + " " + out() + " --write", 1, dir.file("none.mid") + ": "},
        {"setup " + in + " " + dir.file("no/such/folder.mid") + " --write", 1, dir.file("no/such/folder.mid") + ": "},
        {"setup", 2, "usage: setup FILE [--bar N]"},
        {"setup " + in + " " + out(), 2, "usage: setup FILE [--bar N]"},
        {"setup " + in + " --write", 2, "usage: setup FILE [--bar N]"},
        {"setup " + in + " " + out() + " --write --bar 2", 2, "usage: setup FILE [--bar N]"},
        {"setup " + in + " --bar two", 2, "--bar needs a whole number (two)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        writeText(out(), "keep me");
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.code, c.code);
        if (c.code == 1)
            EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << r.err;
        else
            EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readText(out()), "keep me");
    }
}

}  // namespace
