#pragma once

// Makes tool windows when they are first opened, enables their commands, and keeps the open ones
// in step with the editor. The main window owns one host and routes its refreshes through it.

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "host/tool_window.h"

class EditorContext;
class QAction;
class QWidget;

namespace tonvela {
class anyEvent;
}

// When a tool's command is enabled.
struct ToolRules {
    bool needsSong = true;  // disabled while no song is loaded
    bool disabledWhilePlaying = false;
    // A further condition, asked at every update (the XG editor: while System is on XG).
    std::function<bool()> enabledWhen;
};

class ToolHost : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<ToolWindow*(EditorContext& context, QWidget* parent)>;

    ToolHost(EditorContext& context, QWidget* parentWindow);
    ~ToolHost() override;

    // Registers a tool under an id; its action (may be nullptr) opens it. The window is made by
    // `make` on first open, as a child window of the parent window. Several ids may share one
    // window (their factories return it): it is told which one opens it (ToolWindow::opening).
    void add(const QString& id, QAction* action, Factory make, ToolRules rules = ToolRules());
    bool has(const QString& id) const;
    bool owns(const QAction* action) const;

    // Makes the window when needed, shows it and brings it to the front; nullptr for an id
    // nobody registered.
    ToolWindow* open(const QString& id);
    // The window of an id; nullptr until it was first opened.
    ToolWindow* window(const QString& id) const;
    // The first window made of class W, or nullptr.
    template <class W>
    W* find() const {
        for (const Entry& e : tools_)
            if (auto* w = dynamic_cast<W*>(e.window)) return w;
        return nullptr;
    }

    // After every edit and selection change: refreshes the visible windows.
    void refreshVisible();
    // Another song was opened or the song was dropped.
    void songReplaced();
    // Hands an event to every made window (the event list selects its line).
    void locateEvent(const tonvela::anyEvent* event);
    // Enables each registered action by its rules.
    void updateActions(bool hasSong, bool playing);

private:
    struct Entry {
        QString id;
        QAction* action = nullptr;
        Factory make;
        ToolRules rules;
        ToolWindow* window = nullptr;
    };
    Entry* entry(const QString& id);
    const Entry* entry(const QString& id) const;
    bool firstEntryOf(const Entry& entry) const;

    EditorContext& context_;
    QWidget* parentWindow_;
    std::vector<Entry> tools_;
};
