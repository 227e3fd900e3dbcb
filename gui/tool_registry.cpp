#include "tool_registry.h"

#include "checker/datacheckwin.h"
#include "drums/chanedrum.h"
#include "eventlist/eventform.h"
#include "effects/effecteditor.h"
#include "expression/glissedit.h"
#include "expression/portamentwin.h"
#include "expression/trillwin.h"
#include "host/tool_host.h"
#include "mainwin.h"
#include "pianoroll/editwin.h"
#include "tempo/tempoeditor.h"

// One line per tool window: its id, the command that opens it, how to make it.
void registerTools(ToolHost& host, TMIDIPollimoMain& main) {
    host.add("pianoroll", main.ActionPianoRoll, [](EditorContext& c, QWidget* p) { return new TEditWindow(c, p); });
    host.add("eventlist", main.ActionEventList, [](EditorContext& c, QWidget* p) { return new TEventForm(c, p); });
    host.add("effects", main.ActionEffectEditor, [](EditorContext& c, QWidget* p) { return new TEffectEditor(c, p); });
    host.add("datacheck", main.ActionDataChecker, [](EditorContext& c, QWidget* p) { return new TDataCheckWindow(c, p); });
    host.add("tempo", main.ActionTempoEditor, [](EditorContext& c, QWidget* p) { return new TTempoEditor(c, p); });
    host.add("portamento", main.ActionPortamentEditor, [](EditorContext& c, QWidget* p) { return new TPortamentEditor(c, p); });
    // The trill editor and the slur bender are the two pages of one window.
    const auto trill = [&host](EditorContext& c, QWidget* p) -> ToolWindow* {
        if (auto* w = host.find<TTrillEditor>()) return w;
        return new TTrillEditor(c, p);
    };
    host.add("trill", main.ActionTrillEditor, trill);
    host.add("slurbender", main.ActionSlurBender, trill);
    host.add("glissando", main.ActionGlissandEditor, [](EditorContext& c, QWidget* p) { return new TGlissand(c, p); });
    host.add("drums", main.ActionDrumsNotesChanger, [](EditorContext& c, QWidget* p) { return new TChaneDrum(c, p); });
}
