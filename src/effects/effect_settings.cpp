#include "effects/effect_settings.h"

#include <algorithm>

#include "settings/numbertext.h"

namespace tonvela {

const std::array<std::string_view, 8> kEffectTypeItems = {
    "Add Events", "Delete Events", "Modify Velocity", "Time Shift", "Echo", "Modify PichBend/Control",
    "Modify Duration", "Chord Stroker"};
const std::array<std::string_view, 9> kTimeUnitItems = {"Tick",     "ms",        "whole Note",
                                                        "half Note", "Quater Note", "8th Note",
                                                        "16th Note", "32th Note",  "64th Note"};
const std::array<std::string_view, 7> kShortTimeUnitItems = {"Tick",        "ms",       "whole Note", "half Note",
                                                             "Quater Note", "8th Note", "16th Note"};
const std::array<std::string_view, 2> kBendUnitItems = {"Value", "Half Tone"};
const std::array<std::string_view, 7> kFunctionItems = {"Linear", "Sin", "Cos", "Exp(-x)", "x^2", "x - [x]",
                                                        "1 - (x - [x])"};
const std::array<std::string_view, 13> kAddItemItems = {"Pich Bend",
                                                        "Modulation",
                                                        "Main Volume",
                                                        "Panpot",
                                                        "Expression",
                                                        "Harmonic Content",
                                                        "BrightNess",
                                                        "Other Control",
                                                        "Filter Cutoff Frequency",
                                                        "Filter Resonance",
                                                        "HighPass- Filter Cutoff Frequency",
                                                        "Viblato Rate",
                                                        "Viblato Depth"};
const std::array<std::string_view, 2> kCutoffItems = {"Cutoff", "Scale"};
const std::array<std::string_view, 2> kApplyRangeItems = {"Duration(%)", "Time"};
const std::array<std::string_view, 3> kApplyPositionItems = {"Head", "Middle", "Tail"};
const std::array<std::string_view, 3> kFunctionSourceItems = {"Duration", "Select Range", "Beat"};
const std::array<std::string_view, 13> kPitchNameItems = {"Not Use", "C",  "C#", "D",  "D#", "E", "F",
                                                          "F#",      "G",  "G#", "A",  "A#", "B"};
const std::array<std::string_view, 8> kDeleteItemItems = {"Pich Bend",  "Modulation",       "Main Volume",
                                                          "Panpot",     "Expression",       "Harmonic Content",
                                                          "BrightNess", "Other Control"};
const std::array<std::string_view, 2> kChangeMethodItems = {"Add", "Absolute"};
const std::array<std::string_view, 7> kVelocitySourceItems = {"Note Pitch",
                                                              "Beat",
                                                              "Time(from Range Start)",
                                                              "Note Duration",
                                                              "Note Distance(Signed)",
                                                              "Note Distance(Unsigned)",
                                                              "Original Velocity"};
const std::array<std::string_view, 3> kTimeShiftSourceItems = {"Note Pitch", "Beat", "Time(from Range Start)"};
const std::array<std::string_view, 2> kOutOfRangeItems = {"Adjust", "Don't Add"};
const std::array<std::string_view, 3> kOverlapItems = {"Adjust Time", "Don't Add", "Not Care"};
const std::array<std::string_view, 2> kModifyItems = {"Control", "PitchBend"};
const std::array<std::string_view, 4> kModContFSItems = {"Beat", "Time(from Range Start)", "Original Value",
                                                         "Note Pitch"};
const std::array<std::string_view, 3> kDurChangeMethodItems = {"Percent", "Value", "Tenuto(%)"};
const std::array<std::string_view, 3> kCenterItems = {"First", "Mean", "Last"};
const std::array<std::string_view, 2> kStrokeMethodItems = {"Time Map", "Auto"};
const std::array<std::string_view, 2> kStrokeItems = {"Up->Down", "Down->Up"};
const std::array<std::string_view, 6> kStrokeNames = {"4-beat", "8-beat", "12-beat", "16-beat", "20-beat", "24-beat"};

const std::array<AddItemInfo, 13> kAddItemInfo = {{
    {true, -1, -1, "-8192", "8191", "0"},
    {false, 1, -1, "0", "127", "0"},
    {false, 7, -1, "0", "127", "127"},
    {false, 10, -1, "0", "127", "64"},
    {false, 11, -1, "0", "127", "127"},
    {false, 71, -1, "0", "127", "64"},
    {false, 74, -1, "0", "127", "64"},
    {false, -1, -1, "0", "127", "0"},
    {false, 6, 32, "0", "127", "64"},
    {false, 6, 33, "0", "127", "64"},
    {false, 6, 36, "0", "127", "64"},
    {false, 6, 8, "0", "127", "64"},
    {false, 6, 9, "0", "127", "64"},
}};

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct DeleteItemDefaults {
    const char* min;
    const char* max;
    std::array<const char*, 3> except;
    std::array<bool, 3> on;
};

const std::array<DeleteItemDefaults, 8> kDeleteDefaults = {{
    {"-8192", "8191", {"-8192", "0", "8191"}, {true, true, true}},
    {"0", "127", {"0", "0", "0"}, {true, false, false}},
    {"0", "127", {"127", "0", "0"}, {true, true, false}},
    {"0", "127", {"0", "64", "127"}, {true, true, true}},
    {"0", "127", {"127", "0", "0"}, {true, true, false}},
    {"0", "127", {"0", "64", "127"}, {true, true, true}},
    {"0", "127", {"0", "64", "127"}, {true, true, true}},
    {"0", "127", {"0", "0", "0"}, {true, false, false}},
}};

// One number field of the check: where it lives, its kind, and whether the check rewrites it.
struct Field {
    const char* control;
    std::string* text;
    FieldKind kind;
    bool rewrite;  // the editor's validated fields are written back in their normal form
};

void add(std::vector<Field>& out, const char* control, std::string& text, FieldKind kind, bool rewrite = true) {
    out.push_back({control, &text, kind, rewrite});
}

// The fields a run of the effect's type reads, in page order.
std::vector<Field> fieldsOf(EffectSettings& s) {
    std::vector<Field> f;
    constexpr FieldKind I = FieldKind::integer;
    constexpr FieldKind D = FieldKind::decimal;
    switch (s.effectType) {
    case 0: {
        AddEventPage& p = s.addEvent;
        add(f, "NoteMin", p.NoteMin, I);
        add(f, "NoteMax", p.NoteMax, I);
        add(f, "VeloMin", p.VeloMin, I);
        add(f, "VeloMax", p.VeloMax, I);
        add(f, "DurMin", p.DurMin, D);
        add(f, "DurMax", p.DurMax, D);
        if (p.AddItem == 7) add(f, "CtrlNoEdit", p.CtrlNoEdit, I);
        add(f, "ValueMin", p.ValueMin, D);
        add(f, "ValueMax", p.ValueMax, D);
        add(f, "Distance", p.Distance, D);
        add(f, "MinimunDifference", p.MinimunDifference, D);
        add(f, "StartShift", p.StartShift, I);
        add(f, "DurationPercent", p.DurationPercent, I);
        add(f, "ApplyTime", p.ApplyTime, D);
        add(f, "PreprocValue", p.PreprocValue, I);
        add(f, "PostprocValue", p.PostprocValue, I);
        break;
    }
    case 1: {
        DeletePage& p = s.deleteEvents;
        if (p.DelItemComboBox1 == 7) add(f, "DelCtrlNoEdit1", p.DelCtrlNoEdit1, I);
        add(f, "DelVallMin", p.DelVallMin, I);
        add(f, "DelValMax", p.DelValMax, I);
        add(f, "DelNumel", p.DelNumel, I);
        add(f, "DelDenom", p.DelDenom, I);
        add(f, "exceptval1", p.exceptval[0], I);
        add(f, "exceptval2", p.exceptval[1], I);
        add(f, "exceptval3", p.exceptval[2], I);
        break;
    }
    case 2:
        add(f, "VeloRangeMin", s.velocity.VeloRangeMin, I);
        add(f, "VeloRangeMax", s.velocity.VeloRangeMax, I);
        break;
    case 3:
        add(f, "TSValMin", s.timeShift.TSValMin, I);
        add(f, "TSValMax", s.timeShift.TSValMax, I);
        break;
    case 4: {
        EchoPage& p = s.echo;
        add(f, "EchoDelayText", p.EchoDelayText, D);
        static const char* const names[5] = {"EditOct1", "EditOct2", "EditOct3", "EditOct4", "EditOct5"};
        int count = std::clamp(p.EchoCount, 1, 5);
        for (int k = 0; k < count; ++k) add(f, names[k], p.EditOct[static_cast<size_t>(k)], I, false);
        break;
    }
    case 5: break;  // its range fields read as 0 and 127 when they are not numbers
    case 6: {
        DurationPage& p = s.duration;
        add(f, "durFilterNoteMin", p.durFilterNoteMin, I);
        add(f, "durFilterNoteMax", p.durFilterNoteMax, I);
        add(f, "durFilterDurMin", p.durFilterDurMin, D);
        add(f, "durFilterDurMax", p.durFilterDurMax, D);
        if (p.durChangeMethod == 1)
            add(f, "DurValue", p.DurValue, I, false);
        else if (p.durChangeMethod == 2)
            add(f, "TenutoPC", p.TenutoPC, I, false);
        else
            add(f, "durPercent", p.durPercent, I, false);
        add(f, "durMaxLimit", p.durMaxLimit, I, false);
        add(f, "durMinLimit", p.durMinLimit, I, false);
        break;
    }
    case 7:
        add(f, "ChordBound", s.chord.ChordBound, I, false);
        add(f, "resStart", s.chord.resStart, I, false);
        add(f, "resEnd", s.chord.resEnd, I, false);
        break;
    default: break;
    }
    return f;
}

std::vector<BadField> check(std::vector<Field> fields, bool rewrite) {
    std::vector<BadField> bad;
    for (const Field& f : fields) {
        if (f.kind == FieldKind::integer) {
            auto v = readInteger(*f.text);
            if (!v)
                bad.push_back({f.control, f.kind, *f.text});
            else if (rewrite && f.rewrite)
                *f.text = std::to_string(*v);
        } else {
            auto v = readDecimal(*f.text);
            if (!v)
                bad.push_back({f.control, f.kind, *f.text});
            else if (rewrite && f.rewrite)
                *f.text = formatDecimal(*v);
        }
    }
    return bad;
}

}  // namespace

int findItem(ItemList items, std::string_view text) {
    for (size_t i = 0; i < items.size(); ++i) {
        std::string_view item = items[i];
        if (item.size() != text.size()) continue;
        bool same = true;
        for (size_t k = 0; k < item.size() && same; ++k) same = lower(item[k]) == lower(text[k]);
        if (same) return static_cast<int>(i);
    }
    return -1;
}

std::string_view itemText(ItemList items, int index) {
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return {};
    return items[static_cast<size_t>(index)];
}

void chooseAddItem(AddEventPage& page, int item) {
    page.AddItem = item;
    if (item < 0 || item >= static_cast<int>(kAddItemInfo.size())) return;
    const AddItemInfo& info = kAddItemInfo[static_cast<size_t>(item)];
    page.ValueMin = info.valueMin;
    page.ValueMax = info.valueMax;
    page.PreprocValue = info.prePostValue;
    page.PostprocValue = info.prePostValue;
    if (info.pitchBend) {
        page.MinDiffUnit = 1;
        page.MinimunDifference = "0.01";
    }
}

void chooseDeleteItem(DeletePage& page, int item) {
    page.DelItemComboBox1 = item;
    if (item < 0 || item >= static_cast<int>(kDeleteDefaults.size())) return;
    const DeleteItemDefaults& d = kDeleteDefaults[static_cast<size_t>(item)];
    page.DelVallMin = d.min;
    page.DelValMax = d.max;
    for (size_t k = 0; k < 3; ++k) {
        page.exceptval[k] = d.except[k];
        page.ExceptData[k] = d.on[k];
    }
}

void chooseModify(ModifyControlPage& page, int index) {
    page.Modify = index;
    if (index == 0) {
        page.Edit1ModCOntrolMin = "-128";
        page.Edit2ModCOntrolMax = "127";
    } else if (index == 1) {
        page.Edit1ModCOntrolMin = "-8192";
        page.Edit2ModCOntrolMax = "8191";
    }
}

void setChordDefaults(ChordPage& page, int timeBase) {
    page.ChordBound = std::to_string(timeBase / 32);
    page.resStart = std::to_string(-(timeBase / 24));
    page.resEnd = std::to_string(timeBase / 24);
}

std::string BadField::message() const {
    return control + (kind == FieldKind::integer ? ": Integer Only (not an integer: " : ": Number Only (not a number: ") +
           text + ")";
}

std::vector<BadField> normaliseNumberFields(EffectSettings& settings) { return check(fieldsOf(settings), true); }

std::vector<BadField> checkNumberFields(const EffectSettings& settings) {
    EffectSettings copy = settings;
    return check(fieldsOf(copy), false);
}

bool canApply(const EffectSettings& settings) {
    auto d = readDecimal(settings.addEvent.Distance);
    return d && *d > 0;
}

}  // namespace tonvela
