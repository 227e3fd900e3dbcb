#pragma once

// Change Drum List files (.cdl): text lines ending in CR LF, one value each: the version ("0000"
// is written), NoteKind (0 Drums, 1 Note), Method (0 Move, 1 Copy), sixteen channel flags
// (channel 1 first; 0 unticked, anything else ticked), the number n of mappings, then n pairs of
// lines: source key, target key.
//
// Reading treats the file as untrusted: every line the count promises must be there and be a
// number, the kind and method 0 or 1, every key 0..127, or the whole file is refused with a
// MidiError naming the line, and nothing of it is used. Lines after the last pair are ignored.

#include <string>
#include <string_view>
#include <vector>

#include "drums/drum_change.h"

namespace tonvela {

constexpr int kChangeListVersion = 0;
// Shown (after the MIDI error sound) for a file of a newer version, which is then read as usual.
inline constexpr std::string_view kNewerChangeListMessage =
    "This data is made by NEWER Version. May fail to read this Effect.";

struct LoadedChangeList {
    DrumChangeSettings settings;
    int version = 0;
    std::vector<std::string> warnings;  // kNewerChangeListMessage for a newer file
};

LoadedChangeList parseChangeList(std::string_view text);
// Reads the file at `path` (MidiError with the system's message when it cannot be read).
LoadedChangeList loadChangeList(const std::string& path);

// The file's text for the settings. Throws MidiError for a mapping whose keys are not 0..127.
std::string formatChangeList(const DrumChangeSettings& settings);
// Writes formatChangeList(settings) to `path` atomically (a failed save leaves the old file).
void saveChangeList(const std::string& path, const DrumChangeSettings& settings);

}  // namespace tonvela
