#include <gtest/gtest.h>

#include "settings/mainprefs.h"
#include "settings/preffile.h"
#include "temp_folder.h"

using namespace tonvela;
using Lines = std::vector<std::string>;

TEST(MainPrefs, WritesVersionPlaceDatesAndTheHistoryOldestFirst) {
    FileHistory h;
    for (const char* p : {"/a.mid", "/b.mid", "/c.mid"}) h.add(p);  // newest first: C, B, A
    MainPrefs prefs;
    prefs.effectsDate = 45000.25;
    prefs.manualDate = 45001.5;
    Lines lines = formatMainPrefs({10, 20, 800, 600}, prefs, h);
    EXPECT_EQ(lines, (Lines{"0003", "10", "20", "800", "600", "45000.25", "45001.5", "3", "/a.mid",
                            "/b.mid", "/c.mid", "0"}));

    FileHistory back;
    MainPrefs read = readMainPrefs(lines, back);
    EXPECT_EQ(back.entries(), (Lines{"/c.mid", "/b.mid", "/a.mid"}));
    ASSERT_TRUE(read.place.has_value());
    EXPECT_EQ(read.place->top, 10);
    EXPECT_EQ(read.place->left, 20);
    EXPECT_EQ(read.place->width, 800);
    EXPECT_EQ(read.place->height, 600);
    EXPECT_DOUBLE_EQ(read.effectsDate, 45000.25);
    EXPECT_DOUBLE_EQ(read.manualDate, 45001.5);
}

TEST(MainPrefs, OlderVersionsReadOnlyTheLinesTheyHave) {
    const Lines tail = {"45000.5", "45001.5", "1", "/x.mid"};
    struct Case {
        const char* version;
        double effects, manual;
        size_t history;
    };
    const Case cases[] = {
        {"0000", 0, 0, 0},
        {"0001", 45000.5, 0, 0},
        {"0002", 45000.5, 45001.5, 0},
        {"0003", 45000.5, 45001.5, 1},
        {"0007", 45000.5, 45001.5, 1},  // main.prf has no newest-version limit
    };
    for (const Case& c : cases) {
        Lines lines = {c.version, "1", "2", "300", "400"};
        lines.insert(lines.end(), tail.begin(), tail.end());
        FileHistory h;
        MainPrefs p = readMainPrefs(lines, h);
        ASSERT_TRUE(p.place.has_value()) << c.version;
        EXPECT_EQ(p.place->width, 300) << c.version;
        EXPECT_DOUBLE_EQ(p.effectsDate, c.effects) << c.version;
        EXPECT_DOUBLE_EQ(p.manualDate, c.manual) << c.version;
        EXPECT_EQ(h.entries().size(), c.history) << c.version;
    }
}

TEST(MainPrefs, AShortOrDamagedFileKeepsWhatItHas) {
    FileHistory h;
    MainPrefs p = readMainPrefs({"0003", "5", "6"}, h);
    EXPECT_FALSE(p.place.has_value());
    p = readMainPrefs({"0003", "5", "6", "7", "8", "junk", "45000", "9", "/only.mid"}, h);
    ASSERT_TRUE(p.place.has_value());
    EXPECT_DOUBLE_EQ(p.effectsDate, 0);
    EXPECT_DOUBLE_EQ(p.manualDate, 45000);
    EXPECT_EQ(h.entries(), (Lines{"/only.mid"}));  // count 9, one line present
}

TEST(MainPrefs, AMaximisedWindowIsALineAfterTheHistoryThatOlderFilesLack) {
    FileHistory h;
    h.add("/a.mid");
    Lines lines = formatMainPrefs({10, 20, 800, 600, true}, MainPrefs{}, h);
    EXPECT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "0003") << "readers that stop after the history still take the file";
    EXPECT_EQ(lines.back(), "1");
    FileHistory back;
    MainPrefs read = readMainPrefs(lines, back);
    ASSERT_TRUE(read.place.has_value());
    EXPECT_TRUE(read.place->maximized);
    EXPECT_EQ(read.place->width, 800) << "the normal place stays in lines 2-5";

    struct Case {
        Lines lines;
        bool maximized;
    };
    const Case cases[] = {
        {{"0003", "1", "2", "300", "400", "0", "0", "1", "1"}, false},       // a history path "1", no flag
        {{"0003", "1", "2", "300", "400", "0", "0", "1", "1", "1"}, true},
        {{"0003", "1", "2", "300", "400", "0", "0", "0", "1"}, true},        // empty history
        {{"0002", "1", "2", "300", "400", "0", "0", "0", "1"}, false},       // no history, no flag
        {{"0003", "1", "2", "300", "400", "0", "0", "-4", "1"}, true},       // a broken count reads as none
    };
    for (const Case& c : cases) {
        FileHistory hc;
        MainPrefs p = readMainPrefs(c.lines, hc);
        ASSERT_TRUE(p.place.has_value());
        EXPECT_EQ(p.place->maximized, c.maximized) << ::testing::PrintToString(c.lines);
    }
}

TEST(MainPrefs, DayCountsStartAt1899December30) {
    EXPECT_DOUBLE_EQ(dayCountFromUnixSeconds(0), 25569.0);
    EXPECT_DOUBLE_EQ(dayCountFromUnixSeconds(86400 * 1.5), 25570.5);
    EXPECT_DOUBLE_EQ(readDayCount(formatDayCount(45123.456789)), 45123.456789);
}

TEST(PrefFile, LinesEndWithCrLfAndAnyLineEndReadsBack) {
    test::TempFolder dir;
    const std::string path = dir.file("main.prf");
    writePrefLines(path, {"0003", "", "x y"});
    EXPECT_EQ(test::readText(path), "0003\r\n\r\nx y\r\n");
    EXPECT_EQ(readPrefLines(path), (Lines{"0003", "", "x y"}));
    test::writeText(path, "1\n2\r3\r\n4");
    EXPECT_EQ(readPrefLines(path), (Lines{"1", "2", "3", "4"}));
    EXPECT_FALSE(readPrefLines(dir.file("missing.prf")).has_value());
}
