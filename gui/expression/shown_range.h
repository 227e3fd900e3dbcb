#pragma once

// The Range box of the expression editors: read-only From / To fields (bar, beat, tick) that
// show the main window's selection, which is what the editors work on.

class QGroupBox;
class QLineEdit;

namespace tonvela {
struct RangeFields;
}

// The window's own field pointers, so its named members stay what tests and code reach.
struct ShownRangeEdits {
    QLineEdit*& fromBar;
    QLineEdit*& fromBeat;
    QLineEdit*& fromTick;
    QLineEdit*& toBar;
    QLineEdit*& toBeat;
    QLineEdit*& toTick;
};

// Makes the six fields (into the pointers given) and the "Range" box holding them.
QGroupBox* makeShownRange(ShownRangeEdits edits);
void showRange(ShownRangeEdits edits, const tonvela::RangeFields& range);
