#include <gtest/gtest.h>

#include "tools/playfollow.h"

using namespace tonvela;

TEST(FollowPlay, ThePlayedBarIsCentredWithoutScrollingPastTheEnds) {
    struct Case {
        int bar, visible, cols, left;
    };
    const Case cases[] = {
        {50, 20, 101, 40},   // middle of the song
        {5, 20, 101, 1},     // near the start
        {0, 20, 101, 1},
        {99, 20, 101, 81},   // near the end: the last columns fill the view
        {10, 40, 30, 1},     // the whole grid fits
    };
    for (const Case& c : cases)
        EXPECT_EQ(followPlay(c.bar, c.visible, c.cols, 1, 1).leftCol, c.left) << c.bar << " " << c.cols;
}

TEST(FollowPlay, AutoSelectKeepsTheWidthAroundThePlayedBar) {
    // A selection of columns 3..7 (width 4) follows bar 20 (column 21): 19..23.
    GridFollow f = followPlay(20, 10, 101, 3, 7);
    EXPECT_EQ(f.selectionLeft, 19);
    EXPECT_EQ(f.selectionRight, 23);
    // Clipped at both ends of the grid.
    f = followPlay(0, 10, 101, 3, 7);
    EXPECT_EQ(f.selectionLeft, 1);
    EXPECT_EQ(f.selectionRight, 3);
    f = followPlay(99, 10, 101, 3, 7);
    EXPECT_EQ(f.selectionLeft, 98);
    EXPECT_EQ(f.selectionRight, 100);
    // A single column stays a single column.
    f = followPlay(8, 10, 101, 4, 4);
    EXPECT_EQ(f.selectionLeft, 9);
    EXPECT_EQ(f.selectionRight, 9);
}
