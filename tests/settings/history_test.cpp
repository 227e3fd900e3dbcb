#include <gtest/gtest.h>

#include <set>

#include "settings/filehistory.h"

using namespace tonvela;
using Paths = std::vector<std::string>;

TEST(FileHistory, NewPathsGoToTheTopAndEmptyPathsAreIgnored) {
    FileHistory h;
    h.add("A");
    h.add("");
    h.add("B");
    EXPECT_EQ(h.entries(), (Paths{"B", "A"}));
}

TEST(FileHistory, AddingAListedPathSwapsItWithTheTopEntry) {
    struct Case {
        Paths before;
        std::string added;
        Paths after;
    };
    const Case cases[] = {
        {{"C", "B", "A"}, "A", {"A", "B", "C"}},  // third becomes first, first becomes third
        {{"C", "B", "A"}, "B", {"B", "C", "A"}},
        {{"C", "B", "A"}, "C", {"C", "B", "A"}},  // already on top: no change
    };
    for (const Case& c : cases) {
        FileHistory h;
        for (auto it = c.before.rbegin(); it != c.before.rend(); ++it) h.add(*it);
        ASSERT_EQ(h.entries(), c.before);
        h.add(c.added);
        EXPECT_EQ(h.entries(), c.after) << "adding " << c.added;
    }
}

TEST(FileHistory, AnEleventhPathDropsTheOldestWithCapacityTen) {
    FileHistory h(10);
    for (int i = 1; i <= 11; ++i) h.add("p" + std::to_string(i));
    ASSERT_EQ(h.entries().size(), 10u);
    EXPECT_EQ(h.entries().front(), "p11");
    EXPECT_EQ(h.entries().back(), "p2");
}

TEST(FileHistory, ALowerCapacityShrinksTheListOneEntryPerAdd) {
    FileHistory h(5);
    for (int i = 1; i <= 5; ++i) h.add("p" + std::to_string(i));
    h.setCapacity(2);
    h.add("new");
    // The entry at the position equal to the capacity is dropped, once per add.
    EXPECT_EQ(h.entries(), (Paths{"new", "p5", "p3", "p2", "p1"}));
}

TEST(FileHistory, OptimizeDropsMissingFilesAndClearAllEmpties) {
    FileHistory h;
    for (const char* p : {"gone1", "here1", "gone2", "here2"}) h.add(p);
    const std::set<std::string> present = {"here1", "here2"};
    h.optimize([&](const std::string& p) { return present.count(p) > 0; });
    EXPECT_EQ(h.entries(), (Paths{"here2", "here1"}));
    h.clearAll();
    EXPECT_TRUE(h.entries().empty());
}

TEST(FileHistory, TheMenuLeavesOutTheCurrentFile) {
    FileHistory h;
    for (const char* p : {"A", "B", "C"}) h.add(p);
    EXPECT_EQ(h.menuEntries("B"), (Paths{"C", "A"}));
    EXPECT_EQ(h.menuEntries("other"), (Paths{"C", "B", "A"}));
}
