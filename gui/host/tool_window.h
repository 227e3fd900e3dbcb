#pragma once

// Base of the modeless tool windows (event list, piano roll, effect editor, data checker, ...).
// The tool host makes each one on first use, hands it the editor context, and keeps it up to
// date: refreshFromEditor after every edit and selection change while it is visible (and when
// it is shown), songReplaced when another file is opened or the song is dropped.

#include <QWidget>

class EditorContext;

namespace tonvela {
class anyEvent;
}

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    explicit ToolWindow(EditorContext& context, QWidget* parent = nullptr);

    // Brings the window in step with the song and the selection.
    virtual void refreshFromEditor() {}
    // The song was replaced or dropped: forget every pointer into the old one.
    virtual void songReplaced() {}
    // Another window asked to show this event (EditorContext::locateEvent).
    virtual void locateEvent(const tonvela::anyEvent* event) { (void)event; }
    // The command registered under `id` is opening the window (before it is refreshed and
    // shown); a window opened by several commands learns which one.
    virtual void opening(const QString& id) { (void)id; }

protected:
    EditorContext& context() const { return context_; }
    void showEvent(QShowEvent* event) override;

private:
    EditorContext& context_;
};
