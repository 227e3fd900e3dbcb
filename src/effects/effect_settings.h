#pragma once

// The effect: every control of every page of the effect editor, as one value. The page values
// are exactly what an effect file stores (effect_file.h); the editor shows them, the command
// line loads them, and applyEffect (apply_effect.h) runs them.
//
// Field names are the controls' names. Number fields hold the text the user typed (or the file
// held): a run reads them only after normaliseNumberFields has accepted them. A choice holds the
// index of its item in the item list named beside it, or -1 when no item is chosen (a file whose
// item text is not in the list); a run treats a choice of -1 as its first item, except the unit
// lists (a unit of -1 converts to 0 ticks) and the effect type (no type: nothing runs).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonvela {

using ItemList = std::span<const std::string_view>;

// ---- item lists (texts exactly as the editor shows them and effect files store them) --------

// effectType 0..7.
extern const std::array<std::string_view, 8> kEffectTypeItems;
// Time units 0..8: "Tick", "ms", "whole Note" ... "64th Note". DurationUnit, ApplyTimeUnit and
// modifydurComboBox1 offer only the first seven (kShortTimeUnitItems), DistanceUnit and
// EchoDelayUnit all nine.
extern const std::array<std::string_view, 9> kTimeUnitItems;
extern const std::array<std::string_view, 7> kShortTimeUnitItems;
extern const std::array<std::string_view, 2> kBendUnitItems;         // "Value", "Half Tone"
extern const std::array<std::string_view, 7> kFunctionItems;         // "Linear" ... "1 - (x - [x])"
extern const std::array<std::string_view, 13> kAddItemItems;         // "Pich Bend" ... "Viblato Depth"
extern const std::array<std::string_view, 2> kCutoffItems;           // "Cutoff", "Scale"
extern const std::array<std::string_view, 2> kApplyRangeItems;       // "Duration(%)", "Time"
extern const std::array<std::string_view, 3> kApplyPositionItems;    // "Head", "Middle", "Tail"
extern const std::array<std::string_view, 3> kFunctionSourceItems;   // "Duration", "Select Range", "Beat"
extern const std::array<std::string_view, 13> kPitchNameItems;       // "Not Use", "C" ... "B"
extern const std::array<std::string_view, 8> kDeleteItemItems;       // "Pich Bend" ... "Other Control"
extern const std::array<std::string_view, 2> kChangeMethodItems;     // "Add", "Absolute"
extern const std::array<std::string_view, 7> kVelocitySourceItems;   // FunctionX
extern const std::array<std::string_view, 3> kTimeShiftSourceItems;  // TimeShiftRadioGroup
extern const std::array<std::string_view, 2> kOutOfRangeItems;       // "Adjust", "Don't Add"
extern const std::array<std::string_view, 3> kOverlapItems;          // "Adjust Time", "Don't Add", "Not Care"
extern const std::array<std::string_view, 2> kModifyItems;           // "Control", "PitchBend"
extern const std::array<std::string_view, 4> kModContFSItems;        // "Beat" ... "Note Pitch"
extern const std::array<std::string_view, 3> kDurChangeMethodItems;  // "Percent", "Value", "Tenuto(%)"
extern const std::array<std::string_view, 3> kCenterItems;           // "First", "Mean", "Last"
extern const std::array<std::string_view, 2> kStrokeMethodItems;     // "Time Map", "Auto"
extern const std::array<std::string_view, 2> kStrokeItems;           // "Up->Down", "Down->Up"
extern const std::array<std::string_view, 6> kStrokeNames;           // label of Devision 1..6: "4-beat" ...

// Index of `text` in `items`, compared without regard to ASCII case; -1 when absent.
int findItem(ItemList items, std::string_view text);
// The item text of `index`, or "" when the index is outside the list (no choice).
std::string_view itemText(ItemList items, int index);

// Per-item data of the Add Events item list (AddItem 0..12).
struct AddItemInfo {
    bool pitchBend;        // item 0 writes pitch bends, the others control changes
    int controller;        // controller written (6 = data entry for 8..12); -1: CtrlNoEdit
    int nrpnLsb;           // non-registered parameter LSB under MSB 1 for items 8..12, else -1
    const char* valueMin;  // defaults the item sets
    const char* valueMax;
    const char* prePostValue;
};
extern const std::array<AddItemInfo, 13> kAddItemInfo;

// ---- pages --------------------------------------------------------------------------------

// "Function" page: the shaping curve (curve.h).
struct FunctionPage {
    int Function = 0;    // kFunctionItems, f1
    bool F2 = false;
    int Function2 = 0;   // kFunctionItems
    bool F3 = false;
    int Function3 = 0;   // kFunctionItems
    bool FlipY = false;  // "Invert Y"
    bool FlipX = false;  // "Invert X"
    int TrackBar1 = 10;  // sliders -50..50
    int TrackBar2 = 10;
    int TrackBar3 = 10;
    bool Abs = false;
};

// "Add Event" page with its "Filter" group.
struct AddEventPage {
    // Filter group: integer fields NoteMin..VeloMax, decimal fields DurMin, DurMax (in DurationUnit).
    std::string NoteMin = "0", NoteMax = "127", VeloMin = "1", VeloMax = "127";
    std::string DurMin = "1", DurMax = "9999";
    int DurationUnit = 0;     // kShortTimeUnitItems
    int PitchNameFilter = 0;  // kPitchNameItems: 0 "Not Use", 1..12 the pitch classes C..B
    bool AllowOverlap = false, Ascending = true, Decemdimg = true, Independent = true, Flat = true;

    int AddItem = 0;                    // kAddItemItems; change it with chooseAddItem
    std::string CtrlNoEdit = "0";       // integer: controller of "Other Control"
    std::string ValueMin = "-8192";     // decimal: bend amount ("Pich Bend") or controller value
    std::string ValueMax = "8191";
    int PitchBendUnit = 0;              // kBendUnitItems: unit of ValueMin/ValueMax
    int Cutoff = 1;                     // kCutoffItems
    std::string Distance = "10";        // decimal: interval between curve points, in DistanceUnit
    int DistanceUnit = 0;               // kTimeUnitItems
    std::string MinimunDifference = "0.01";  // decimal, in MinDiffUnit ("Pich Bend") or values
    int MinDiffUnit = 1;                // kBendUnitItems
    std::string StartShift = "-2";      // integer ticks: curve window against the note
    int ApplyRange = 0;                 // kApplyRangeItems
    std::string DurationPercent = "100";  // integer percent of the note's duration
    int ApplyPosition = 0;              // kApplyPositionItems
    std::string ApplyTime = "10";       // decimal window length for "Time", in ApplyTimeUnit
    int ApplyTimeUnit = 0;              // kShortTimeUnitItems
    int FunctionSource1 = 0;            // kFunctionSourceItems
    bool ReplaceEvent = true;           // "OverWrite"
    bool PreProcess = true;
    std::string PreprocValue = "0";     // integer
    bool PostProcess = true;
    std::string PostprocValue = "0";    // integer
};

// "Delete Event" page.
struct DeletePage {
    int DelItemComboBox1 = 0;           // kDeleteItemItems; change it with chooseDeleteItem
    std::string DelCtrlNoEdit1 = "0";   // integer: controller of "Other Control"
    std::string DelVallMin = "-8192";   // integers: inclusive value range
    std::string DelValMax = "8191";
    std::string DelNumel = "1";         // integers 1..10: delete DelNumel of every DelDenom hits
    std::string DelDenom = "1";
    std::array<std::string, 3> exceptval{"-8192", "0", "8191"};  // exceptval1..exceptval3
    std::array<bool, 3> ExceptData{true, true, true};          // ExceptData1..ExceptData3
};

// "Modify Velocity" page.
struct VelocityPage {
    std::string VeloRangeMin = "1", VeloRangeMax = "127";  // integers
    int ChangeMethod = 0;    // kChangeMethodItems
    int VeloModScaling = 1;  // kCutoffItems
    int FunctionX = 0;       // kVelocitySourceItems
};

// "TimeShift" page.
struct TimeShiftPage {
    std::string TSValMin = "-10", TSValMax = "10";  // integer ticks
    int TimeShiftRadioGroup = 0;                    // kTimeShiftSourceItems
};

// "Echo" page. The editor's first showing of the page sets the delay to "150.0" "ms".
struct EchoPage {
    std::string EchoDelayText = "150";  // decimal, in EchoDelayUnit
    int EchoDelayUnit = 0;              // kTimeUnitItems
    int EchoCount = 3;                  // slider 1..5
    std::array<int, 5> EchoVol{127, 150, 170, 180, 190};  // sliders 1..255: scale (255 - v) / 127
    std::array<std::string, 5> EditOct{"0", "0", "0", "0", "0"};  // integer semitones per repeat
    int OutOfRange = 0;                 // kOutOfRangeItems
    int Overlap = 0;                    // kOverlapItems
    bool EchoOtherTrack = false;
    std::string NewTrackName = "Echo Track";
    bool OtherChannel = false;          // "Specify Channel"
    int UpDownEchannel = 16;            // 1..16
    bool EmulateSustain = false;
    bool SelectTarget = false;
};

// "Modify Control/Bend" page (effect type 5).
struct ModifyControlPage {
    int Modify = 0;           // kModifyItems; change it with chooseModify
    int ComboBoxControl = 0;  // controller number 0..127
    std::string Edit1ModCOntrolMin = "-128", Edit2ModCOntrolMax = "127";  // read when used
    int ModContFS = 0;        // kModContFSItems
    int ModContVal = 0;       // kChangeMethodItems
    int ContModScaling = 1;   // kCutoffItems
};

// "Modify Duration" page.
struct DurationPage {
    std::string durFilterNoteMin = "0", durFilterNoteMax = "127";   // integers
    std::string durFilterDurMin = "1", durFilterDurMax = "9999";    // decimals in modifydurComboBox1
    int modifydurComboBox1 = 0;                                     // kShortTimeUnitItems
    int durChangeMethod = 0;                                        // kDurChangeMethodItems
    std::string durPercent = "100";  // integers, read when used
    std::string DurValue = "100";
    std::string TenutoPC = "100";    // never stored in effect files
    bool SingleNote = false;
    std::string durMaxLimit = "9999";
    std::string durMinLimit = "1";
};

// "Chord Stroker" page. The editor sets ChordBound, resStart and resEnd from the song's time base
// each time it is shown (setChordDefaults); the values here are those of 480 ticks per quarter.
struct ChordPage {
    std::string ChordBound = "15";  // integer ticks, read when used
    int Center = 1;                 // kCenterItems
    int StrokeMethod = 0;           // kStrokeMethodItems
    int Devision = 2;               // slider 1..6
    int Stroke = 1;                 // kStrokeItems
    std::string resStart = "-20", resEnd = "20";  // integer ticks around the chord's centre
};

struct EffectSettings {
    int effectType = 0;  // kEffectTypeItems; -1: none (a file with an unknown type)
    std::string EffectName;  // bytes as in the effect file
    std::vector<std::string> Description{std::string()};  // lines, bytes as in the file
    AddEventPage addEvent;
    FunctionPage function;
    DeletePage deleteEvents;
    VelocityPage velocity;
    TimeShiftPage timeShift;
    EchoPage echo;
    ModifyControlPage modifyControl;
    DurationPage duration;
    ChordPage chord;
};

// ---- item changes that set defaults, as the editor's list handlers do --------------------

// Sets AddItem and the defaults of its row (ValueMin, ValueMax, PreprocValue, PostprocValue);
// "Pich Bend" also sets MinDiffUnit "Half Tone" and MinimunDifference "0.01".
void chooseAddItem(AddEventPage& page, int item);
// Sets DelItemComboBox1 and its value range, exception values and exception switches.
void chooseDeleteItem(DeletePage& page, int item);
// Sets Modify and its range: "-128".."127" for "Control", "-8192".."8191" for "PitchBend".
void chooseModify(ModifyControlPage& page, int index);
// ChordBound = timeBase / 32, resStart = -(timeBase / 24), resEnd = timeBase / 24.
void setChordDefaults(ChordPage& page, int timeBase);

// ---- number fields ------------------------------------------------------------------------

enum class FieldKind { integer, decimal };

struct BadField {
    std::string control;  // the control's name, e.g. "NoteMin" or "exceptval2"
    FieldKind kind;
    std::string text;     // the rejected text
    // "NoteMin: Integer Only (not an integer: 1x)" style message for the command line.
    std::string message() const;
};

// The check made before every run, over the number fields the run of the effect's type reads
// (the type's own page; for Add Events the fields hidden for the chosen item are skipped).
// Integer fields that read are rewritten in plain decimal ("007" -> "7"), decimal fields with
// "%5.2f" ("10" -> "10.00"); fields that do not read are left as they are and returned, in page
// order, so that the editor can ask for each again and the command line can report the first.
// Besides the fields the editor validates, the fields the run reads "when used" (EditOct of the
// used repeats, the Modify Duration values of the chosen method and the limits, ChordBound,
// resStart, resEnd) are checked as integers too, without being rewritten: a run never meets a
// text it cannot read. Edit1ModCOntrolMin/Edit2ModCOntrolMax are not checked: a text that is
// not a number reads as 0 and 127 there.
std::vector<BadField> normaliseNumberFields(EffectSettings& settings);
// The same check without rewriting anything.
std::vector<BadField> checkNumberFields(const EffectSettings& settings);

// Whether Apply is available: `Distance` reads as a number greater than 0, whatever the type.
bool canApply(const EffectSettings& settings);

}  // namespace tonvela
