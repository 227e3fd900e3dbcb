#include "tools/playfollow.h"

#include <algorithm>

namespace tonvela {

GridFollow followPlay(int bar, int visibleCols, int colCount, int selectionLeft, int selectionRight) {
    GridFollow f{};
    // The played bar in the middle of the view, without scrolling past either end.
    f.leftCol = bar - visibleCols / 2;
    if (f.leftCol < 1)
        f.leftCol = 1;
    else if (f.leftCol + visibleCols > colCount)
        f.leftCol = std::max(1, colCount - visibleCols);
    const int w = selectionRight - selectionLeft;
    f.selectionLeft = std::max(1, bar + 1 - w / 2);
    f.selectionRight = std::min(colCount - 1, bar + w / 2 + 1);
    return f;
}

}  // namespace tonvela
