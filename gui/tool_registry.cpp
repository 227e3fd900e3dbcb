#include "tool_registry.h"

#include "effects/effecteditor.h"
#include "host/tool_host.h"
#include "mainwin.h"

// One line per tool window: its id, the command that opens it, how to make it.
void registerTools(ToolHost& host, TMIDIPollimoMain& main) {
    host.add("effects", main.ActionEffectEditor, [](EditorContext& c, QWidget* p) { return new TEffectEditor(c, p); });
}
