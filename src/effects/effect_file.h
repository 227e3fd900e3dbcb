#pragma once

// Effect files (.fxl): text lines ending in CR LF, in the 8-bit code page the texts were typed
// in (the bytes are kept as they are). Layout: version ("0009" is written), the type's item
// text, EffectName, Description in commaText form, the type's block of lines (for the types with
// a curve followed by the 11-line function block), "Element End".
//
// Reading treats the file as untrusted: every line the version promises must be present and a
// number where a number is expected, or the file is refused with a MidiError naming the line;
// slider and up-down positions outside their range are clamped to it, indexes outside their
// list and item texts not in their list leave the choice empty (-1). A refused file changes
// nothing: the loaded values come back as one new value.

#include <string>
#include <string_view>
#include <vector>

#include "effects/effect_settings.h"

namespace tonvela {

// The version written.
constexpr int kEffectFileVersion = 9;
// Shown (after the MIDI error sound) when a file's version is newer; the file is then read
// with the current layout, best effort.
inline constexpr std::string_view kNewerEffectMessage =
    "This data is made by NEWER Version. May fail to read this Effect.";

// Description <-> one line. Writing: a description of exactly one empty line is two double
// quotes; otherwise lines are joined with commas, a line holding a character 0..32, a double
// quote or a comma enclosed in double quotes with inner quotes doubled. Reading: characters
// 1..32 are skipped; a quoted item runs to its closing quote ("" is one quote); an unquoted item
// runs to the next character 0..32 or comma; a comma is skipped with the blanks after it.
std::string encodeCommaText(const std::vector<std::string>& lines);
std::vector<std::string> decodeCommaText(std::string_view text);

struct LoadedEffect {
    EffectSettings settings;            // the current settings with the file's values applied
    int version = 0;                    // loadedVersion: line 1
    std::vector<std::string> warnings;  // kNewerEffectMessage for a newer file
};

// Reads an effect from the text of a file on top of `current`: controls the file does not hold
// (the other types' pages, lines of later versions than the file's, the tenuto percentage, the
// function page of a Time Shift file without one) keep their values from `current`. An unknown
// type text gives effectType -1 and reads no block. Throws MidiError on a file that is refused.
LoadedEffect parseEffect(std::string_view text, const EffectSettings& current);
// Reads the file at `path` (MidiError with the system's message when it cannot be read).
LoadedEffect loadEffect(const std::string& path, const EffectSettings& current = {});

// The text of the file for `settings`, CR LF line ends. Throws MidiError when a one-line text
// (name, a text field, a description line) holds a line break, which the layout cannot carry.
std::string formatEffect(const EffectSettings& settings);
// Writes formatEffect(settings) to `path` atomically (a failed save leaves the old file).
void saveEffect(const std::string& path, const EffectSettings& settings);

// The controls of the effect's type block, then of the function block for the types that have
// one, in file order, as "Control=value": texts as they stand, items as their item text (empty
// for no choice), switches 1/0, positions and indexes as numbers (`ComboBoxControl` the
// controller number). Empty for no type. Used by `tonvela-cli effect`.
std::vector<std::string> describeEffectControls(const EffectSettings& settings);

}  // namespace tonvela
