#include <gtest/gtest.h>

#include "pianoroll/pnroll_prefs.h"
#include "settings/preffile.h"

using namespace tonvela;

TEST(PianoRollPrefs, VersionsBelowTwoAreReadAndNewerOnesRefused) {
    struct Case {
        std::vector<std::string> lines;
        bool place;
        std::optional<int> pane;
        bool refused;
    } cases[] = {
        {{"001", "10", "20", "640", "480", "300"}, true, 300, false},
        {{"000", "10", "20", "640", "480", "300"}, true, std::nullopt, false},  // no pane before version 1
        {{"001", "10", "20", "640"}, false, std::nullopt, false},                // short file
        {{"001", "10", "x", "640", "480", "300"}, false, 300, false},            // a bad number
        {{"002", "10", "20", "640", "480", "300"}, false, std::nullopt, true},
        {{}, false, std::nullopt, false},
    };
    for (const Case& c : cases) {
        std::string error;
        const PianoRollPrefs p = readPianoRollPrefs(c.lines, &error);
        EXPECT_EQ(p.place.has_value(), c.place) << c.lines.size();
        EXPECT_EQ(p.paneHeight, c.pane);
        EXPECT_EQ(error, c.refused ? kNewerPrefVersion : "");
    }
    const PianoRollPrefs p = readPianoRollPrefs({"001", "10", "20", "640", "480", "300"});
    EXPECT_EQ(p.place->top, 10);
    EXPECT_EQ(p.place->left, 20);
    EXPECT_EQ(p.place->width, 640);
    EXPECT_EQ(p.place->height, 480);
}

TEST(PianoRollPrefs, WrittenLinesReadBack) {
    const auto lines = formatPianoRollPrefs(WindowPlace{5, 6, 700, 500}, 320);
    EXPECT_EQ(lines, (std::vector<std::string>{"001", "5", "6", "700", "500", "320"}));
    const PianoRollPrefs p = readPianoRollPrefs(lines);
    EXPECT_EQ(p.paneHeight, 320);
    EXPECT_EQ(p.place->width, 700);
}
