// Change Drum List files (.cdl): the exact layout written, the round trip, the newer-version
// warning, and the refusal of files that do not hold what they promise.

#include <gtest/gtest.h>

#include "base/errors.h"
#include "drums/change_list.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// A file's text from its lines, CR LF after each.
std::string file(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

const std::string kHead = file({"0000", "1", "1", "1", "0", "0", "0", "0", "0", "0", "0", "0", "1", "0", "0", "0",
                                "0", "0", "0"});

std::string messageOf(const std::string& text) {
    try {
        parseChangeList(text);
    } catch (const MidiError& e) {
        return e.message();
    }
    return "(accepted)";
}

}  // namespace

TEST(ChangeList, WritesTheLayoutAndReadsItBack) {
    DrumChangeSettings s;
    s.noteKind = kNoteKind;
    s.method = kCopyMethod;
    s.channels = std::bitset<16>().set(0).set(9).set(15);
    s.mappings = {{36, 37}, {60, 72}, {36, 0}};
    const std::string text = formatChangeList(s);
    EXPECT_EQ(text, file({"0000", "1", "1", "1", "0", "0", "0", "0", "0", "0", "0", "0", "1", "0", "0", "0", "0",
                          "0", "1", "3", "36", "37", "60", "72", "36", "0"}));
    const LoadedChangeList back = parseChangeList(text);
    EXPECT_EQ(back.settings, s);
    EXPECT_EQ(back.version, 0);
    EXPECT_TRUE(back.warnings.empty());

    TempFolder dir;
    saveChangeList(dir.file("kit.cdl"), s);
    EXPECT_EQ(readText(dir.file("kit.cdl")), text);
    EXPECT_EQ(loadChangeList(dir.file("kit.cdl")).settings, s);
    EXPECT_EQ(parseChangeList(formatChangeList(DrumChangeSettings())).settings, DrumChangeSettings());
}

// LF line ends, any non-zero channel flag and lines after the last pair are accepted.
TEST(ChangeList, ReadsWhatOtherEditorsLeave) {
    const std::string text = "0000\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n-5\n0\n0\n0\n0\n0\n2\n1\n35\n127\nextra\n";
    const LoadedChangeList l = parseChangeList(text);
    EXPECT_EQ(l.settings.noteKind, kDrumsKind);
    EXPECT_EQ(l.settings.channels, std::bitset<16>().set(9).set(15));
    EXPECT_EQ(l.settings.mappings, (std::vector<DrumMapping>{{35, 127}}));
}

TEST(ChangeList, NewerVersionWarnsAndReads) {
    std::string text = kHead;
    text.replace(0, 4, "0001");
    text += file({"1", "38", "40"});
    const LoadedChangeList l = parseChangeList(text);
    EXPECT_EQ(l.version, 1);
    EXPECT_EQ(l.warnings, std::vector<std::string>{"This data is made by NEWER Version. May fail to read this Effect."});
    EXPECT_EQ(l.settings.mappings, (std::vector<DrumMapping>{{38, 40}}));
}

// Every file that does not hold what it promises is refused, naming the line; none is read in
// part, whatever its count promises.
TEST(ChangeList, RefusesBrokenFiles) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"empty", "", "The change list is empty. Nothing was loaded."},
        {"not a list", "MThd\r\n", "This is not a change list: line 1 is not a version number. Nothing was loaded."},
        {"ends in the channels", file({"0000", "0", "0", "1"}),
         "The change list ends early: line 5 (Channel 2) is missing. Nothing was loaded."},
        {"no count", kHead, "The change list ends early: line 20 (number of mappings) is missing. Nothing was loaded."},
        {"count of pairs not there", kHead + file({"2", "36", "37", "38"}),
         "The change list ends early: its 2 mappings need 24 lines, the file has 23. Nothing was loaded."},
        {"huge count", kHead + file({"2147483647", "36", "37"}),
         "The change list ends early: its 2147483647 mappings need 4294967314 lines, the file has 22. Nothing was "
         "loaded."},
        {"count beyond a number", kHead + file({"99999999999", "36", "37"}),
         "The change list is broken: line 20 (number of mappings) is not a number: 99999999999. Nothing was loaded."},
        {"negative count", kHead + file({"-1"}),
         "The change list is broken: line 20 (number of mappings) is -1. Nothing was loaded."},
        {"garbage key", kHead + file({"1", "36", "Side Stick"}),
         "The change list is broken: line 22 (target key of mapping 1) is not a number: Side Stick. Nothing was "
         "loaded."},
        {"key 128", kHead + file({"2", "36", "37", "128", "1"}),
         "The change list is broken: line 23 (source key of mapping 2) is 128, not 0..127. Nothing was loaded."},
        {"key -1", kHead + file({"1", "36", "-1"}),
         "The change list is broken: line 22 (target key of mapping 1) is -1, not 0..127. Nothing was loaded."},
        {"kind 2", file({"0000", "2"}), "The change list is broken: line 2 (NoteKind) is 2, not 0..1. Nothing was loaded."},
        {"method not a number", file({"0000", "0", "Copy"}),
         "The change list is broken: line 3 (Method) is not a number: Copy. Nothing was loaded."},
        {"binary", std::string("\x00\xff\xfe\r\n", 5), "This is not a change list: line 1 is not a version number. Nothing was loaded."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(messageOf(c.text), c.message);
    }
    EXPECT_THROW(loadChangeList("/nonexistent/kit.cdl"), MidiError);
}

TEST(ChangeList, RefusesToSaveMappingsWithoutKeys) {
    DrumChangeSettings s;
    s.mappings = {{36, 37}, {-1, 37}};
    TempFolder dir;
    writeText(dir.file("kit.cdl"), "old");
    EXPECT_THROW(saveChangeList(dir.file("kit.cdl"), s), MidiError);
    EXPECT_EQ(readText(dir.file("kit.cdl")), "old");
}
