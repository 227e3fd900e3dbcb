#include "host/tool_window.h"

#include <QAction>

#include "host/editor_context.h"

ToolWindow::ToolWindow(EditorContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {
    auto* undo = new QAction(this);
    undo->setObjectName("ShortcutUndo");
    undo->setShortcut(QKeySequence("Ctrl+Z"));
    auto* redo = new QAction(this);
    redo->setObjectName("ShortcutRedo");
    redo->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    for (QAction* a : {undo, redo}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    connect(undo, &QAction::triggered, this, [this] { undoRequested(); });
    connect(redo, &QAction::triggered, this, [this] { redoRequested(); });
}

void ToolWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshFromEditor();
}

void ToolWindow::undoRequested() { context_.undoOwnEdit(); }

void ToolWindow::redoRequested() { context_.redoOwnEdit(); }
