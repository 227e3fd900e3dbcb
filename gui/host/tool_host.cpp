#include "host/tool_host.h"

#include <QAction>

#include "host/editor_context.h"
#include "host/tool_context.h"
#include "host/tool_window.h"
#include "song/song.h"

ToolHost::ToolHost(EditorContext& context, QWidget* parentWindow)
    : QObject(parentWindow), context_(context), parentWindow_(parentWindow) {}

ToolHost::~ToolHost() {
    // A window's context goes with the host: the window must go first (once, when shared).
    for (Entry& e : tools_)
        if (firstEntryOf(e)) delete e.window;
}

void ToolHost::add(const QString& id, QAction* action, Factory make, ToolRules rules) {
    tools_.push_back({id, action, std::move(make), rules, nullptr, nullptr});
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
    if (!e->window) {
        if (!e->context) e->context = std::make_unique<ToolContext>(context_, owners_);
        e->window = e->make(*e->context, parentWindow_);
        if (e->window && e->rules.eachOpening) {
            e->window->setAttribute(Qt::WA_DeleteOnClose);
            connect(e->window, &QObject::destroyed, this, [this, id] {
                if (Entry* made = entry(id)) made->window = nullptr;
            });
        }
    }
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
    if (tonvela::midiSong* s = context_.song()) owners_.edited(*s, nullptr);
    for (Entry& e : tools_)
        if (e.window && e.window->isVisible() && firstEntryOf(e)) e.window->refreshFromEditor();
}

void ToolHost::replayed() {
    if (tonvela::midiSong* s = context_.song()) owners_.replayed(*s);
}

void ToolHost::songReplaced() {
    owners_.clear();
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
