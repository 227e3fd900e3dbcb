// tonvela-cli apply --group as a user runs it: the status texts, members that are missing or
// fail (reported, the rest written, exit 1), the effects folder it takes, and the same result
// as applying the members one after another.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"
#include "effect_fixture.h"
#include "effects/effect_file.h"
#include "effects/effect_group.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

const std::string kDemo = std::string(TONVELA_SOURCE_DIR) + "/examples/demo.mid";
const std::string kShipped = std::string(TONVELA_SOURCE_DIR) + "/Effects";

std::string shellArg(const std::string& s) { return "'" + s + "'"; }

std::string dumpOf(const std::string& file) { return runCli("dump " + shellArg(file)).out; }

}  // namespace

TEST(CliGroup, RunsTheMembersReportsTheFailuresAndWritesTheRest) {
    if (cliMissing()) GTEST_SKIP();
    TempFolder dir;
    const std::string effects = dir.file("fx");
    fs::create_directories(effects + "/Dynamics");
    EffectSettings later = effectOfType(3, "Later");
    later.timeShift.TSValMin = later.timeShift.TSValMax = "5";
    later.function.TrackBar1 = 0;
    saveEffect(effects + "/Dynamics/Later.fxl", later);
    saveEffectGroup(dir.file("g.fxg"), {"G", {"Dynamics\\Later.fxl", "Gone.fxl", "..\\g.fxg"}});
    const std::string out = dir.file("out.mid");

    const CliRun r = runCli("apply " + kDemo + " " + out + " --group " + dir.file("g.fxg") + " --effects " + effects +
                            " --tracks 4 --bars 1");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "Reading Dynamics\\Later.fxl\nExecuting Dynamics\\Later.fxl\n4 / 12 events hit\n"
              "Reading Gone.fxl\nReading ..\\g.fxg\nEffect done. (1 of 3 effects)\n");
    EXPECT_EQ(r.err, dir.file("g.fxg") + ": File NOT exists: Gone.fxl\n" + dir.file("g.fxg") +
                         ": Not in the effects folder: ..\\g.fxg: A group names effect files inside the effects folder only.\n");
    // What ran is written.
    const CliRun alone = runCli("apply " + kDemo + " " + dir.file("alone.mid") + " --effect " +
                                shellArg(effects + "/Dynamics/Later.fxl") + " --tracks 4 --bars 1");
    ASSERT_EQ(alone.code, 0) << alone.err;
    EXPECT_EQ(dumpOf(out), dumpOf(dir.file("alone.mid")));
}

TEST(CliGroup, AShippedGroupGivesWhatItsMembersGiveOneAfterAnother) {
    if (cliMissing()) GTEST_SKIP();
    TempFolder dir;
    const std::string group = kShipped + "/Guitar/Guitar strum.fxg";
    const CliRun r = runCli("apply " + kDemo + " " + dir.file("group.mid") + " --group " + shellArg(group) +
                            " --effects " + kShipped + " --tracks 1-2 --bars 3-10");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(r.out.rfind("Effect done.")), "Effect done.\n");

    std::string in = kDemo;
    int step = 0;
    for (const std::string& member : loadEffectGroup(group).members) {
        std::string path = member;
        std::replace(path.begin(), path.end(), '\\', '/');
        const std::string next = dir.file("step" + std::to_string(++step) + ".mid");
        const CliRun one = runCli("apply " + shellArg(in) + " " + next + " --effect " + shellArg(kShipped + "/" + path) +
                                  " --tracks 1-2 --bars 3-10");
        ASSERT_EQ(one.code, 0) << one.err;
        in = next;
    }
    EXPECT_EQ(step, 3);
    const std::string grouped = dumpOf(dir.file("group.mid"));
    EXPECT_NE(grouped, dumpOf(kDemo));
    EXPECT_TRUE(grouped == dumpOf(in)) << "the group differs from its members applied one after another";
}

TEST(CliGroup, TheEffectsFolderIsTheSettingsFoldersElseTheShippedLibrary) {
    if (cliMissing()) GTEST_SKIP();
    TempFolder dir;
    // A settings folder without effects: the shipped library serves the shipped group.
    fs::create_directories(dir.file("empty/Effects"));
    const std::string group = shellArg(kShipped + "/Dynamics/Humanise.fxg");
    const CliRun shipped = runCli("apply " + kDemo + " " + dir.file("a.mid") + " --group " + group + " --settings " +
                                  dir.file("empty"));
    EXPECT_EQ(shipped.code, 0) << shipped.err;
    // A settings folder with its own library: the members are looked up there.
    fs::create_directories(dir.file("own/Effects/Dynamics"));
    saveEffect(dir.file("own/Effects/Dynamics/Other.fxl"), effectOfType(2, "Other"));
    const CliRun own = runCli("apply " + kDemo + " " + dir.file("b.mid") + " --group " + group + " --settings " +
                              dir.file("own"));
    EXPECT_EQ(own.code, 1);
    EXPECT_NE(own.err.find("File NOT exists: Dynamics\\Humanise velocity.fxl"), std::string::npos) << own.err;
}

TEST(CliGroup, BadGroupsAndUsageLeaveTheOutputUntouched) {
    if (cliMissing()) GTEST_SKIP();
    TempFolder dir;
    const std::string out = dir.file("out.mid");
    writeText(out, "keep me");
    writeText(dir.file("empty.fxg"), "");
    writeText(dir.file("binary.fxg"), std::string("\0\1\2\3", 4));
    saveEffectGroup(dir.file("ok.fxg"), {"G", {"x.fxl"}});
    struct Case {
        std::string args;
        int code;
        std::string err;  // expected stderr, empty: not checked
    };
    const std::string head = "apply " + kDemo + " " + out;
    const Case cases[] = {
        {head + " --group " + dir.file("empty.fxg") + " --effects " + dir.path(), 1,
         dir.file("empty.fxg") + ": The effect group file is empty.\n"},
        {head + " --group " + dir.file("binary.fxg") + " --effects " + dir.path(), 1,
         dir.file("binary.fxg") + ": This is not an effect group file: line 1 holds binary data.\n"},
        {head + " --group " + dir.file("none.fxg") + " --effects " + dir.path(), 1, ""},
        {head + " --group " + dir.file("ok.fxg") + " --effects " + dir.file("nowhere"), 1,
         dir.file("nowhere") + ": no such effects folder\n"},
        {head + " --group " + dir.file("ok.fxg") + " --settings " + dir.file("nowhere"), 1,
         dir.file("nowhere") + ": no such settings folder\n"},
        {head + " --group " + dir.file("ok.fxg") + " --effect x.fxl", 2, ""},
        {head + " --group " + dir.file("ok.fxg") + " --from 1:1:0", 2, ""},
        {head + " --effect x.fxl --effects " + dir.path(), 2, ""},
    };
    for (const Case& c : cases) {
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err) << c.args;
        }
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(readText(out), "keep me") << c.args;
    }
}
