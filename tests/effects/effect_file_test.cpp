// Effect files: the commaText description, the layout per type, old versions, and refusal of
// files that do not read.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "effects/effect_file.h"
#include "temp_folder.h"

using namespace tonvela;

namespace {

std::string crlf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

std::string refusal(const std::string& text) {
    try {
        parseEffect(text, EffectSettings{});
    } catch (const MidiError& e) {
        return e.what();
    }
    return "";
}

const std::initializer_list<std::string> kFunctionBlock = {"Sin", "1", "x^2", "0", "Cos", "1", "0", "-20", "30", "40", "1"};

}  // namespace

TEST(CommaText, WritesAndReadsDescriptions) {
    struct Case {
        std::vector<std::string> lines;
        std::string text;
    };
    const Case cases[] = {
        {{""}, "\"\""},
        {{"Fade in", "Slow"}, "\"Fade in\",Slow"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"a,b", "c"}, "\"a,b\",c"},
        {{"a", "", "b"}, "a,,b"},
        {{}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encodeCommaText(c.lines), c.text);
        EXPECT_EQ(decodeCommaText(c.text), c.lines) << c.text;
    }
    // An unquoted blank separates items; leading blanks and blanks after a comma are skipped.
    EXPECT_EQ(decodeCommaText("  one two, three"), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(decodeCommaText("\"open"), (std::vector<std::string>{"open"}));
}

TEST(EffectFile, EveryTypeSavesAndLoadsTheSameControls) {
    for (int type = 0; type < 8; ++type) {
        EffectSettings s;
        s.effectType = type;
        s.EffectName = "Name " + std::to_string(type);
        s.Description = {"Fade in", "Slow"};
        s.addEvent.NoteMin = "12";
        chooseAddItem(s.addEvent, 8);
        s.addEvent.FunctionSource1 = 2;
        s.addEvent.PitchNameFilter = 5;
        s.addEvent.MinDiffUnit = 0;
        s.function.Function = 3;
        s.function.TrackBar2 = -33;
        s.function.Abs = true;
        chooseDeleteItem(s.deleteEvents, 3);
        s.deleteEvents.DelCtrlNoEdit1 = "33";
        s.velocity.FunctionX = 6;
        s.timeShift.TSValMax = "25";
        s.echo.EchoCount = 5;
        s.echo.EchoVol[4] = 1;
        s.echo.EditOct[2] = "-12";
        s.echo.EmulateSustain = true;
        s.echo.SelectTarget = true;
        s.echo.OutOfRange = 1;
        s.modifyControl.ComboBoxControl = 74;
        chooseModify(s.modifyControl, 1);
        s.duration.SingleNote = true;
        s.duration.durChangeMethod = 2;
        s.chord.Devision = 5;
        s.chord.resEnd = "33";
        const std::string text = formatEffect(s);
        EXPECT_EQ(text.substr(0, 6), "0009\r\n");
        EXPECT_EQ(text.substr(text.size() - 13), "Element End\r\n");
        LoadedEffect back = parseEffect(text, EffectSettings{});
        EXPECT_EQ(back.version, 9);
        EXPECT_TRUE(back.warnings.empty());
        EXPECT_EQ(back.settings.effectType, type);
        EXPECT_EQ(back.settings.EffectName, s.EffectName);
        EXPECT_EQ(back.settings.Description, s.Description);
        EXPECT_EQ(describeEffectControls(back.settings), describeEffectControls(s)) << type;
        EXPECT_EQ(formatEffect(back.settings), text);
    }
}

TEST(EffectFile, TheTenutoPercentageIsNotStored) {
    EffectSettings s;
    s.effectType = 6;
    s.duration.SingleNote = true;
    s.duration.TenutoPC = "80";
    EffectSettings current;
    current.duration.TenutoPC = "55";
    LoadedEffect back = parseEffect(formatEffect(s), current);
    EXPECT_TRUE(back.settings.duration.SingleNote);
    EXPECT_EQ(back.settings.duration.TenutoPC, "55");
}

TEST(EffectFile, AVersion0AddEventsFileTakesTheOlderDefaults) {
    std::vector<std::string> lines = {"0000", "Add Events", "Old", "\"\"", "0", "127", "1", "127", "1", "9999",
                                      "0", "1", "1", "1", "1", "Expression", "Scale", "0", "127", "Value", "10",
                                      "Tick", "-2", "Duration(%)", "100", "Head", "10", "Tick", "1", "1", "0", "1", "0"};
    lines.insert(lines.end(), kFunctionBlock.begin(), kFunctionBlock.end() - 1);  // no Abs before version 2
    lines.push_back("Element End");
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    EffectSettings current;
    current.addEvent.DurationUnit = 4;
    current.addEvent.FunctionSource1 = 2;
    current.addEvent.PitchNameFilter = 3;
    current.addEvent.CtrlNoEdit = "9";
    current.function.Abs = true;
    LoadedEffect back = parseEffect(text, current);
    const AddEventPage& p = back.settings.addEvent;
    EXPECT_EQ(p.AddItem, 4);
    EXPECT_EQ(p.DurationUnit, 0);
    EXPECT_EQ(p.CtrlNoEdit, "0");
    EXPECT_EQ(p.MinimunDifference, "1");
    EXPECT_EQ(p.FunctionSource1, 0);
    EXPECT_EQ(p.PitchNameFilter, 0);
    EXPECT_EQ(p.PreprocValue, "0");  // the file's value overrides the item's default 127
    EXPECT_EQ(back.settings.function.Function, 1);
    EXPECT_FALSE(back.settings.function.Abs);
}

TEST(EffectFile, ATimeShiftFileWithoutFunctionBlockKeepsTheCurrentCurve) {
    EffectSettings current;
    current.function.Function = 2;
    current.function.TrackBar1 = -7;
    LoadedEffect old = parseEffect(crlf({"0005", "Time Shift", "Old", "\"\"", "-5", "5", "Beat", "Element End"}), current);
    EXPECT_EQ(old.settings.timeShift.TSValMin, "-5");
    EXPECT_EQ(old.settings.timeShift.TimeShiftRadioGroup, 1);
    EXPECT_EQ(old.settings.function.Function, 2);
    EXPECT_EQ(old.settings.function.TrackBar1, -7);
}

TEST(EffectFile, NewerFilesWarnUnknownTextsLeaveNoChoice) {
    LoadedEffect newer = parseEffect(crlf({"0010", "Time Shift", "N", "\"\"", "-5", "5", "sideways", "Element End"}), {});
    EXPECT_EQ(newer.warnings, std::vector<std::string>{std::string(kNewerEffectMessage)});
    EXPECT_EQ(newer.settings.timeShift.TimeShiftRadioGroup, -1);
    // An unknown type reads no block and the run refuses it.
    LoadedEffect unknown = parseEffect(crlf({"0009", "Swirl", "S", "\"\"", "garbage"}), {});
    EXPECT_EQ(unknown.settings.effectType, -1);
    EXPECT_TRUE(describeEffectControls(unknown.settings).empty());
    // Item lookup ignores case.
    EXPECT_EQ(parseEffect(crlf({"9", "time shift", "x", "", "1", "2", "BEAT"}), {}).settings.timeShift.TimeShiftRadioGroup, 1);
}

TEST(EffectFile, UntrustedFilesAreClampedOrRefused) {
    const std::string echoHead = "0009\r\nEcho\r\nE\r\n\"\"\r\n150\r\nTick\r\n";
    auto echo = [&](const std::string& count, const std::string& vol1, const std::string& channel,
                    const std::string& overlap) {
        return echoHead + count + "\r\n" + vol1 + "\r\n150\r\n170\r\n180\r\n190\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\nEcho Track\r\n1\r\n" +
               channel + "\r\n0\r\n" + overlap + "\r\n0\r\n0\r\nElement End\r\n";
    };
    LoadedEffect clamped = parseEffect(echo("9", "999", "0", "7"), {});
    EXPECT_EQ(clamped.settings.echo.EchoCount, 5);
    EXPECT_EQ(clamped.settings.echo.EchoVol[0], 255);
    EXPECT_EQ(clamped.settings.echo.UpDownEchannel, 1);
    EXPECT_EQ(clamped.settings.echo.Overlap, -1);  // an index past the list: no choice
    EXPECT_EQ(parseEffect(echo("-3", "0", "99", "2"), {}).settings.echo.EchoCount, 1);

    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "The effect file is empty."},
        {"hello\r\n", "This is not an effect file: line 1 is not a version number."},
        {"0009\r\nEcho\r\nE\r\n", "The effect file ends early: line 4 is missing."},
        {echoHead + "three\r\n", "The effect file is broken: line 7 (EchoCount) is not a number: three"},
        {echoHead + "3\r\n127\r\n", "The effect file ends early: line 9 (EchoVol2) is missing."},
        {crlf({"0009", "Add Events", "A", "\"\"", "0", "127"}), "The effect file ends early: line 7 (VeloMin) is missing."},
        {crlf({"0009", "Modify PichBend/Control", "M", "\"\"", "0", "x"}),
         "The effect file is broken: line 6 (ComboBoxControl) is not a number: x"},
    };
    for (const Case& c : cases) EXPECT_EQ(refusal(c.text), c.message) << c.text;
    // A controller number outside 0..127 leaves no choice; a slider outside -50..50 is clamped.
    std::string modify = crlf({"0009", "Modify PichBend/Control", "M", "\"\"", "0", "300", "1", "-128", "127", "0", "0", "0",
                               "Linear", "0", "Linear", "0", "Linear", "0", "0", "77", "-90", "10", "0"});
    LoadedEffect m = parseEffect(modify, {});
    EXPECT_EQ(m.settings.modifyControl.ComboBoxControl, -1);
    EXPECT_EQ(m.settings.function.TrackBar1, 50);
    EXPECT_EQ(m.settings.function.TrackBar2, -50);
    // LF-only files read too.
    EXPECT_EQ(parseEffect("9\nTime Shift\nx\n\n1\n2\nBeat\n", {}).settings.timeShift.TSValMax, "2");
}

// A slider value too large for 32 bits is a number all the same: clamped like 2147483647.
TEST(EffectFile, SliderValuesBeyond32BitsAreClamped) {
    struct Case {
        std::string value;
        int trackBar;
    };
    const Case cases[] = {{"2147483647", 50}, {"2147483648", 50}, {"99999999999999999999999", 50},
                          {"-2147483649", -50}, {" +4294967296 ", 50}};
    for (const Case& c : cases) {
        std::string modify = crlf({"0009", "Modify PichBend/Control", "M", "\"\"", "0", "7", "1", "-128", "127", "0", "0",
                                   "0", "Linear", "0", "Linear", "0", "Linear", "0", "0", c.value, "10", "10", "0"});
        EXPECT_EQ(parseEffect(modify, {}).settings.function.TrackBar1, c.trackBar) << c.value;
    }
    EXPECT_EQ(refusal(crlf({"0009", "Modify PichBend/Control", "M", "\"\"", "0", "7", "1", "-128", "127", "0", "0", "0",
                            "Linear", "0", "Linear", "0", "Linear", "0", "0", "2147483648x", "10", "10", "0"})),
              "The effect file is broken: line 20 (TrackBar1) is not a number: 2147483648x");
}

TEST(EffectFile, SaveWritesAtomicallyAndRefusesLineBreaks) {
    tonvela::test::TempFolder dir;
    const std::string path = dir.file("swell.fxl");
    EffectSettings s;
    s.EffectName = "Swell";
    saveEffect(path, s);
    EXPECT_EQ(loadEffect(path).settings.EffectName, "Swell");
    s.EffectName = "two\nlines";
    EXPECT_THROW(saveEffect(path, s), MidiError);
    EXPECT_EQ(loadEffect(path).settings.EffectName, "Swell");
    EXPECT_THROW(loadEffect(dir.file("missing.fxl")), MidiError);
}
