// tonvela-cli info / dump / convert as a user runs them.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "cli_runner.h"
#include "smf_builder.h"

using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

CliRun cli(const std::string& args) { return runCli(args); }

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() / ("tonvela-cli-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name, const Bytes& bytes) const {
        std::string p = (path / name).string();
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return p;
    }
};

}  // namespace

TEST(CliSong, InfoSummarisesTheSong) {
    if (cliMissing()) GTEST_SKIP();
    TempDir dir;
    std::string f = dir.file("waltz.mid", smf(1, {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},
                                                 {0x00, 0xFF, 0x03, 0x04, 'L', 'e', 'a', 'd', 0x00, 0x90, 0x3C, 0x40,
                                                  0x83, 0x60, 0x3C, 0x00}}));
    CliRun r = cli("info " + f);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "format: 1\ntimeBase: 480\ntracks: 2\nbars: 3\ntitle: waltz\nsystemFlags: 0\nmasterTune: 0\n"
              "firstNoteTime: 0\nsongEnd: 480\ntrack 0: Track0[] events=1 notes=0 end=0\n"
              "track 1: Lead[1] events=2 notes=1 end=480\n");
}

TEST(CliSong, DumpPrintsOneLinePerEvent) {
    if (cliMissing()) GTEST_SKIP();
    TempDir dir;
    std::string f = dir.file("a.mid", smf(1, {{0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x00, 0xFF, 0x01, 0x00},
                                             {0x00, 0xE1, 0x00, 0x00, 0x83, 0x60, 0xB1, 0x07, 0x64, 0x00, 0xC1, 0x05,
                                              0x00, 0xD1, 0x10, 0x00, 0xA1, 0x3C, 0x20, 0x87, 0x40, 0x91, 0x3C, 0x40,
                                              0x60, 0x3C, 0x00}}));
    CliRun r = cli("dump " + f);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "0 0 001:01:000 k3 F0 sysex=4310F7\n"
              "0 0 001:01:000 k16 FF meta=01 data=\n"
              "1 0 001:01:000 k9 E1 bend=-8192\n"
              "1 480 001:02:000 k5 B1 ctrl=7 val=100\n"
              "1 480 001:02:000 k10 C1 prog=5\n"
              "1 480 001:02:000 k4 D1 pressure=16\n"
              "1 480 001:02:000 k8 A1 note=60 pressure=32\n"
              "1 1440 001:04:000 k6 91 note=60 vel=64 dur=96\n");
    CliRun one = cli("dump " + f + " --track 0");
    EXPECT_EQ(one.out, "0 0 001:01:000 k3 F0 sysex=4310F7\n0 0 001:01:000 k16 FF meta=01 data=\n");
}

TEST(CliSong, ErrorsAndExitCodes) {
    if (cliMissing()) GTEST_SKIP();
    TempDir dir;
    std::string bad = dir.file("bad.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 10});
    std::string good = dir.file("good.mid", smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}}));
    std::string out = (dir.path / "out.mid").string();
    std::ofstream(out) << "keep me";

    CliRun r = cli("info " + bad);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, bad + ": Invalid header length\n");

    r = cli("convert " + bad + " " + out);
    EXPECT_EQ(r.code, 1);
    std::ifstream kept(out);
    std::string contents((std::istreambuf_iterator<char>(kept)), {});
    EXPECT_EQ(contents, "keep me");

    EXPECT_EQ(cli("convert " + good).code, 2);
    EXPECT_EQ(cli("convert " + good + " " + out + " --format 2").code, 2);
    EXPECT_EQ(cli("info").code, 2);
    EXPECT_EQ(cli("frobnicate").code, 2);
    EXPECT_EQ(cli("dump " + good + " --track x").code, 2);
    EXPECT_EQ(cli("dump " + good + " --track 5").code, 1);
    EXPECT_EQ(cli("info " + (dir.path / "missing.mid").string()).code, 1);

    r = cli("convert " + good + " " + out + " --format 0");
    EXPECT_EQ(r.code, 0) << r.err;
    CliRun info = cli("info " + out);
    EXPECT_NE(info.out.find("format: 0\n"), std::string::npos);
    EXPECT_NE(info.out.find("tracks: 17\n"), std::string::npos);
}

TEST(CliSong, RecoverReportsRepairs) {
    if (cliMissing()) GTEST_SKIP();
    TempDir dir;
    std::string f = dir.file("cut.mid", cat({header(1, 2), trackChunk({0x00, 0x90, 0x3C, 0x40})}));
    CliRun broken = cli("info " + f);
    EXPECT_EQ(broken.code, 1);
    // Without --recover the message says where the file broke.
    EXPECT_EQ(broken.err, f + ": Couldn't find MIDI Track block (track 1 of the 2 the header announces, at byte 30)\n");
    CliRun r = cli("info --recover " + f);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, f + ": repaired: the header announces 2 tracks; the file holds 1\n");
}
