#include "host/tool_window.h"

ToolWindow::ToolWindow(EditorContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {}

void ToolWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshFromEditor();
}
