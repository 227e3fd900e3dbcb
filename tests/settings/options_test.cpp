#include <gtest/gtest.h>

#include "settings/options.h"

using namespace tonvela;
using Lines = std::vector<std::string>;

namespace {

// A file of `version` whose every check box line says 1 where the defaults would differ in
// at least one place, laid out as that version has it.
Lines fileOfVersion(int version) {
    char v[8];
    std::snprintf(v, sizeof v, "%04d", version);
    Lines l = {v, "120", "140", "999", "888", "0", "7", "0", "5", "1", "3", "40"};
    if (version >= 1) l.insert(l.end(), {"0", "0", "0", "0", "0", "0", "2", "0"});
    if (version >= 2) l.insert(l.end(), {"0", "0", "0"});
    if (version >= 3) l.push_back("25");
    if (version >= 4) l.insert(l.end(), {"1", "1"});
    if (version >= 5) l.push_back("1");
    if (version >= 6) l.insert(l.end(), {"(C) One", "", "(C) Three"});
    if (version >= 7) l.push_back("1");
    if (version >= 8) l.push_back("1");
    if (version >= 9) l.push_back("250");
    return l;
}

}  // namespace

TEST(OptionPrefs, WritesAll33LinesAndReadsThemBack) {
    Options o;
    o.historyCount = 33;
    o.dispInterval = "250";
    o.makeBackup = false;
    o.extension = 2;
    o.detectIllegalVel = true;
    o.illegalVeloMax = 100;
    o.ineffectivePitchbend = true;
    o.editName2 = "(C) Me";
    Lines lines = formatOptionPrefs(o, 11, 22, 333, 444);
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[0], "0009");
    EXPECT_EQ(lines[6], "0");  // line 7
    EXPECT_EQ(lines[18], "2");  // line 19: Extension
    EXPECT_EQ(lines[23], "33");  // line 24: history count
    EXPECT_EQ(lines[28], "(C) Me");  // line 29
    EXPECT_EQ(lines[32], "250");  // line 33

    Options back;
    DialogPosition pos;
    EXPECT_EQ(readOptionPrefs(lines, back, pos), OptionPrefsStatus::Read);
    EXPECT_EQ(formatOptionPrefs(back, 11, 22, 333, 444), lines);
    EXPECT_TRUE(pos.known);
    EXPECT_EQ(pos.top, 11);
    EXPECT_EQ(pos.left, 22);
}

TEST(OptionPrefs, Version3TurnsTheNewerDetectionsOffAndKeepsNamesAndInterval) {
    Options o;  // defaults: the four newer detections are on
    ASSERT_TRUE(o.detectNoteOnandOtherEvent && o.noteonWhileVol0 && o.invalidOnOff && o.nonefctPB);
    DialogPosition pos;
    ASSERT_EQ(readOptionPrefs(fileOfVersion(3), o, pos), OptionPrefsStatus::Read);
    EXPECT_FALSE(o.detectNoteOnandOtherEvent);
    EXPECT_FALSE(o.noteonWhileVol0);
    EXPECT_FALSE(o.invalidOnOff);
    EXPECT_FALSE(o.nonefctPB);
    EXPECT_FALSE(o.ineffectivePitchbend);
    EXPECT_EQ(o.historyCount, 25);
    EXPECT_EQ(o.editName1, "");
    EXPECT_EQ(o.dispInterval, "1000");
}

TEST(OptionPrefs, EachVersionReadsItsGroupsAndGivesOlderValuesToTheRest) {
    for (int v = 0; v <= 9; ++v) {
        Options o;
        o.editName1 = "kept";
        DialogPosition pos;
        ASSERT_EQ(readOptionPrefs(fileOfVersion(v), o, pos), OptionPrefsStatus::Read) << v;
        // Lines 6-12 are in every version.
        EXPECT_FALSE(o.deleteDuplicatedNote) << v;
        EXPECT_EQ(o.minimumDur, 5) << v;
        EXPECT_TRUE(o.detectIllegalVel) << v;
        EXPECT_EQ(o.illegalVeloMax, 40) << v;
        // 13-20: all on and Extension 1 for version 0.
        EXPECT_EQ(o.makeBackup, v == 0) << v;
        EXPECT_EQ(o.extension, v == 0 ? 1 : 2) << v;
        EXPECT_EQ(o.detectSameBendValue, v == 0) << v;
        EXPECT_EQ(o.checkInitial, v < 2) << v;
        EXPECT_EQ(o.historyCount, v < 3 ? 10 : 25) << v;
        EXPECT_EQ(o.detectNoteOnandOtherEvent, v >= 4) << v;
        EXPECT_EQ(o.invalidOnOff, v >= 5) << v;
        EXPECT_EQ(o.editName1, v >= 6 ? "(C) One" : "kept") << v;
        EXPECT_EQ(o.editName3, v >= 6 ? "(C) Three" : "") << v;
        EXPECT_EQ(o.nonefctPB, v >= 7) << v;
        EXPECT_EQ(o.ineffectivePitchbend, v >= 8) << v;
        EXPECT_EQ(o.dispInterval, v == 9 ? "250" : "1000") << v;
    }
}

TEST(OptionPrefs, ANewerVersionIsRefusedAndNothingChanges) {
    Lines lines = fileOfVersion(9);
    lines[0] = "0010";
    Options o;
    DialogPosition pos;
    EXPECT_EQ(readOptionPrefs(lines, o, pos), OptionPrefsStatus::NewerVersion);
    EXPECT_EQ(formatOptionPrefs(o, 0, 0, 0, 0), formatOptionPrefs(Options{}, 0, 0, 0, 0));
    EXPECT_FALSE(pos.known);
    EXPECT_STREQ(kNewerOptionVersion, "Illegal data version.  Use latest version of MIDI Tonvela.");
}

TEST(OptionPrefs, AShortFileKeepsWhatWasReadAndTheRestAsBefore) {
    Lines lines = fileOfVersion(9);
    lines.resize(24);  // ends after the history count
    Options o;
    DialogPosition pos;
    EXPECT_EQ(readOptionPrefs(lines, o, pos), OptionPrefsStatus::Short);
    EXPECT_EQ(o.historyCount, 25);               // read
    EXPECT_TRUE(o.detectNoteOnandOtherEvent);    // not reached: unchanged
    EXPECT_EQ(o.dispInterval, "1000");
}

TEST(OptionPrefs, UnreadableNumbersLeaveTheirSettingAndSpinsAreClamped) {
    Lines lines = fileOfVersion(9);
    lines[8] = "lots";   // UpDown1
    lines[11] = "500";   // UpDown3 above 127
    lines[23] = "0";     // history count below 1
    Options o;
    DialogPosition pos;
    EXPECT_EQ(readOptionPrefs(lines, o, pos), OptionPrefsStatus::Read);
    EXPECT_EQ(o.minimumDur, 2);
    EXPECT_EQ(o.illegalVeloMax, 127);
    EXPECT_EQ(o.historyCount, 1);
    Options fresh;
    EXPECT_EQ(readOptionPrefs({"x"}, fresh, pos), OptionPrefsStatus::Unreadable);
    EXPECT_EQ(readOptionPrefs({}, fresh, pos), OptionPrefsStatus::Unreadable);
}

TEST(OptionPrefs, DisplayIntervalNegativeBecomesZero) {
    const std::pair<const char*, const char*> texts[] = {
        {"-5", "0"}, {"0", "0"}, {"250", "250"}, {"abc", "abc"}, {"", ""}};
    for (auto [in, out] : texts) EXPECT_EQ(normalizedDispInterval(in), out) << in;
    EXPECT_EQ(dispIntervalMs("250"), 250);
    EXPECT_EQ(dispIntervalMs("abc"), 1000);
    Lines lines = fileOfVersion(9);
    lines[32] = "-5";
    Options o;
    DialogPosition pos;
    readOptionPrefs(lines, o, pos);
    EXPECT_EQ(o.dispInterval, "0");
}
