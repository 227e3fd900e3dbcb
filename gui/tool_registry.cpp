#include "tool_registry.h"

#include "checker/datacheckwin.h"
#include "host/tool_host.h"
#include "mainwin.h"

// One line per tool window: its id, the command that opens it, how to make it.
void registerTools(ToolHost& host, TMIDIPollimoMain& main) {
    host.add("datacheck", main.ActionDataChecker, [](EditorContext& c, QWidget* p) { return new TDataCheckWindow(c, p); });
}
