#pragma once

// The text files that keep the windows' settings: one value per line, lines ending CR LF.

#include <optional>
#include <string>
#include <vector>

namespace tonvela {

// The lines of a preference file without their line ends (CR LF, LF or CR accepted);
// nullopt when the file does not exist or cannot be read.
std::optional<std::vector<std::string>> readPrefLines(const std::string& path);
// Writes the lines, each followed by CR LF, replacing the file in one step.
// Throws MidiError when the file cannot be written.
void writePrefLines(const std::string& path, const std::vector<std::string>& lines);

// The message for a preference file of a version newer than the program knows.
inline constexpr const char* kNewerPrefVersion =
    "Illegal data version.  Get latest version of MIDI Tonvela.";

}  // namespace tonvela
