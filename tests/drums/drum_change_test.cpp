// The drums/notes changer's core: key names and mapping lines, Search and Change (Move, Copy)
// with their exact result lines, the undo steps, and refusals that leave the song alone.

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "drums/drum_change.h"
#include "drums_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

DrumChangeSettings mapping(std::vector<DrumMapping> maps, int method = kMoveMethod, int channels = 1 << 9,
                           int kind = kDrumsKind) {
    DrumChangeSettings s;
    s.noteKind = kind;
    s.method = method;
    s.channels = std::bitset<16>(static_cast<unsigned long>(channels));
    s.mappings = std::move(maps);
    return s;
}

int steps(const midiTrack& t, const std::string& label) {
    int n = 0;
    for (const std::string& line : t.journal) n += line == "@," + label;
    return n;
}

class DrumChange : public ::testing::Test {
protected:
    void SetUp() override { load(song, drumSong()); }
    midiSong song;
};

}  // namespace

TEST(DrumNames, KeysByNameUnderEitherKind) {
    EXPECT_EQ(keyName(kDrumsKind, 36), "Kick Short");
    EXPECT_EQ(keyName(kNoteKind, 38), " D 2");
    EXPECT_EQ(keyName(kDrumsKind, 100), "100");
    EXPECT_EQ(mappingLine(kDrumsKind, 36, 37), "Kick Short -> Side Stick");
    EXPECT_EQ(mappingLine(kNoteKind, 60, 61), " C 4 ->  C#4");
    EXPECT_EQ(defaultKey(kDrumsKind), 35);
    EXPECT_EQ(defaultKey(kNoteKind), 60);

    struct Case {
        const char* line;
        int kind;
        DrumMapping keys;
    } cases[] = {
        {"Kick Short -> Side Stick", kDrumsKind, {36, 37}},
        // A line made under the other kind still resolves through the other table.
        {"Kick Short -> Side Stick", kNoteKind, {36, 37}},
        {" D 2 ->  E 2", kDrumsKind, {38, 40}},
        {" C-1 -> G 9", kNoteKind, {0, -1}},  // "G 9" lacks the leading blank of " G 9"
        {"12 -> 89", kNoteKind, {12, 89}},     // unnamed drum keys read as their number
        {"Nothing -> Side Stick", kDrumsKind, {-1, 37}},
        {"Kick Short->Side Stick", kDrumsKind, {-1, -1}},
        // The first " -> " splits; the rest is the target's name.
        {"Kick Short ->  -> Side Stick", kDrumsKind, {36, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(parseMapping(c.line, c.kind), c.keys);
    }
}

TEST(DrumNames, TypedKeys) {
    struct Case {
        const char* text;
        std::optional<int> key;
        int kind;
    } cases[] = {
        {"36", 36, -1},          {"0", 0, -1},           {"127", 127, -1},     {"128", std::nullopt, -1},
        {"-1", std::nullopt, -1}, {"Kick Short", 36, kDrumsKind}, {"kick short", 36, kDrumsKind},
        {"KICKSHORT", 36, kDrumsKind}, {" C 4", 60, kNoteKind}, {"C4", 60, kNoteKind},
        {"c#4", 61, kNoteKind},  {"Bb-1", 10, kNoteKind}, {"Hi-HatClosed", 42, kDrumsKind},
        {"hi-hat open", 46, kDrumsKind}, {"", std::nullopt, -1}, {"H4", std::nullopt, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<TypedKey> k = readKey(c.text);
        ASSERT_EQ(k.has_value(), c.key.has_value());
        if (!k) continue;
        EXPECT_EQ(k->key, *c.key);
        EXPECT_EQ(k->kind, c.kind);
    }
    // Ignoring blanks and case never makes two names of one list meet.
    for (int kind : {kDrumsKind, kNoteKind})
        for (int key = 13; key < 128; ++key) {
            std::string loose;
            for (char ch : keyName(kind, key))
                if (ch != ' ') loose += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            const std::optional<TypedKey> k = readKey(loose);
            ASSERT_TRUE(k.has_value()) << loose;
            EXPECT_EQ(k->key, key) << loose;
        }
}

TEST(DrumNames, ChoosingAKindTicksOrUnticksOnlyChannel10) {
    const std::bitset<16> some("0000000000000101");
    EXPECT_EQ(applyKindToChannels(kDrumsKind, some), std::bitset<16>("0000001000000101"));
    EXPECT_EQ(applyKindToChannels(kNoteKind, std::bitset<16>("0000001000000101")), some);
}

// Search lists each matching note in track order with the kind's names and changes nothing.
TEST_F(DrumChange, SearchListsTheNotesAndChangesNothing) {
    const std::string before = dumpSong(song);
    const DrumScanResult r = scanNotes(song, mapping({{36, 37}, {38, 40}}), false);
    EXPECT_EQ(r.found(), 4);
    EXPECT_EQ(r.lines(), (std::vector<std::string>{
                             "001:01:000 Kick Short(-> Side Stick)",
                             "001:02:000 Snare Short(-> Snare Tight)",
                             "001:03:000 Kick Short(-> Side Stick)",
                             "002:01:240 Snare Short(-> Snare Tight)",
                         }));
    EXPECT_EQ(dumpSong(song), before);
    for (int t = 0; t < song.trackCount(); ++t) EXPECT_TRUE(song.track(t)->journal.empty()) << t;
}

// Move: the keys change, every track of the song gets one step, one undo per track restores
// the song and redo makes the change again.
TEST_F(DrumChange, MoveChangesKeysInOneStepPerTrackAndUndoesExactly) {
    const std::string before = orderedDump(song);
    const DrumScanResult r = scanNotes(song, mapping({{36, 37}, {37, 36}}, kMoveMethod, 1 << 9 | 1 << 0), true);
    EXPECT_EQ(r.lines(), (std::vector<std::string>{
                             "002:01:000 Side Stick -> Kick Short",  // track 0 counts too
                             "001:01:000 Kick Short -> Side Stick",
                             "001:03:000 Kick Short -> Side Stick",
                             "001:01:000 Kick Short -> Side Stick",  // channel 1
                         }));
    EXPECT_EQ(notesOf(*song.track(0)), (std::vector<std::string>{"1920:10:36:90/60"}));
    EXPECT_EQ(notesOf(*song.track(1)),
              (std::vector<std::string>{"0:10:37:100/120", "480:10:38:90/100", "960:10:37:80/110",
                                        "1440:10:42:70/60", "2160:10:38:60/30"}));
    EXPECT_EQ(notesOf(*song.track(2)), (std::vector<std::string>{"0:1:37:64/480", "480:1:60:64/480"}));
    EXPECT_EQ(notesOf(*song.track(3)), (std::vector<std::string>{"0:11:36:50/240"}));  // channel 11 not ticked
    const std::string after = orderedDump(song);
    for (int t = 0; t < song.trackCount(); ++t) {
        EXPECT_EQ(steps(*song.track(t), kChangeDrumLabel), 1) << t;
        EXPECT_EQ(song.track(t)->undoLabel(), kChangeDrumLabel) << t;
    }
    for (int t = 0; t < song.trackCount(); ++t) song.track(t)->undo();
    EXPECT_EQ(orderedDump(song), before);
    for (int t = 0; t < song.trackCount(); ++t) song.track(t)->redo();
    EXPECT_EQ(orderedDump(song), after);
}

// Copy: the note stays and a copy with its time, channel, velocity and duration sounds on the
// target key; copies are never matched again, and the same step undoes them.
TEST_F(DrumChange, CopyAddsNotesOnTheTargetKeyInTheSameStep) {
    const std::string before = orderedDump(song);
    const DrumScanResult r = scanNotes(song, mapping({{36, 38}, {38, 36}}, kCopyMethod), true);
    EXPECT_EQ(r.lines(), (std::vector<std::string>{
                             "001:01:000 Kick Short -> Snare Short",
                             "001:02:000 Snare Short -> Kick Short",
                             "001:03:000 Kick Short -> Snare Short",
                             "002:01:240 Snare Short -> Kick Short",
                         }));
    EXPECT_EQ(notesOf(*song.track(1)),
              (std::vector<std::string>{"0:10:36:100/120", "0:10:38:100/120", "480:10:38:90/100", "480:10:36:90/100",
                                        "960:10:36:80/110", "960:10:38:80/110", "1440:10:42:70/60",
                                        "2160:10:38:60/30", "2160:10:36:60/30"}));
    EXPECT_TRUE(song.track(1)->isSorted());
    // The copies carry their positions like every other event.
    const anyEvent* last = song.track(1)->events()[song.track(1)->size() - 2];
    ASSERT_EQ(last->kind(), kindNote);
    EXPECT_EQ(positionText(*last), "002:01:240 ");
    song.track(1)->undo();
    for (int t : {0, 2, 3, 4}) song.track(t)->undo();
    EXPECT_EQ(orderedDump(song), before);
}

// The Part's edge cases of the mapping list, as the notes of the drum track after a Move.
TEST_F(DrumChange, MappingListRules) {
    struct Case {
        const char* what;
        std::vector<DrumMapping> maps;
        std::vector<int> keys;  // keys of track 1's notes after the change
        int found;
    } cases[] = {
        {"the higher of two lines with one source wins", {{36, 40}, {36, 41}}, {40, 38, 40, 42, 38}, 2},
        {"mappings never chain", {{36, 38}, {38, 42}}, {38, 42, 38, 42, 42}, 4},
        {"a mapping onto its own key lists the note and keeps it", {{38, 38}}, {36, 38, 36, 42, 38}, 2},
        {"keys no note has", {{50, 51}}, {36, 38, 36, 42, 38}, 0},
        {"an empty list", {}, {36, 38, 36, 42, 38}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        midiSong s;
        load(s, drumSong());
        const DrumScanResult r = scanNotes(s, mapping(c.maps), true);
        EXPECT_EQ(r.found(), c.found);
        std::vector<int> keys;
        for (const anyEvent* e : s.track(1)->events())
            if (e && e->kind() == kindNote) keys.push_back(static_cast<const NoteOnEvent*>(e)->note());
        EXPECT_EQ(keys, c.keys);
    }
}

// Nothing found: the one line saying so; a Change still opens its step in every track.
TEST_F(DrumChange, NoMatchSaysSoAndChangeStillOpensItsSteps) {
    const DrumChangeSettings none = mapping({{36, 37}}, kMoveMethod, 1 << 4);  // channel 5 only
    const DrumScanResult search = scanNotes(song, none, false);
    EXPECT_EQ(search.lines(), std::vector<std::string>{"No note found."});
    EXPECT_EQ(search.found(), 0);
    const std::string before = dumpSong(song);
    const DrumScanResult change = scanNotes(song, none, true);
    EXPECT_EQ(change.lines(), std::vector<std::string>{"No note chaned."});
    EXPECT_EQ(dumpSong(song), before);
    for (int t = 0; t < song.trackCount(); ++t) EXPECT_EQ(steps(*song.track(t), kChangeDrumLabel), 1) << t;
}

// Note ons of velocity 0 and notes of unticked channels are never listed, whatever is ticked.
TEST_F(DrumChange, SilentNoteOnsAreNeverNotes) {
    const DrumScanResult r = scanNotes(song, mapping({{36, 37}}, kMoveMethod, 0xFFFF), false);
    EXPECT_EQ(r.found(), 4);  // tracks 1 (two), 2 and 3; not the note on of velocity 0
    const DrumScanResult perc = scanNotes(song, mapping({{36, 37}}, kMoveMethod, 1 << 10), false);
    EXPECT_EQ(perc.lines(), std::vector<std::string>{"001:01:000 Kick Short(-> Side Stick)"});
}

// Under "Note" the lines name the keys by note names.
TEST_F(DrumChange, LinesUseTheKindsNames) {
    const DrumScanResult r = scanNotes(song, mapping({{60, 62}}, kMoveMethod, 1, kNoteKind), false);
    EXPECT_EQ(r.lines(), std::vector<std::string>{"001:02:000  C 4(->  D 4)"});
}

// A mapping without two keys is refused before anything changes: no step begun, the redo stack
// of every track kept.
TEST_F(DrumChange, BadMappingIsRefusedBeforeAnythingChanges) {
    scanNotes(song, mapping({{36, 37}}), true);
    song.track(1)->undo();
    ASSERT_EQ(song.track(1)->redoCount(), 1);
    const std::string before = dumpSong(song);
    std::vector<std::vector<std::string>> journals;
    std::vector<int> redos;
    for (int t = 0; t < song.trackCount(); ++t) {
        journals.push_back(song.track(t)->journal);
        redos.push_back(song.track(t)->redoCount());
    }
    for (DrumMapping bad : {DrumMapping{-1, 37}, DrumMapping{36, -1}, DrumMapping{36, 128}}) {
        EXPECT_THROW(scanNotes(song, mapping({{38, 40}, bad}), true), MidiError);
        EXPECT_THROW(scanNotes(song, mapping({bad}), false), MidiError);
    }
    EXPECT_EQ(dumpSong(song), before);
    for (int t = 0; t < song.trackCount(); ++t) {
        EXPECT_EQ(song.track(t)->journal, journals[static_cast<size_t>(t)]) << t;
        EXPECT_EQ(song.track(t)->redoCount(), redos[static_cast<size_t>(t)]) << t;
    }
}

// Real songs: swapping two drum sounds over every channel and swapping them back gives the song
// again, as does undoing both changes; a Copy adds exactly the notes it lists.
TEST(DrumChangeCorpus, SwapTwiceOrUndoGivesTheSongBack) {
    namespace fs = std::filesystem;
    const fs::path dir(TONVELA_CORPUS_DIR);
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) GTEST_SKIP() << "no corpus at " << dir;
    int songs = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".mid") continue;
        midiSong song;
        try {
            song.load(entry.path().string());
        } catch (const MidiError&) {
            continue;  // the damaged files of the corpus
        }
        SCOPED_TRACE(entry.path().filename().string());
        ++songs;
        const std::string before = orderedDump(song);
        const DrumChangeSettings swap = mapping({{36, 38}, {38, 36}}, kMoveMethod, 0xFFFF);
        const int found = scanNotes(song, swap, true).found();
        EXPECT_EQ(scanNotes(song, swap, true).found(), found);
        EXPECT_EQ(orderedDump(song), before);
        for (int t = 0; t < song.trackCount(); ++t) {
            song.track(t)->undo();
            song.track(t)->undo();
        }
        EXPECT_EQ(orderedDump(song), before);

        int notes = 0;
        for (const auto& t : song.tracks)
            for (const anyEvent* e : t->events()) notes += e && e->kind() == kindNote;
        const int copied = scanNotes(song, mapping({{42, 44}, {46, 42}}, kCopyMethod, 0xFFFF), true).found();
        int after = 0;
        for (const auto& t : song.tracks) {
            EXPECT_TRUE(t->isSorted());
            for (const anyEvent* e : t->events()) after += e && e->kind() == kindNote;
        }
        EXPECT_EQ(after, notes + copied);
    }
    EXPECT_GT(songs, 0);
}
