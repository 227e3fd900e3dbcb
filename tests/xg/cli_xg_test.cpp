// tonvela-cli xg as a user runs it: the two lists in the song's own order, the marks, the errors.

#include <gtest/gtest.h>

#include <fstream>

#include "cli_runner.h"
#include "temp_folder.h"
#include "xg_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

class CliXg : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliMissing()) GTEST_SKIP() << "built without tonvela-cli";
        ASSERT_FALSE(dir.path().empty());
    }
    TempFolder dir;
};

}  // namespace

TEST_F(CliXg, ListsInFileOrderTrackByTrack) {
    // Track 1 holds a message of bar 3 and letters with a Latin-1 byte; track 2 a message of
    // bar 1 and a bitmap. The lists keep the file's order, not the times'.
    Bytes one = cat({note(1920, 0, 60, 480), sysex(1440, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x64, 0xF7}),
                     sysex(0, {0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 'C', 'a', 'f', 0xE9, 0xF7})});
    Bytes two = cat({sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0x00, 0xF7}),
                     sysex(0, {0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7}),
                     sysex(480, {0x43, 0x10, 0x4C, 0x07, 0x00, 0x00, 0x01, 0xF7})});
    const std::string path = dir.file("song.mid");
    writeBytes(path, smf(1, {Bytes{}, one, two}));
    const CliRun r = runCli("xg '" + path + "'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Messages:\n"
              "  003:01:000 MASTER VOLUME\n"
              "* 001:01:000 REVERB TYPE\n"
              "Display:\n"
              "  003:01:000 DISPLAY LETTER<Caf\xC3\xA9>\n"
              "  001:02:000 DISPLAY BITMAP\n");
}

TEST_F(CliXg, ASongWithoutXGAndTheErrors) {
    const std::string path = dir.file("plain.mid");
    writeBytes(path, smf(1, {note(0, 0, 60, 480)}));
    CliRun r = runCli("xg '" + path + "'");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Messages:\nDisplay:\n");

    r = runCli("xg '" + dir.file("missing.mid") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(dir.file("missing.mid") + ": ", 0), 0u) << r.err;

    const std::string bad = dir.file("bad.mid");
    writeText(bad, "not a MIDI file");
    r = runCli("xg '" + bad + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(bad + ": ", 0), 0u) << r.err;

    for (const char* args : {"xg", "xg a.mid b.mid", "xg --what a.mid"}) {
        r = runCli(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(r.out, "") << args;
    }
}
