// tonvela-cli ports / play / render as a user runs them.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "cli_runner.h"
#include "output/synth.h"
#include "smf_builder.h"
#include "track_writer.h"

namespace {

namespace fs = std::filesystem;
using tonvela::test::Bytes;
using tonvela::test::TrackWriter;
using Lines = std::vector<std::string>;

using tonvela::test::CliRun;
CliRun shell(const std::string& command) { return tonvela::test::runShell(command); }

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The capture's byte columns, without the times.
Lines captureBytes(const fs::path& p) {
    Lines out;
    std::istringstream in(slurp(p));
    for (std::string line; std::getline(in, line);) out.push_back(line.substr(line.find(' ') + 1));
    return out;
}

class CliPlay : public testing::Test {
protected:
    void SetUp() override {
        if (tonvela::test::cliMissing()) GTEST_SKIP() << "built without tonvela-cli";
        dir = fs::temp_directory_path() /
              ("tonvela-play-" + std::to_string(::getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        // Bars of 1920 ticks at 48000 µs a quarter: 192 ms a bar. Track 1 on channel 1, track 2 on 2.
        TrackWriter conductor;
        conductor.tempo(0, 48000);
        TrackWriter one;
        one.program(0, 0, 5).note(0, 0, 60, 100, 480).control(1920, 0, 7, 90).note(1920, 0, 62, 100, 480).note(3840, 0, 64, 100, 480);
        TrackWriter two;
        two.program(0, 1, 40).note(1920, 1, 48, 100, 480);
        Bytes bytes = tonvela::test::smf(1, {conductor.bytes(), one.bytes(), two.bytes()});
        song = (dir / "song.mid").string();
        std::ofstream(song, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string song;
};

TEST_F(CliPlay, PortsListsTheSynthesizerFirst) {
    CliRun r = shell("CLI ports");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "FluidSynth MIDI Mapper");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliPlay, SelectedBarsOfOneTrackToTheCapturePort) {
    fs::path cap = dir / "cap.txt";
    CliRun r = shell("CLI play " + song + " --tracks 1 --bars 2-2 --capture " + cap.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Making Play List...\nPreparing...\nPlaying...\nPlay done.\n");
    Lines bytes = captureBytes(cap);
    ASSERT_GE(bytes.size(), 3u);
    // The chase comes first (programs of bar 1 in force), then bar 2 of track 1 only.
    EXPECT_EQ(bytes[0], "C0 05");
    Lines played(bytes.end() - 3, bytes.end());
    EXPECT_EQ(played, (Lines{"B0 07 5A", "90 3E 64", "90 3E 00"}));
    // Timestamps are whole microseconds in order.
    std::istringstream in(slurp(cap));
    long long previous = -1;
    for (std::string line; std::getline(in, line);) {
        long long t = std::stoll(line.substr(0, line.find(' ')));
        EXPECT_GE(t, previous);
        previous = t;
    }
}

TEST_F(CliPlay, AllAndFromBar) {
    fs::path cap = dir / "all.txt";
    ASSERT_EQ(shell("CLI play " + song + " --all --capture " + cap.string()).code, 0);
    EXPECT_EQ(captureBytes(cap), (Lines{"C0 05", "90 3C 64", "C1 28", "90 3C 00", "B0 07 5A", "90 3E 64", "91 30 64",
                                        "90 3E 00", "91 30 00", "90 40 64", "90 40 00"}));
    ASSERT_EQ(shell("CLI play " + song + " --from-bar 3 --capture " + cap.string()).code, 0);
    Lines from = captureBytes(cap);
    ASSERT_GE(from.size(), 2u);
    EXPECT_EQ(Lines(from.end() - 2, from.end()), (Lines{"90 40 64", "90 40 00"}));
}

TEST_F(CliPlay, InterruptStopsLikeTheStopButton) {
    fs::path cap = dir / "loop.txt";
    // Looping forever until Ctrl-C.
    CliRun r = shell("CLI play " + song + " --loop --capture " + cap.string() +
                     " & pid=$!; sleep 1.5; kill -INT $pid; wait $pid");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Playing...\nPlay done.\n"), std::string::npos) << r.out;
    Lines bytes = captureBytes(cap);
    ASSERT_GE(bytes.size(), 32u);
    EXPECT_EQ(bytes[bytes.size() - 32], "B0 78 00");
    EXPECT_EQ(bytes.back(), "BF 79 00");
    int starts = 0;
    for (const std::string& b : bytes) starts += b == "90 3C 64";
    EXPECT_GE(starts, 2) << "it looped before the interrupt";
}

TEST_F(CliPlay, BadInputIsAMessage) {
    struct Case {
        std::string args;
        int code;
        std::string err;
    };
    std::ofstream(dir / "junk.mid") << "not a midi file";
    const Case cases[] = {
        {"play " + (dir / "junk.mid").string(), 1, (dir / "junk.mid").string() + ": "},
        {"play " + song + " --tracks 0-1", 1, song + ": tracks 0-1 are not in the song (tracks 1-2 can be played)"},
        {"play " + song + " --bars 2-9", 1, song + ": bars 2-9 are not in the song"},
        {"play " + song + " --bars 2-1", 2, "--bars 2-1: the range is reversed (write 1-2)"},
        {"play " + song + " --tracks 5-1", 2, "--tracks 5-1: the range is reversed (write 1-5)"},
        {"play " + song + " --from-bar x", 2, "--from-bar needs a number"},
        {"play " + song + " --all --from-bar 2", 2, "two different ways of playing"},
        {"play " + song + " --tempo 2", 2, "--tempo takes"},
        {"play " + song + " --wobble", 2, "unknown option --wobble"},
        {"play " + song + " --port 5", 1, "There is no MIDI output port with this number."},
        {"render " + song, 2, "usage: render FILE -o OUT.wav"},
    };
    for (const Case& c : cases) {
        CliRun r = shell("CLI " + c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    }
}

TEST_F(CliPlay, RenderWritesAWavFile) {
    if (tonvela::findSoundFont("").empty()) GTEST_SKIP() << "no SoundFont";
    fs::path wav = dir / "out.wav";
    CliRun r = shell("CLI render " + song + " -o " + wav.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress line when stderr is not a terminal";
    EXPECT_NE(r.out.find("x real time"), std::string::npos) << r.out;
    std::string bytes = slurp(wav);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 4), "WAVE");
}

}  // namespace
