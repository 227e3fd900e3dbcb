#pragma once

// Where the bar grid scrolls, and where Auto Select moves the selection, while a song plays.
// Grid columns: column c shows bar c - 1; column 0 is the fixed label column.

namespace tonvela {

struct GridFollow {
    int leftCol;         // first scrolled column to show
    int selectionLeft;   // selected columns after Auto Select
    int selectionRight;
};

// bar: the bar being played (from 0). visibleCols: scrolled columns that fit in view.
// colCount: columns of the grid including column 0. The selection keeps its width.
GridFollow followPlay(int bar, int visibleCols, int colCount, int selectionLeft, int selectionRight);

}  // namespace tonvela
