#include "effects/effect_file.h"

#include <algorithm>

#include "base/errors.h"
#include "base/fileio.h"
#include "settings/numbertext.h"

namespace tonvela {

namespace {

constexpr std::string_view kElementEnd = "Element End";

bool isBlank(unsigned char c) { return c >= 1 && c <= 32; }

// ---- the blocks, written once for reading, writing and describing ---------------------------
//
// A visitor V offers: text(name, std::string&), item(name, int&, ItemList, onRead),
// index(name, int&, ItemList), number(name, int&, lo, hi) for an index without a list,
// toggle(name, bool&), position(name, int&, lo, hi), has(fromVersion), and peekFunctionBlock()
// for the Time Shift block.

template <class V>
void functionBlock(V& v, FunctionPage& p) {
    v.item("Function", p.Function, kFunctionItems);
    v.toggle("F2", p.F2);
    v.item("Function2", p.Function2, kFunctionItems);
    v.toggle("F3", p.F3);
    v.item("Function3", p.Function3, kFunctionItems);
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

template <class V>
void addEventsBlock(V& v, EffectSettings& s) {
    AddEventPage& p = s.addEvent;
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
    v.item("Cutoff", p.Cutoff, kCutoffItems);
    v.text("ValueMin", p.ValueMin);
    v.text("ValueMax", p.ValueMax);
    v.item("PitchBendUnit", p.PitchBendUnit, kBendUnitItems);
    v.text("Distance", p.Distance);
    v.item("DistanceUnit", p.DistanceUnit, kTimeUnitItems);
    v.text("StartShift", p.StartShift);
    v.item("ApplyRange", p.ApplyRange, kApplyRangeItems);
    v.text("DurationPercent", p.DurationPercent);
    v.item("ApplyPosition", p.ApplyPosition, kApplyPositionItems);
    v.text("ApplyTime", p.ApplyTime);
    v.item("ApplyTimeUnit", p.ApplyTimeUnit, kShortTimeUnitItems);
    v.toggle("ReplaceEvent", p.ReplaceEvent);
    v.toggle("PreProcess", p.PreProcess);
    v.text("PreprocValue", p.PreprocValue);
    v.toggle("PostProcess", p.PostProcess);
    v.text("PostprocValue", p.PostprocValue);
    if (v.has(1)) {
        v.item("DurationUnit", p.DurationUnit, kShortTimeUnitItems);
        v.text("CtrlNoEdit", p.CtrlNoEdit);
        v.text("MinimunDifference", p.MinimunDifference);
    } else {
        p.DurationUnit = 0;
        p.CtrlNoEdit = "0";
        p.MinimunDifference = "1";
    }
    if (v.has(3))
        v.item("MinDiffUnit", p.MinDiffUnit, kBendUnitItems);
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
    functionBlock(v, s.function);
}

template <class V>
void deleteBlock(V& v, EffectSettings& s) {
    DeletePage& p = s.deleteEvents;
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
void velocityBlock(V& v, EffectSettings& s) {
    VelocityPage& p = s.velocity;
    v.text("VeloRangeMin", p.VeloRangeMin);
    v.text("VeloRangeMax", p.VeloRangeMax);
    v.item("ChangeMethod", p.ChangeMethod, kChangeMethodItems);
    v.item("VeloModScaling", p.VeloModScaling, kCutoffItems);
    v.item("FunctionX", p.FunctionX, kVelocitySourceItems);
    functionBlock(v, s.function);
}

template <class V>
void timeShiftBlock(V& v, EffectSettings& s) {
    TimeShiftPage& p = s.timeShift;
    v.text("TSValMin", p.TSValMin);
    v.text("TSValMax", p.TSValMax);
    v.item("TimeShiftRadioGroup", p.TimeShiftRadioGroup, kTimeShiftSourceItems);
    // Files from before the function block end here.
    if (v.peekFunctionBlock()) functionBlock(v, s.function);
}

template <class V>
void echoBlock(V& v, EffectSettings& s) {
    EchoPage& p = s.echo;
    static const char* const vols[5] = {"EchoVol1", "EchoVol2", "EchoVol3", "EchoVol4", "EchoVol5"};
    static const char* const octs[5] = {"EditOct1", "EditOct2", "EditOct3", "EditOct4", "EditOct5"};
    v.text("EchoDelayText", p.EchoDelayText);
    v.item("EchoDelayUnit", p.EchoDelayUnit, kTimeUnitItems);
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

template <class V>
void modifyControlBlock(V& v, EffectSettings& s) {
    ModifyControlPage& p = s.modifyControl;
    v.index("Modify", p.Modify, kModifyItems);
    v.number("ComboBoxControl", p.ComboBoxControl, 0, 127);
    v.index("ContModScaling", p.ContModScaling, kCutoffItems);
    v.text("Edit1ModCOntrolMin", p.Edit1ModCOntrolMin);
    v.text("Edit2ModCOntrolMax", p.Edit2ModCOntrolMax);
    v.index("OutOfRange", s.echo.OutOfRange, kOutOfRangeItems);
    v.index("ModContVal", p.ModContVal, kChangeMethodItems);
    v.index("ModContFS", p.ModContFS, kModContFSItems);
    if (v.has(8)) functionBlock(v, s.function);
}

template <class V>
void durationBlock(V& v, EffectSettings& s) {
    DurationPage& p = s.duration;
    v.text("durFilterNoteMin", p.durFilterNoteMin);
    v.text("durFilterNoteMax", p.durFilterNoteMax);
    v.text("durFilterDurMin", p.durFilterDurMin);
    v.text("durFilterDurMax", p.durFilterDurMax);
    v.item("modifydurComboBox1", p.modifydurComboBox1, kShortTimeUnitItems);
    v.index("durChangeMethod", p.durChangeMethod, kDurChangeMethodItems);
    v.text("durPercent", p.durPercent);
    v.text("DurValue", p.DurValue);
    v.text("durMaxLimit", p.durMaxLimit);
    v.text("durMinLimit", p.durMinLimit);
    if (v.has(9)) v.toggle("SingleNote", p.SingleNote);
}

template <class V>
void chordBlock(V& v, EffectSettings& s) {
    ChordPage& p = s.chord;
    v.text("ChordBound", p.ChordBound);
    v.index("Center", p.Center, kCenterItems);
    v.index("StrokeMethod", p.StrokeMethod, kStrokeMethodItems);
    v.position("Devision", p.Devision, 1, 6);
    v.index("Stroke", p.Stroke, kStrokeItems);
    v.text("resStart", p.resStart);
    v.text("resEnd", p.resEnd);
}

template <class V>
void typeBlock(V& v, EffectSettings& s) {
    switch (s.effectType) {
    case 0: addEventsBlock(v, s); break;
    case 1: deleteBlock(v, s); break;
    case 2: velocityBlock(v, s); break;
    case 3: timeShiftBlock(v, s); break;
    case 4: echoBlock(v, s); break;
    case 5: modifyControlBlock(v, s); break;
    case 6: durationBlock(v, s); break;
    case 7: chordBlock(v, s); break;
    default: break;
    }
}

// ---- reading --------------------------------------------------------------------------------

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

class Reader {
public:
    Reader(const std::vector<std::string_view>& lines, size_t cursor, int version)
        : lines_(lines), cursor_(cursor), version_(version) {}

    bool has(int fromVersion) const { return version_ >= fromVersion; }

    void text(const char* name, std::string& out) { out = std::string(next(name)); }

    template <class OnRead = void (*)(int)>
    void item(const char* name, int& out, ItemList items, OnRead onRead = nullptr) {
        out = findItem(items, next(name));
        if constexpr (!std::is_same_v<OnRead, void (*)(int)>) onRead(out);
    }

    void index(const char* name, int& out, ItemList items) {
        int v = integer(name);
        out = v >= 0 && static_cast<size_t>(v) < items.size() ? v : -1;
    }

    void number(const char* name, int& out, int lo, int hi) {
        int v = integer(name);
        out = v >= lo && v <= hi ? v : -1;
    }

    void toggle(const char* name, bool& out) { out = integer(name) != 0; }

    // Sliders and up-down controls keep their positions within their range.
    void position(const char* name, int& out, int lo, int hi) { out = std::clamp(integer(name), lo, hi); }

    bool peekFunctionBlock() const { return cursor_ < lines_.size() && lines_[cursor_] != kElementEnd; }

private:
    std::string_view next(const char* name) {
        if (cursor_ >= lines_.size())
            throw MidiError("The effect file ends early: line " + std::to_string(cursor_ + 1) + " (" + name +
                            ") is missing.");
        return lines_[cursor_++];
    }

    int integer(const char* name) {
        size_t lineNo = cursor_ + 1;
        std::string_view line = next(name);
        // A number too large for 32 bits is still a number: its control clamps or refuses it.
        auto v = readIntegerClamped(line);
        if (!v)
            throw MidiError("The effect file is broken: line " + std::to_string(lineNo) + " (" + name +
                            ") is not a number: " + std::string(line.substr(0, 40)));
        return *v;
    }

    const std::vector<std::string_view>& lines_;
    size_t cursor_;
    int version_;
};

// ---- writing and describing -------------------------------------------------------------------

void checkOneLine(const std::string& text, const char* name) {
    if (text.find_first_of("\r\n") != std::string::npos)
        throw MidiError(std::string("The effect cannot be saved: ") + name + " holds a line break.");
}

class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}
    bool has(int) const { return true; }
    void text(const char* name, std::string& t) {
        checkOneLine(t, name);
        line(t);
    }
    template <class OnRead = void (*)(int)>
    void item(const char*, int& v, ItemList items, OnRead = nullptr) {
        line(itemText(items, v));
    }
    void index(const char*, int& v, ItemList items) {
        line(std::to_string(v >= 0 && static_cast<size_t>(v) < items.size() ? v : -1));
    }
    void number(const char*, int& v, int, int) { line(std::to_string(v)); }
    void toggle(const char*, bool& v) { line(v ? "1" : "0"); }
    void position(const char*, int& v, int, int) { line(std::to_string(v)); }
    bool peekFunctionBlock() const { return true; }
    void line(std::string_view t) {
        out_ += t;
        out_ += "\r\n";
    }

private:
    std::string& out_;
};

class Describer {
public:
    bool has(int) const { return true; }
    void text(const char* name, std::string& t) { add(name, t); }
    template <class OnRead = void (*)(int)>
    void item(const char* name, int& v, ItemList items, OnRead = nullptr) {
        add(name, itemText(items, v));
    }
    void index(const char* name, int& v, ItemList items) { add(name, itemText(items, v)); }
    void number(const char* name, int& v, int, int) { add(name, std::to_string(v)); }
    void toggle(const char* name, bool& v) { add(name, v ? "1" : "0"); }
    void position(const char* name, int& v, int, int) { add(name, std::to_string(v)); }
    bool peekFunctionBlock() const { return true; }
    std::vector<std::string> lines;

private:
    void add(const char* name, std::string_view value) { lines.push_back(std::string(name) + "=" + std::string(value)); }
};

}  // namespace

std::string encodeCommaText(const std::vector<std::string>& lines) {
    if (lines.size() == 1 && lines[0].empty()) return "\"\"";
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += ',';
        const std::string& line = lines[i];
        bool quote = std::any_of(line.begin(), line.end(), [](char c) {
            auto u = static_cast<unsigned char>(c);
            return u <= 32 || c == '"' || c == ',';
        });
        if (!quote) {
            out += line;
            continue;
        }
        out += '"';
        for (char c : line) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> decodeCommaText(std::string_view text) {
    // A NUL ends the text, as it ends a C string.
    if (size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    std::vector<std::string> items;
    size_t p = 0;
    auto skipBlanks = [&] {
        while (p < text.size() && isBlank(static_cast<unsigned char>(text[p]))) ++p;
    };
    skipBlanks();
    while (p < text.size()) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            size_t start = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > 32 && text[p] != ',') ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < text.size() && text[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
    return items;
}

LoadedEffect parseEffect(std::string_view text, const EffectSettings& current) {
    const std::vector<std::string_view> lines = splitLines(text);
    LoadedEffect loaded;
    loaded.settings = current;
    EffectSettings& s = loaded.settings;
    if (lines.empty()) throw MidiError("The effect file is empty.");
    auto version = readInteger(lines[0]);
    if (!version) throw MidiError("This is not an effect file: line 1 is not a version number.");
    loaded.version = *version;
    if (loaded.version > kEffectFileVersion) loaded.warnings.emplace_back(kNewerEffectMessage);
    if (lines.size() < 4)
        throw MidiError("The effect file ends early: line " + std::to_string(lines.size() + 1) + " is missing.");
    s.effectType = findItem(kEffectTypeItems, lines[1]);
    s.EffectName = std::string(lines[2]);
    s.Description = decodeCommaText(lines[3]);
    Reader reader(lines, 4, loaded.version);
    typeBlock(reader, s);
    return loaded;
}

LoadedEffect loadEffect(const std::string& path, const EffectSettings& current) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    return parseEffect(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), current);
}

std::string formatEffect(const EffectSettings& settings) {
    EffectSettings s = settings;
    std::string out;
    Writer w(out);
    w.line("0009");
    w.line(itemText(kEffectTypeItems, s.effectType));
    checkOneLine(s.EffectName, "EffectName");
    w.line(s.EffectName);
    for (const std::string& line : s.Description) checkOneLine(line, "Description");
    w.line(encodeCommaText(s.Description));
    typeBlock(w, s);
    w.line(kElementEnd);
    return out;
}

void saveEffect(const std::string& path, const EffectSettings& settings) {
    std::string text = formatEffect(settings);
    writeFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), "The effect file could not be saved.");
}

std::vector<std::string> describeEffectControls(const EffectSettings& settings) {
    EffectSettings s = settings;
    Describer d;
    typeBlock(d, s);
    return std::move(d.lines);
}

}  // namespace tonvela
