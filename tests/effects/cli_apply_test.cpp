// tonvela-cli apply and effect as a user runs them.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

#include "effect_fixture.h"
#include "effects/effect_file.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun cli(const TempFolder& dir, const std::string& args) {
    const std::string errFile = dir.file("stderr.txt");
    const std::string cmd = std::string(TONVELA_CLI_PATH) + " " + args + " 2>" + errFile;
    CliRun r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = readText(errFile);
    return r;
}

std::string writeSong(const TempFolder& dir, const std::string& name) {
    midiSong song;
    loadTracks(song, 4, {TrackBuilder().note(0, 60, 100, 50).note(1920, 62, 100, 50).note(3840, 64, 100, 50),
                         TrackBuilder().note(0, 48, 100, 50, 1)});
    std::vector<uint8_t> bytes;
    song.write(bytes);
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path;
}

std::string velocities(const std::string& path) {
    midiSong song;
    song.load(path);
    std::string out;
    for (int t = 1; t < song.trackCount(); ++t)
        for (const Note& n : notesOf(*song.track(t))) out += std::to_string(n.velocity) + " ";
    return out;
}

}  // namespace

TEST(CliApply, AppliesToTracksAndBarsAndPrintsTheStatus) {
    if (std::string(TONVELA_CLI_PATH).empty()) GTEST_SKIP();
    TempFolder dir;
    const std::string in = writeSong(dir, "in.mid");
    const std::string out = dir.file("out.mid");
    EffectSettings s = effectOfType(2, "Loud");
    s.velocity.ChangeMethod = 1;
    s.velocity.VeloModScaling = 0;
    s.function.TrackBar1 = 0;  // flat curve at 0 cut up to the minimum
    s.velocity.VeloRangeMin = "99";
    saveEffect(dir.file("loud.fxl"), s);

    CliRun all = cli(dir, "apply " + in + " " + out + " --effect " + dir.file("loud.fxl"));
    EXPECT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out, "4 / 4 events hit\n");
    EXPECT_EQ(velocities(out), "99 99 99 99 ");

    CliRun part = cli(dir, "apply " + in + " " + out + " --effect " + dir.file("loud.fxl") + " --tracks 1 --bars 2-3");
    EXPECT_EQ(part.code, 0) << part.err;
    EXPECT_EQ(part.out, "2 / 2 events hit\n");
    EXPECT_EQ(velocities(out), "50 99 99 50 ");

    // The range fields as a user edits them: from bar 2 beat 1 to bar 2 beat 1 tick 0.
    CliRun typed = cli(dir, "apply " + in + " " + out + " --effect " + dir.file("loud.fxl") + " --from 2:1:0 --to 2:1:0");
    EXPECT_EQ(typed.code, 0) << typed.err;
    EXPECT_EQ(typed.out, "1 / 1 events hit\n");
    EXPECT_EQ(velocities(out), "50 99 50 50 ");

    EffectSettings chords = effectOfType(7);
    saveEffect(dir.file("stroke.fxl"), chords);
    CliRun stroke = cli(dir, "apply " + in + " " + out + " --effect " + dir.file("stroke.fxl"));
    EXPECT_EQ(stroke.out, "0 chords processed\n");
}

TEST(CliApply, ErrorsLeaveTheOutputUntouched) {
    if (std::string(TONVELA_CLI_PATH).empty()) GTEST_SKIP();
    TempFolder dir;
    const std::string in = writeSong(dir, "in.mid");
    const std::string out = dir.file("out.mid");
    writeText(out, "keep me");
    EffectSettings bad = effectOfType(0);
    bad.addEvent.NoteMin = "low";
    saveEffect(dir.file("bad.fxl"), bad);
    EffectSettings zero = effectOfType(0);  // only Add Events files carry the interval
    zero.addEvent.Distance = "0";
    saveEffect(dir.file("zero.fxl"), zero);
    writeText(dir.file("broken.fxl"), "0009\r\nEcho\r\nE\r\n\"\"\r\n150\r\nTick\r\nmany\r\n");
    EffectSettings fine = effectOfType(2);
    saveEffect(dir.file("fine.fxl"), fine);

    struct Case {
        std::string args;
        int code;
        std::string err;  // expected stderr, empty: not checked
    };
    const std::string fx = " --effect ";
    const Case cases[] = {
        {in + " " + out + fx + dir.file("bad.fxl"), 1, dir.file("bad.fxl") + ": NoteMin: Integer Only (not an integer: low)\n"},
        {in + " " + out + fx + dir.file("zero.fxl"), 1,
         dir.file("zero.fxl") + ": the effect cannot be applied: its interval (Distance) is not a number above 0\n"},
        {in + " " + out + fx + dir.file("broken.fxl"), 1,
         dir.file("broken.fxl") + ": The effect file is broken: line 7 (EchoCount) is not a number: many\n"},
        {in + " " + out + fx + dir.file("missing.fxl"), 1, ""},
        {dir.file("missing.mid") + " " + out + fx + dir.file("fine.fxl"), 1, ""},
        {in + " " + out + fx + dir.file("fine.fxl") + " --tracks 2-5", 1,
         in + ": tracks 2-5 are not in the song (it has tracks 0-2)\n"},
        {in + " " + out + fx + dir.file("fine.fxl") + " --bars 9", 1, in + ": bars 9-9 are not in the song (it has bars 1-7)\n"},
        {in + " " + out + fx + dir.file("fine.fxl") + " --bars 2-1", 2,
         "tonvela-cli apply: --bars 2-1: the range is reversed (write 1-2)\n"},
        {in + " " + out + fx + dir.file("fine.fxl") + " --tracks 5-1", 2,
         "tonvela-cli apply: --tracks 5-1: the range is reversed (write 1-5)\n"},
        {in + " " + out + fx + dir.file("fine.fxl") + " --from 2000000:1:0", 1,
         in + ": Position out of range: 2000000:1:0\n"},
        {in + " " + out, 2, ""},
        {in + " " + out + fx + dir.file("fine.fxl") + " --tracks one", 2, ""},
        {in + " " + out + fx + dir.file("fine.fxl") + " --from 2:1", 2, ""},
        {in + fx + dir.file("fine.fxl"), 2, ""},
    };
    for (const Case& c : cases) {
        CliRun r = cli(dir, "apply " + c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readText(out), "keep me");
    }
}

TEST(CliEffect, PrintsTheEffectAsLoaded) {
    if (std::string(TONVELA_CLI_PATH).empty()) GTEST_SKIP();
    TempFolder dir;
    writeText(dir.file("old.fxl"), "0008\r\nModify Duration\r\nLegato\r\n\"Fade in\",Slow\r\n0\r\n127\r\n1\r\n9999\r\n"
                                  "Tick\r\n2\r\n100\r\n100\r\n9999\r\n1\r\nElement End\r\n");
    CliRun r = cli(dir, "effect " + dir.file("old.fxl"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "type: Modify Duration\nname: Legato\ndescription: Fade in\ndescription: Slow\n"
              "durFilterNoteMin=0\ndurFilterNoteMax=127\ndurFilterDurMin=1\ndurFilterDurMax=9999\n"
              "modifydurComboBox1=Tick\ndurChangeMethod=Tenuto(%)\ndurPercent=100\nDurValue=100\ndurMaxLimit=9999\n"
              "durMinLimit=1\nSingleNote=0\n");
    writeText(dir.file("new.fxl"), "0012\r\nSomething Else\r\nX\r\n\r\n");
    CliRun newer = cli(dir, "effect " + dir.file("new.fxl"));
    EXPECT_EQ(newer.code, 0);
    EXPECT_EQ(newer.out, "type: \nname: X\n");
    EXPECT_EQ(newer.err, dir.file("new.fxl") + ": This data is made by NEWER Version. May fail to read this Effect.\n");
    CliRun bad = cli(dir, "effect " + dir.file("nothing.fxl"));
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err.rfind(dir.file("nothing.fxl") + ": ", 0), 0u);
    EXPECT_EQ(cli(dir, "effect").code, 2);
}
