#include "host/selection_steps.h"

#include <QAction>
#include <QToolBar>

#include "host/editor_context.h"

using namespace tonvela;

SelectionStepActions addSelectionStepActions(QToolBar* bar, QWidget* owner, EditorContext& context) {
    auto step = [&](const char* name, const QString& text, const QString& hint, SelectionStep s) {
        auto* a = new QAction(text, owner);
        a->setObjectName(name);
        a->setToolTip(hint);
        bar->addAction(a);
        QObject::connect(a, &QAction::triggered, owner, [&context, s] {
            midiSong* song = context.song();
            if (!song) return;
            const Selection now = context.selection();
            const Selection next = stepSelection(*song, now, s);
            if (next != now) context.setSelection(next);
        });
        return a;
    };
    SelectionStepActions a;
    a.selLeft = step("ActionSelLeft", "\u2190+", "Widen the selection by a bar to the left", SelectionStep::extendLeft);
    a.selRight = step("ActionSelRight", "+\u2192", "Widen the selection by a bar to the right", SelectionStep::extendRight);
    a.moveLeft = step("ActionMoveLeft", "\u2190", "Move the selection a bar to the left", SelectionStep::shiftLeft);
    a.moveRight = step("ActionMoveRight", "\u2192", "Move the selection a bar to the right", SelectionStep::shiftRight);
    a.shrinkLeft = step("ActionShrinkLeft", "\u2192\u2212", "Narrow the selection by a bar from the left", SelectionStep::shrinkLeft);
    a.shrinkRight = step("ActionShrinkRight", "\u2212\u2190", "Narrow the selection by a bar from the right", SelectionStep::shrinkRight);
    return a;
}
