#pragma once

// The tool bar actions that step the main window's bar selection by one bar (widen, move,
// narrow), shared by the tool windows that follow the selection (piano roll, tempo editor).

#include <array>

class EditorContext;
class QAction;
class QToolBar;
class QWidget;

struct SelectionStepActions {
    QAction* selLeft = nullptr;     // widen by a bar to the left
    QAction* selRight = nullptr;    // widen by a bar to the right
    QAction* moveLeft = nullptr;    // move a bar to the left
    QAction* moveRight = nullptr;   // move a bar to the right
    QAction* shrinkLeft = nullptr;  // narrow by a bar from the left
    QAction* shrinkRight = nullptr; // narrow by a bar from the right

    std::array<QAction*, 6> all() const { return {selLeft, selRight, moveLeft, moveRight, shrinkLeft, shrinkRight}; }
};

// Makes the six actions (object names ActionSelLeft ... ActionShrinkRight) owned by `owner`, adds
// them to the tool bar, and has each one set the stepped selection through the context, which
// refreshes every view. A step that would leave the grid or drop the last bar does nothing.
SelectionStepActions addSelectionStepActions(QToolBar* bar, QWidget* owner, EditorContext& context);
