#include "tool_registry.h"

#include "checker/datacheckwin.h"
#include "eventlist/eventform.h"
#include "effects/effecteditor.h"
#include "host/tool_host.h"
#include "mainwin.h"
#include "pianoroll/editwin.h"
#include "radiogroup.h"
#include "xg/xgeditor.h"

// One line per tool window: its id, the command that opens it, how to make it.
void registerTools(ToolHost& host, TMIDIPollimoMain& main) {
    host.add("pianoroll", main.ActionPianoRoll, [](EditorContext& c, QWidget* p) { return new TEditWindow(c, p); });
    host.add("eventlist", main.ActionEventList, [](EditorContext& c, QWidget* p) { return new TEventForm(c, p); });
    host.add("effects", main.ActionEffectEditor, [](EditorContext& c, QWidget* p) { return new TEffectEditor(c, p); });
    host.add("datacheck", main.ActionDataChecker, [](EditorContext& c, QWidget* p) { return new TDataCheckWindow(c, p); });
    // The XG editor while the song's System is XG.
    host.add("xg", main.ActionXGEditor, [](EditorContext& c, QWidget* p) { return new TXGEditor(c, p); },
             ToolRules{true, false, [&main] { return main.System->itemIndex() == 0; }});
}
