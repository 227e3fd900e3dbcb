#pragma once

// Every control of an effect, described once: its name, its field of EffectSettings, its kind,
// its item list or range, and the effect-file version from which a file holds it. The effect
// file (reading, writing, `tonvela-cli effect`) and the effect editor's binding of its widgets
// walk these lists, so a control added here is added to all of them.
//
// A walk hands each control to a visitor V, which offers:
//   text(name, std::string&)                    a text as typed (number fields are texts too)
//   item(name, int&, ItemList, onRead)          a choice, stored as its item text; a reader
//                                               calls onRead(index) after reading it
//   index(name, int&, ItemList)                 a choice, stored as its index
//   number(name, int&, lo, hi)                  an index without an item list (a controller)
//   toggle(name, bool&)                         a switch
//   position(name, int&, lo, hi)                a slider or up-down position
//   unstored(name, std::string&)                a text the editor holds but files do not
//   has(version) -> bool                        whether the lines of that version are present
//   peekFunctionBlock() -> bool                 whether a Time Shift block goes on with the
//                                               function block (older files end before it)
// A control name is the name of the editor's widget; the fields are reached through the
// settings value, so one walk serves reading and writing.

#include "effects/effect_settings.h"

namespace tonvela {

// The item change of AddItem and DelItemComboBox1 sets the defaults of its row before the lines
// after it are read.
struct NoItemHandler {
    void operator()(int) const {}
};

// ---- the pages ----------------------------------------------------------------------------------

// The 11-line function block of the curve types.
template <class V>
void functionControls(V& v, FunctionPage& p) {
    v.item("Function", p.Function, kFunctionItems, NoItemHandler{});
    v.toggle("F2", p.F2);
    v.item("Function2", p.Function2, kFunctionItems, NoItemHandler{});
    v.toggle("F3", p.F3);
    v.item("Function3", p.Function3, kFunctionItems, NoItemHandler{});
    v.toggle("FlipY", p.FlipY);
    v.toggle("FlipX", p.FlipX);
    v.position("TrackBar1", p.TrackBar1, -50, 50);
    v.position("TrackBar2", p.TrackBar2, -50, 50);
    v.position("TrackBar3", p.TrackBar3, -50, 50);
    if (v.has(2))
        v.toggle("Abs", p.Abs);
    else
        p.Abs = false;
}

// The 35 lines of Add Events (the Filter group and the item), older files with their defaults.
template <class V>
void addEventControls(V& v, AddEventPage& p) {
    v.text("NoteMin", p.NoteMin);
    v.text("NoteMax", p.NoteMax);
    v.text("VeloMin", p.VeloMin);
    v.text("VeloMax", p.VeloMax);
    v.text("DurMin", p.DurMin);
    v.text("DurMax", p.DurMax);
    v.toggle("AllowOverlap", p.AllowOverlap);
    v.toggle("Ascending", p.Ascending);
    v.toggle("Decemdimg", p.Decemdimg);
    v.toggle("Flat", p.Flat);
    v.toggle("Independent", p.Independent);
    v.item("AddItem", p.AddItem, kAddItemItems, [&p](int item) { chooseAddItem(p, item); });
    v.item("Cutoff", p.Cutoff, kCutoffItems, NoItemHandler{});
    v.text("ValueMin", p.ValueMin);
    v.text("ValueMax", p.ValueMax);
    v.item("PitchBendUnit", p.PitchBendUnit, kBendUnitItems, NoItemHandler{});
    v.text("Distance", p.Distance);
    v.item("DistanceUnit", p.DistanceUnit, kTimeUnitItems, NoItemHandler{});
    v.text("StartShift", p.StartShift);
    v.item("ApplyRange", p.ApplyRange, kApplyRangeItems, NoItemHandler{});
    v.text("DurationPercent", p.DurationPercent);
    v.item("ApplyPosition", p.ApplyPosition, kApplyPositionItems, NoItemHandler{});
    v.text("ApplyTime", p.ApplyTime);
    v.item("ApplyTimeUnit", p.ApplyTimeUnit, kShortTimeUnitItems, NoItemHandler{});
    v.toggle("ReplaceEvent", p.ReplaceEvent);
    v.toggle("PreProcess", p.PreProcess);
    v.text("PreprocValue", p.PreprocValue);
    v.toggle("PostProcess", p.PostProcess);
    v.text("PostprocValue", p.PostprocValue);
    if (v.has(1)) {
        v.item("DurationUnit", p.DurationUnit, kShortTimeUnitItems, NoItemHandler{});
        v.text("CtrlNoEdit", p.CtrlNoEdit);
        v.text("MinimunDifference", p.MinimunDifference);
    } else {
        p.DurationUnit = 0;
        p.CtrlNoEdit = "0";
        p.MinimunDifference = "1";
    }
    if (v.has(3))
        v.item("MinDiffUnit", p.MinDiffUnit, kBendUnitItems, NoItemHandler{});
    else if (v.has(1))
        p.MinDiffUnit = 0;
    if (v.has(4))
        v.index("FunctionSource1", p.FunctionSource1, kFunctionSourceItems);
    else
        p.FunctionSource1 = 0;
    if (v.has(5))
        v.index("PitchNameFilter", p.PitchNameFilter, kPitchNameItems);
    else
        p.PitchNameFilter = 0;
}

template <class V>
void deleteControls(V& v, DeletePage& p) {
    v.item("DelItemComboBox1", p.DelItemComboBox1, kDeleteItemItems, [&p](int item) { chooseDeleteItem(p, item); });
    v.text("DelVallMin", p.DelVallMin);
    v.text("DelValMax", p.DelValMax);
    v.text("DelNumel", p.DelNumel);
    v.text("DelDenom", p.DelDenom);
    v.text("exceptval1", p.exceptval[0]);
    v.text("exceptval2", p.exceptval[1]);
    v.text("exceptval3", p.exceptval[2]);
    v.toggle("ExceptData1", p.ExceptData[0]);
    v.toggle("ExceptData2", p.ExceptData[1]);
    v.toggle("ExceptData3", p.ExceptData[2]);
    if (v.has(1)) v.text("DelCtrlNoEdit1", p.DelCtrlNoEdit1);
}

template <class V>
void velocityControls(V& v, VelocityPage& p) {
    v.text("VeloRangeMin", p.VeloRangeMin);
    v.text("VeloRangeMax", p.VeloRangeMax);
    v.item("ChangeMethod", p.ChangeMethod, kChangeMethodItems, NoItemHandler{});
    v.item("VeloModScaling", p.VeloModScaling, kCutoffItems, NoItemHandler{});
    v.item("FunctionX", p.FunctionX, kVelocitySourceItems, NoItemHandler{});
}

template <class V>
void timeShiftControls(V& v, TimeShiftPage& p) {
    v.text("TSValMin", p.TSValMin);
    v.text("TSValMax", p.TSValMax);
    v.item("TimeShiftRadioGroup", p.TimeShiftRadioGroup, kTimeShiftSourceItems, NoItemHandler{});
}

template <class V>
void echoControls(V& v, EchoPage& p) {
    static const char* const vols[5] = {"EchoVol1", "EchoVol2", "EchoVol3", "EchoVol4", "EchoVol5"};
    static const char* const octs[5] = {"EditOct1", "EditOct2", "EditOct3", "EditOct4", "EditOct5"};
    v.text("EchoDelayText", p.EchoDelayText);
    v.item("EchoDelayUnit", p.EchoDelayUnit, kTimeUnitItems, NoItemHandler{});
    v.position("EchoCount", p.EchoCount, 1, 5);
    for (size_t k = 0; k < 5; ++k) v.position(vols[k], p.EchoVol[k], 1, 255);
    for (size_t k = 0; k < 5; ++k) v.text(octs[k], p.EditOct[k]);
    v.toggle("EchoOtherTrack", p.EchoOtherTrack);
    v.text("NewTrackName", p.NewTrackName);
    v.toggle("OtherChannel", p.OtherChannel);
    v.position("UpDownEchannel", p.UpDownEchannel, 1, 16);
    v.index("OutOfRange", p.OutOfRange, kOutOfRangeItems);
    v.index("Overlap", p.Overlap, kOverlapItems);
    if (v.has(6))
        v.toggle("EmulateSustain", p.EmulateSustain);
    else
        p.EmulateSustain = false;
    if (v.has(7)) v.toggle("SelectTarget", p.SelectTarget);
}

// The Modify Control/Bend block also stores the Echo page's OutOfRange.
template <class V>
void modifyControlControls(V& v, ModifyControlPage& p, int& outOfRange) {
    v.index("Modify", p.Modify, kModifyItems);
    v.number("ComboBoxControl", p.ComboBoxControl, 0, 127);
    v.index("ContModScaling", p.ContModScaling, kCutoffItems);
    v.text("Edit1ModCOntrolMin", p.Edit1ModCOntrolMin);
    v.text("Edit2ModCOntrolMax", p.Edit2ModCOntrolMax);
    v.index("OutOfRange", outOfRange, kOutOfRangeItems);
    v.index("ModContVal", p.ModContVal, kChangeMethodItems);
    v.index("ModContFS", p.ModContFS, kModContFSItems);
}

template <class V>
void durationControls(V& v, DurationPage& p) {
    v.text("durFilterNoteMin", p.durFilterNoteMin);
    v.text("durFilterNoteMax", p.durFilterNoteMax);
    v.text("durFilterDurMin", p.durFilterDurMin);
    v.text("durFilterDurMax", p.durFilterDurMax);
    v.item("modifydurComboBox1", p.modifydurComboBox1, kShortTimeUnitItems, NoItemHandler{});
    v.index("durChangeMethod", p.durChangeMethod, kDurChangeMethodItems);
    v.text("durPercent", p.durPercent);
    v.text("DurValue", p.DurValue);
    v.text("durMaxLimit", p.durMaxLimit);
    v.text("durMinLimit", p.durMinLimit);
    if (v.has(9)) v.toggle("SingleNote", p.SingleNote);
    v.unstored("TenutoPC", p.TenutoPC);
}

template <class V>
void chordControls(V& v, ChordPage& p) {
    v.text("ChordBound", p.ChordBound);
    v.index("Center", p.Center, kCenterItems);
    v.index("StrokeMethod", p.StrokeMethod, kStrokeMethodItems);
    v.position("Devision", p.Devision, 1, 6);
    v.index("Stroke", p.Stroke, kStrokeItems);
    v.text("resStart", p.resStart);
    v.text("resEnd", p.resEnd);
}

// ---- the walks ----------------------------------------------------------------------------------

// The block of the effect's type, in file order (the curve types end with the function block);
// nothing for no type.
template <class V>
void effectTypeControls(V& v, EffectSettings& s) {
    switch (s.effectType) {
    case 0:
        addEventControls(v, s.addEvent);
        functionControls(v, s.function);
        break;
    case 1: deleteControls(v, s.deleteEvents); break;
    case 2:
        velocityControls(v, s.velocity);
        functionControls(v, s.function);
        break;
    case 3:
        timeShiftControls(v, s.timeShift);
        // Files from before the function block end here.
        if (v.peekFunctionBlock()) functionControls(v, s.function);
        break;
    case 4: echoControls(v, s.echo); break;
    case 5:
        modifyControlControls(v, s.modifyControl, s.echo.OutOfRange);
        if (v.has(8)) functionControls(v, s.function);
        break;
    case 6: durationControls(v, s.duration); break;
    case 7: chordControls(v, s.chord); break;
    default: break;
    }
}

// Every control of every page, each page once (the shared OutOfRange comes twice), for a visitor
// whose has() and peekFunctionBlock() are always true.
template <class V>
void everyEffectControl(V& v, EffectSettings& s) {
    addEventControls(v, s.addEvent);
    functionControls(v, s.function);
    deleteControls(v, s.deleteEvents);
    velocityControls(v, s.velocity);
    timeShiftControls(v, s.timeShift);
    echoControls(v, s.echo);
    modifyControlControls(v, s.modifyControl, s.echo.OutOfRange);
    durationControls(v, s.duration);
    chordControls(v, s.chord);
}

}  // namespace tonvela
