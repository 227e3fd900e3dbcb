#include "host/tool_host.h"

#include <QAction>

#include "host/tool_window.h"

ToolHost::ToolHost(EditorContext& context, QWidget* parentWindow)
    : QObject(parentWindow), context_(context), parentWindow_(parentWindow) {}

ToolHost::~ToolHost() = default;

void ToolHost::add(const QString& id, QAction* action, Factory make, ToolRules rules) {
    tools_.push_back({id, action, std::move(make), rules, nullptr});
    if (action) connect(action, &QAction::triggered, this, [this, id] { open(id); });
}

bool ToolHost::has(const QString& id) const { return entry(id) != nullptr; }

bool ToolHost::owns(const QAction* action) const {
    for (const Entry& e : tools_)
        if (action && e.action == action) return true;
    return false;
}

ToolHost::Entry* ToolHost::entry(const QString& id) {
    for (Entry& e : tools_)
        if (e.id == id) return &e;
    return nullptr;
}

const ToolHost::Entry* ToolHost::entry(const QString& id) const {
    for (const Entry& e : tools_)
        if (e.id == id) return &e;
    return nullptr;
}

ToolWindow* ToolHost::open(const QString& id) {
    Entry* e = entry(id);
    if (!e) return nullptr;
    if (!e->window) e->window = e->make(context_, parentWindow_);
    if (!e->window) return nullptr;
    e->window->opening(id);
    // showEvent refreshes a hidden window; a visible one is refreshed here.
    if (e->window->isVisible()) e->window->refreshFromEditor();
    e->window->show();
    e->window->raise();
    e->window->activateWindow();
    return e->window;
}

ToolWindow* ToolHost::window(const QString& id) const {
    const Entry* e = entry(id);
    return e ? e->window : nullptr;
}

bool ToolHost::firstEntryOf(const Entry& entry) const {
    // A window opened by several commands is registered once per command.
    for (const Entry& e : tools_) {
        if (&e == &entry) return true;
        if (e.window == entry.window) return false;
    }
    return true;
}

void ToolHost::refreshVisible() {
    for (Entry& e : tools_)
        if (e.window && e.window->isVisible() && firstEntryOf(e)) e.window->refreshFromEditor();
}

void ToolHost::songReplaced() {
    for (Entry& e : tools_)
        if (e.window && firstEntryOf(e)) e.window->songReplaced();
}

void ToolHost::locateEvent(const tonvela::anyEvent* event) {
    for (Entry& e : tools_)
        if (e.window && firstEntryOf(e)) e.window->locateEvent(event);
}

void ToolHost::updateActions(bool hasSong, bool playing) {
    for (Entry& e : tools_) {
        if (!e.action) continue;
        e.action->setEnabled((hasSong || !e.rules.needsSong) && !(playing && e.rules.disabledWhilePlaying) &&
                             (!e.rules.enabledWhen || e.rules.enabledWhen()));
    }
}
