// Effect groups: the .fxg file as untrusted input, member paths that must stay inside the
// effects folder, the folder walk, and group runs (counts, messages, equality with running the
// members one after another, undo).

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <memory>

#include "base/errors.h"
#include "effect_fixture.h"
#include "effects/effect_file.h"
#include "effects/effect_group.h"
#include "effects/quick_slots.h"
#include "song/dump.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

std::string refusal(const std::string& text) {
    try {
        parseEffectGroup(text);
    } catch (const MidiError& e) {
        return e.what();
    }
    return "";
}

// An effects folder with two effects, one in a sub-folder.
struct Library {
    TempFolder dir;
    std::string root = dir.file("Effects");
    Library() {
        fs::create_directories(root + "/Dynamics");
        EffectSettings loud = effectOfType(2, "Loud");
        loud.velocity.ChangeMethod = 1;
        loud.velocity.VeloModScaling = 0;
        loud.function.TrackBar1 = 0;
        loud.velocity.VeloRangeMin = "99";
        saveEffect(root + "/Dynamics/Loud.fxl", loud);
        EffectSettings shift = effectOfType(3, "Later");
        shift.timeShift.TSValMin = "5";
        shift.timeShift.TSValMax = "5";
        shift.function.TrackBar1 = 0;
        saveEffect(root + "/Later.fxl", shift);
    }
};

std::unique_ptr<midiSong> demoSong() {
    auto song = std::make_unique<midiSong>();
    song->load(std::string(TONVELA_SOURCE_DIR) + "/examples/demo.mid");
    return song;
}

std::vector<std::string> fileNames(const fs::path& folder, const std::string& extension) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.path().extension() == extension) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The first line where two dumps differ, with its number; empty when they are the same.
std::string firstDifference(const std::string& a, const std::string& b) {
    size_t line = 1, start = 0;
    while (start < a.size() || start < b.size()) {
        const size_t ea = a.find('\n', start), eb = b.find('\n', start);
        const std::string la = a.substr(start, ea == std::string::npos ? std::string::npos : ea - start);
        const std::string lb = b.substr(start, eb == std::string::npos ? std::string::npos : eb - start);
        if (la != lb || ea != eb) return "line " + std::to_string(line) + ": " + la + " | " + lb;
        if (ea == std::string::npos) break;
        start = ea + 1;
        ++line;
    }
    return "";
}

const fs::path kShipped = fs::path(TONVELA_SOURCE_DIR) / "Effects";

}  // namespace

TEST(EffectGroupFile, WritesBackslashesAndReadsBothSeparators) {
    EffectGroup g{"Strings swell", {"Strings\\Swell.fxl", "Vibrato.fxl"}};
    const std::string text = formatEffectGroup(g);
    EXPECT_EQ(text, "000\r\nStrings swell\r\nStrings\\Swell.fxl\r\nVibrato.fxl\r\n");
    const EffectGroup back = parseEffectGroup(text);
    EXPECT_EQ(back.name, g.name);
    EXPECT_EQ(back.members, g.members);
    // LF line ends, blank member lines and an unexamined first line are taken as they come.
    const EffectGroup lf = parseEffectGroup("anything\nG\n\na.fxl\n  \nb/c.fxl");
    EXPECT_EQ(lf.name, "G");
    EXPECT_EQ(lf.members, (std::vector<std::string>{"a.fxl", "b/c.fxl"}));
    // A name or member holding a line break cannot be written.
    EXPECT_THROW(formatEffectGroup({"two\nlines", {}}), MidiError);
    EXPECT_THROW(formatEffectGroup({"G", {"a.fxl\r\nb.fxl"}}), MidiError);
}

TEST(EffectGroupFile, UntrustedFilesAreRefusedWithAMessage) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "The effect group file is empty."},
        {" \r\n\r\n", "The effect group file is empty."},
        {"000\r\n", "The effect group file ends early: line 2 (the group name) is missing."},
        {"000", "The effect group file ends early: line 2 (the group name) is missing."},
        {"000\r\nG\r\n" + std::string(kMaxGroupLineBytes + 1, 'a') + "\r\n",
         "The effect group file is broken: line 3 is longer than 1024 characters."},
        {std::string("000\r\nG\r\na\0b.fxl\r\n", 15), "This is not an effect group file: line 3 holds binary data."},
        {std::string("MThd\x00\x00\x00\x06\x00\x01", 10), "This is not an effect group file: line 1 holds binary data."},
        {"\x7f" "ELF\x02\x01", "This is not an effect group file: line 1 holds binary data."},
        {std::string(kMaxGroupFileBytes + 1, 'x'), "The effect group file is too large (1048577 bytes)."},
    };
    for (const Case& c : cases) EXPECT_EQ(refusal(c.text), c.message) << c.text.substr(0, 40);

    TempFolder dir;
    EXPECT_THROW(loadEffectGroup(dir.file("missing.fxg")), MidiError);
    writeText(dir.file("big.fxg"), std::string(kMaxGroupFileBytes + 10, '\n'));
    EXPECT_THROW(loadEffectGroup(dir.file("big.fxg")), MidiError);
}

TEST(EffectGroupMembers, PathsStayInsideTheEffectsFolder) {
    Library lib;
    TempFolder outside;
    writeText(outside.file("secret.fxl"), "0009\r\n");
    fs::create_symlink(outside.file("secret.fxl"), lib.root + "/LinkOut.fxl");
    fs::create_symlink(lib.root + "/Later.fxl", lib.root + "/Dynamics/LinkIn.fxl");
    fs::create_symlink(outside.path(), lib.root + "/OutFolder");
    struct Case {
        std::string line;
        MemberState state;
    };
    const Case cases[] = {
        {"Later.fxl", MemberState::found},
        {"Dynamics\\Loud.fxl", MemberState::found},
        {"Dynamics/Loud.fxl", MemberState::found},
        {"Dynamics\\\\.\\Loud.fxl", MemberState::found},
        {"Dynamics\\LinkIn.fxl", MemberState::found},
        {"Nothing.fxl", MemberState::missing},
        {"Dynamics", MemberState::missing},
        {"", MemberState::missing},
        {"..\\secret.fxl", MemberState::outside},
        {"Dynamics\\..\\Later.fxl", MemberState::outside},
        {"\\etc\\passwd", MemberState::outside},
        {"/etc/passwd", MemberState::outside},
        {"C:\\Effects\\Later.fxl", MemberState::outside},
        {"LinkOut.fxl", MemberState::outside},
        {"OutFolder\\secret.fxl", MemberState::outside},
    };
    for (const Case& c : cases) {
        const GroupMember m = findGroupMember(lib.root, c.line);
        EXPECT_EQ(m.state, c.state) << c.line;
        EXPECT_EQ(m.path.empty(), c.state != MemberState::found) << c.line;
    }
    EXPECT_EQ(groupMemberLine(lib.root, lib.root + "/Dynamics/Loud.fxl"), "Dynamics\\Loud.fxl");
    EXPECT_EQ(groupMemberLine(lib.root + "/", lib.root + "/Later.fxl"), "Later.fxl");
    EXPECT_EQ(groupMemberLine(lib.root, outside.file("secret.fxl")), "");
}

TEST(EffectGroupMembers, TheFolderWalkSortsSkipsHiddenFoldersAndNeverLoops) {
    Library lib;
    TempFolder outside;
    fs::create_directories(lib.root + "/.git");
    writeText(lib.root + "/.git/x.fxl", "");
    writeText(lib.root + "/alpha.FXL", "");
    writeText(lib.root + "/Beta.fxg", "");
    writeText(lib.root + "/notes.txt", "");
    fs::create_directories(lib.root + "/Empty");
    writeText(outside.file("far.fxl"), "");
    fs::create_directory_symlink(lib.root, lib.root + "/Dynamics/Loop");  // back up: a loop
    fs::create_directory_symlink(outside.path(), lib.root + "/Far");      // out of the folder

    const std::vector<EffectFolderEntry> tree = scanEffectsFolder(lib.root, ".fxl");
    std::vector<std::string> names;
    for (const EffectFolderEntry& e : tree) names.push_back(e.name + (e.folder ? "/" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.FXL", "Dynamics/", "Empty/", "Later.fxl"}));
    ASSERT_EQ(tree[1].children.size(), 1u);
    EXPECT_EQ(tree[1].children[0].name, "Loud.fxl");
    EXPECT_TRUE(tree[2].children.empty());

    const std::vector<EffectFolderEntry> groups = scanEffectsFolder(lib.root, ".fxg");
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups[0].name, "Beta.fxg");
    EXPECT_TRUE(scanEffectsFolder(lib.dir.file("none"), ".fxl").empty());
}

TEST(EffectGroupRun, MissingAndFailingMembersAreCountedAndTheRestRuns) {
    Library lib;
    // A member whose interval is 0 cannot run; one whose file is broken cannot be read.
    EffectSettings stuck = effectOfType(0, "Stuck");
    stuck.addEvent.Distance = "0";
    saveEffect(lib.root + "/Stuck.fxl", stuck);
    writeText(lib.root + "/Broken.fxl", "0009\r\nEcho\r\nB\r\n\"\"\r\n150\r\nTick\r\nmany\r\n");
    const EffectGroup group{"Mixed",
                            {"Dynamics\\Loud.fxl", "Gone.fxl", "..\\Later.fxl", "Broken.fxl", "Stuck.fxl", "Later.fxl"}};
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 60, 100, 50).note(960, 62, 100, 50)});
    std::vector<std::string> statuses, failures;
    GroupRunHooks hooks;
    hooks.status = [&](const std::string& s) { statuses.push_back(s); };
    hooks.failed = [&](const GroupFailure& f) { failures.push_back(f.message + (f.detail.empty() ? "" : " | " + f.detail)); };
    const GroupRunResult r = runEffectGroup(song, group, lib.root, Selection::wholeSong(song), hooks);
    EXPECT_EQ(r.members, 6);
    EXPECT_EQ(r.ran, 2);
    EXPECT_EQ(r.statusText(), "Effect done. (2 of 6 effects)");
    EXPECT_EQ(statuses, (std::vector<std::string>{
                            "Reading Dynamics\\Loud.fxl", "Executing Dynamics\\Loud.fxl", "2 / 2 events hit",
                            "Reading Gone.fxl", "Reading ..\\Later.fxl", "Reading Broken.fxl", "Reading Stuck.fxl",
                            "Executing Stuck.fxl", "Reading Later.fxl", "Executing Later.fxl", "2 / 2 events hit"}));
    EXPECT_EQ(failures,
              (std::vector<std::string>{
                  "File NOT exists: Gone.fxl",
                  "Not in the effects folder: ..\\Later.fxl | A group names effect files inside the effects folder only.",
                  "Read Failed: Broken.fxl | The effect file is broken: line 7 (EchoCount) is not a number: many",
                  "Execute Failed: Stuck.fxl | its interval (Distance) is not a number above 0"}));
    EXPECT_EQ(r.failures.size(), 4u);
    // The two that ran: velocities 99, times 5 ticks later.
    EXPECT_EQ(notesOf(*song.track(1)), (std::vector<Note>{{5, 60, 99, 100, 0}, {965, 62, 99, 100, 0}}));
    // A group in which everything ran says only that it is done.
    const GroupRunResult all = runEffectGroup(song, {"G", {"Later.fxl"}}, lib.root, Selection::wholeSong(song));
    EXPECT_EQ(all.statusText(), "Effect done.");
    EXPECT_EQ(runEffectGroup(song, {"G", {}}, lib.root, Selection::wholeSong(song)).statusText(), "Effect done.");
}

TEST(QuickSlots, TheHintIsTheFirstDescriptionLine) {
    TempFolder dir;
    EXPECT_EQ(quickSlotFileName(1), "qs1.fxq");
    EXPECT_EQ(quickSlotFileName(5), "qs5.fxq");
    struct Case {
        std::string text;
        std::string hint;
    };
    const Case cases[] = {
        {"0009\r\nEcho\r\nE\r\n\"Fade in\",Slow\r\n150\r\n", "Fade in"},
        {"0009\r\nEcho\r\nE\r\n\"\"\r\n", "?"},
        {"0009\r\nEcho\r\nE\r\n\r\n", "?"},
        {"0009\r\nEcho\r\nE", "?"},
        {"0009\nEcho\nE\nPlain", "Plain"},
        {std::string("\0\0\0\n\x01\n\n", 7), "?"},
        {"0009\r\nEcho\r\nE\r\n" + std::string(100000, 'x'), std::string(4096, 'x')},
    };
    for (const Case& c : cases) {
        writeText(dir.file("qs1.fxq"), c.text);
        EXPECT_EQ(quickSlotHint(dir.file("qs1.fxq")), c.hint) << c.text.substr(0, 30);
    }
    EXPECT_EQ(quickSlotHint(dir.file("qs2.fxq")), "?");
}

// ---- the shipped library ------------------------------------------------------------------------

// Every shipped effect reads without a warning and changes the demo song when run over all of it.
TEST(ShippedLibrary, EveryEffectRunsOnTheDemoSongAndChangesIt) {
    const std::string before = dumpSong(*demoSong());
    const std::vector<std::string> files = fileNames(kShipped, ".fxl");
    EXPECT_GE(files.size(), 24u);
    for (const std::string& file : files) {
        const LoadedEffect loaded = loadEffect(file);
        EXPECT_TRUE(loaded.warnings.empty()) << file;
        EXPECT_EQ(loaded.settings.EffectName, fs::path(file).stem().string()) << file;
        ASSERT_FALSE(loaded.settings.Description.empty()) << file;
        EXPECT_GT(loaded.settings.Description.front().size(), 20u) << file;
        const auto song = demoSong();
        const EffectResult r = applyEffect(*song, loaded.settings, EffectScope::of(*song, Selection::wholeSong(*song)));
        EXPECT_TRUE(r.applied) << file;
        EXPECT_NE(dumpSong(*song), before) << file;
    }
}

// Every shipped group finds its members, runs them all, and gives what running them one after
// another gives; undoing every track's new steps gives the song back.
TEST(ShippedLibrary, EveryGroupRunsLikeItsMembersOneAfterAnotherAndUndoes) {
    const std::vector<std::string> groups = fileNames(kShipped, ".fxg");
    EXPECT_GE(groups.size(), 6u);
    const std::string original = dumpSong(*demoSong());
    for (const std::string& file : groups) {
        const EffectGroup group = loadEffectGroup(file);
        EXPECT_EQ(group.name, fs::path(file).stem().string());
        EXPECT_GE(group.members.size(), 2u) << file;

        const auto groupedSong = demoSong();
        midiSong& grouped = *groupedSong;
        Selection selection = Selection::wholeSong(grouped);
        std::vector<std::string> failures;
        GroupRunHooks hooks;
        hooks.failed = [&](const GroupFailure& f) { failures.push_back(f.message); };
        const std::vector<size_t> before = journalSizes(grouped);
        const GroupRunResult r = runEffectGroup(grouped, group, kShipped.string(), selection, hooks);
        EXPECT_TRUE(failures.empty()) << file << ": " << (failures.empty() ? "" : failures.front());
        EXPECT_EQ(r.ran, static_cast<int>(group.members.size())) << file;
        EXPECT_EQ(r.statusText(), "Effect done.");

        const auto stepwiseSong = demoSong();
        midiSong& stepwise = *stepwiseSong;
        for (const std::string& member : group.members) {
            const GroupMember m = findGroupMember(kShipped.string(), member);
            ASSERT_EQ(m.state, MemberState::found) << member;
            applyEffect(stepwise, loadEffect(m.path).settings,
                        *EffectScope::of(stepwise, selection, rangeFieldsFor(stepwise, selection)));
        }
        const std::string after = dumpSong(grouped);
        EXPECT_NE(after, original) << file;
        EXPECT_EQ(firstDifference(after, dumpSong(stepwise)), "") << file;

        // Undone track by track, list order included (a member that sorts a track an earlier
        // one left out of order journals the sort).
        undoBackTo(grouped, before);
        EXPECT_EQ(firstDifference(dumpSong(grouped), original), "") << file;
    }
}

// The committed library is what its generator writes, file for file and byte for byte.
TEST(ShippedLibrary, IsTheOutputOfItsGenerator) {
    const std::string generator = TONVELA_MAKE_EFFECTS_PATH;
    if (generator.empty() || !fs::exists(generator)) GTEST_SKIP() << "make_effects is not built";
    TempFolder dir;
    ASSERT_EQ(std::system((generator + " " + dir.file("Effects")).c_str()), 0);
    std::vector<std::string> made, shipped;
    for (const auto& e : fs::recursive_directory_iterator(dir.file("Effects")))
        if (e.is_regular_file()) made.push_back(e.path().lexically_relative(dir.file("Effects")).string());
    for (const auto& e : fs::recursive_directory_iterator(kShipped))
        if (e.is_regular_file()) shipped.push_back(e.path().lexically_relative(kShipped).string());
    std::sort(made.begin(), made.end());
    std::sort(shipped.begin(), shipped.end());
    EXPECT_EQ(made, shipped);
    for (const std::string& f : made)
        EXPECT_TRUE(readText(dir.file("Effects/" + f)) == readText((kShipped / f).string())) << f << " differs";
}
