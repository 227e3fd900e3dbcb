// tonvela-cli check and correct as a user runs them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/fileio.h"
#include "cli_runner.h"
#include "settings/options.h"
#include "settings/preffile.h"
#include "smf_builder.h"
#include "temp_folder.h"
#include "track_writer.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

CliRun cli(const std::string& args) { return runCli(args); }

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// Channel 1: a repeated volume (005), a data entry without a parameter (009); channel 2: a
// pedal at 100 (015).
Bytes songWithFindings() {
    TrackWriter one, two;
    one.control(0, 0, 7, 90).control(480, 0, 7, 90).control(960, 0, 6, 3);
    two.control(0, 1, 64, 100);
    return smf(1, {Bytes{}, one.bytes(), two.bytes()});
}

const std::string kLines =
    "005 Same Control Value 1/001:02:000 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)\n"
    "009 Invalid Data Entry 1/001:03:000 Chn = 01 Ctrl Chg:Data   3 Data Entry MSB(6)\n"
    "015 ON/OFF switch should be 0 or 127 2/001:01:000 Chn = 02 Ctrl Chg:Data 100 Sustain(64)\n";

class CliCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliMissing()) GTEST_SKIP() << "built without tonvela-cli";
        ASSERT_FALSE(dir.path().empty());
        song = dir.file("song.mid");
        writeBytes(song, songWithFindings());
    }
    TempFolder dir;
    std::string song;
};

TEST_F(CliCheck, CheckPrintsTheReportAndExits3WhenSomethingIsFound) {
    CliRun r = cli("check " + song);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, kLines);
    EXPECT_EQ(r.err, "Check Done ( 3 events found )\n");
}

TEST_F(CliCheck, CheckOfACleanSongExits0) {
    TrackWriter w;
    w.note(0, 0, 60, 100, 480);
    const std::string clean = dir.file("clean.mid");
    writeBytes(clean, smf(1, {Bytes{}, w.bytes()}));
    CliRun r = cli("check " + clean);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Check Done ( 0 events found )\n");
}

TEST_F(CliCheck, ChannelsLimitTheCheck) {
    CliRun r = cli("check " + song + " --channels 2-16");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "015 ON/OFF switch should be 0 or 127 2/001:01:000 Chn = 02 Ctrl Chg:Data 100 Sustain(64)\n");
    EXPECT_EQ(cli("check " + song + " --channels 3").code, 0);
    for (const char* bad : {"0-2", "2-1", "5-17", "x", "1-"}) {
        CliRun b = cli("check " + song + " --channels " + bad);
        EXPECT_EQ(b.code, 2) << bad;
        EXPECT_NE(b.err.find("--channels"), std::string::npos) << bad;
    }
}

TEST_F(CliCheck, SettingsComeFromOptionPrf) {
    Options o;
    o.detectSameControlValue = false;
    o.detectInvalidDataEntry = false;
    writePrefLines(dir.file("option.prf"), formatOptionPrefs(o, 0, 0, 400, 300));
    CliRun r = cli("check " + song + " --settings " + dir.path());
    EXPECT_EQ(r.out, "015 ON/OFF switch should be 0 or 127 2/001:01:000 Chn = 02 Ctrl Chg:Data 100 Sustain(64)\n");

    // A file of a newer version is refused with the editor's message; the defaults stand.
    writePrefLines(dir.file("option.prf"), {"0010", "0", "0"});
    r = cli("check " + song + " --settings " + dir.path());
    EXPECT_EQ(r.out, kLines);
    EXPECT_NE(r.err.find("Illegal data version.  Use latest version of MIDI Tonvela."), std::string::npos);

    r = cli("check " + song + " --settings " + dir.file("nowhere"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, dir.file("nowhere") + ": no such settings folder\n");
}

TEST_F(CliCheck, ALoadErrorExits1AndUsageErrorsExit2) {
    const std::string broken = dir.file("broken.mid");
    writeBytes(broken, {'M', 'T', 'h', 'd', 0});
    CliRun r = cli("check " + broken);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(broken + ": ", 0), 0u) << r.err;
    EXPECT_EQ(cli("check").code, 2);
    EXPECT_EQ(cli("check " + song + " --bars 1").code, 2);
}

TEST_F(CliCheck, CorrectWritesTheCorrectedSongAndPrintsTheLinesLeft) {
    const std::string out = dir.file("out.mid");
    CliRun r = cli("correct " + song + " " + out);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "") << "every line was ticked and corrected";
    EXPECT_EQ(r.err, "Correct Done.\n");
    CliRun again = cli("check " + out);
    EXPECT_EQ(again.code, 3);
    EXPECT_EQ(again.out, "009 Invalid Data Entry 1/001:03:000 Chn = 01 Ctrl Chg:Data   3 Data Entry MSB(6)\n")
        << "a data entry is never repaired";
}

TEST_F(CliCheck, CorrectOnlyTheListedChecks) {
    const std::string out = dir.file("out.mid");
    CliRun r = cli("correct " + song + " " + out + " --only 015,5");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "009 Invalid Data Entry 1/001:03:000 Chn = 01 Ctrl Chg:Data   3 Data Entry MSB(6)\n");
    EXPECT_EQ(r.err, "Correct Done.\n");
    for (const char* bad : {"018", "0", "5,,9", "abc", "0001"}) EXPECT_EQ(cli("correct " + song + " " + out + " --only " + bad).code, 2) << bad;
}

TEST_F(CliCheck, CorrectLeavesOutUntouchedOnError) {
    const std::string out = dir.file("out.mid");
    writeBytes(out, {'k', 'e', 'e', 'p'});
    const std::string broken = dir.file("broken.mid");
    writeBytes(broken, {'M', 'T', 'h', 'd'});
    CliRun r = cli("correct " + broken + " " + out);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(readFileBytes(out), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));

    // OUT that cannot be written.
    std::filesystem::create_directories(dir.file("folder.mid"));
    r = cli("correct " + song + " " + dir.file("folder.mid"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(dir.file("folder.mid") + ": ", 0), 0u) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.mid")));
    EXPECT_EQ(readFileBytes(song), songWithFindings()) << "IN is never written";
}

}  // namespace
