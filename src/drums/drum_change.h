#pragma once

// The drums/notes changer: a list of key mappings applied to the sounding notes of the chosen
// channels over every track and time of the song. Search lists the notes a mapping would
// change; Change moves each one to its target key (Move) or adds a copy there (Copy), as one
// undo step "Change Drum/Note" in every track of the song, whether or not it had a match.
//
// A note takes the first mapping of the list whose source is its key and no other, so mappings
// never chain within one run (36 -> 38, 38 -> 40: former 36 ends on 38, former 38 on 40); a copy
// joins its track after the track was scanned and is never matched itself.

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvela {

class midiSong;

inline constexpr const char* kChangeDrumLabel = "Change Drum/Note";
inline constexpr const char* kNoNoteFound = "No note found.";
inline constexpr const char* kNoNoteChanged = "No note chaned.";

// Which names the key lists show (the NoteKind choice).
inline constexpr int kDrumsKind = 0;
inline constexpr int kNoteKind = 1;
// The Method choice.
inline constexpr int kMoveMethod = 0;
inline constexpr int kCopyMethod = 1;

struct DrumMapping {
    int from = 0;  // source key; -1 for a name no table holds
    int to = 0;    // target key; -1 likewise
    bool operator==(const DrumMapping&) const = default;
};

struct DrumChangeSettings {
    int noteKind = kDrumsKind;
    int method = kMoveMethod;
    std::bitset<16> channels = std::bitset<16>(1u << 9);  // bit 0 = channel 1; only channel 10
    std::vector<DrumMapping> mappings;                    // in list order
    bool operator==(const DrumChangeSettings&) const = default;
};

// The channels a kind ticks when it is chosen: channel 10 for drums, none for notes (choosing
// a kind changes only channel 10's box).
std::bitset<16> applyKindToChannels(int noteKind, std::bitset<16> channels);

// ---- names -----------------------------------------------------------------------------------

// The name of a key 0..127 in a kind's list: the drum note name or the note name.
std::string keyName(int noteKind, int key);
// The key the kind's list selects first: 35 for drums, 60 for notes.
int defaultKey(int noteKind);
// "source -> target" with the kind's names, as the mapping list shows it.
std::string mappingLine(int noteKind, int from, int to);
// The key a name stands for: its position in the kind's list, else the first note name equal
// to it, replaced by the first drum note name equal to it; -1 when no table holds it. So a line
// made under one kind keeps working under the other ("Kick Short" is 36 under notes too).
int keyOfName(int noteKind, std::string_view name);
// The keys of a mapping line: the text before the first " -> " and the text after it, each
// through keyOfName; -1 for a side no table names (and both -1 without " -> ").
DrumMapping parseMapping(std::string_view line, int noteKind);

// A key as a user types it: a number 0..127, a name as keyOfName reads it, or a name with
// blanks and letter case ignored ("c#4" for " C#4", "kick short" for "Kick Short"). `kind` is
// the list whose name it used (a drum note name wins, as in keyOfName), -1 for a number.
// nullopt when nothing fits.
struct TypedKey {
    int key = 0;
    int kind = -1;
};
std::optional<TypedKey> readKey(std::string_view text);

// ---- search and change -----------------------------------------------------------------------

struct DrumHit {
    int32_t bar = 0, beat = 0, tick = 0;  // the note's position, counted from 0
    uint8_t from = 0, to = 0;             // its key and the mapping's target
};

struct DrumScanResult {
    int noteKind = kDrumsKind;
    bool changed = false;       // Change (true) or Search (false)
    std::vector<DrumHit> hits;  // in track order, then list order

    int found() const { return static_cast<int>(hits.size()); }
    // The result list: one line per hit, or the one line saying nothing was found or changed.
    size_t lineCount() const { return hits.empty() ? 1 : hits.size(); }
    // "BBB:BB:TTT source -> target" after a change, "BBB:BB:TTT source(-> target)" after a
    // search, with the kind's names and bar and beat from 1.
    std::string line(size_t index) const;
    std::vector<std::string> lines() const;
};

// Searches (change false) or changes the notes of the song: every sounding note (velocity above
// 0) on a ticked channel whose key is the source of a mapping, compared once against a table of
// first mappings. Copies are added to their track in one sorted, journaled addition after the
// track was scanned. A Move onto the same key lists the note and leaves it untouched.
// Throws MidiError, before anything changes, for a mapping whose key is outside 0..127.
DrumScanResult scanNotes(midiSong& song, const DrumChangeSettings& settings, bool change);

}  // namespace tonvela
