#pragma once

// pnroll.prf: the piano roll window's place and the height of its upper pane.
//   1 version "001"   2-5 top, left, width, height   6 upper pane height (version 1)
// Versions below 2 are read (version 0 has no pane height); a newer file is refused as a whole.

#include <optional>
#include <string>
#include <vector>

#include "settings/mainprefs.h"

namespace tonvela {

struct PianoRollPrefs {
    std::optional<WindowPlace> place;  // lines 2-5, when present and numbers
    std::optional<int> paneHeight;     // line 6 of a version 1 file
};

// Reads the lines of the file. A version of 2 or more gives no values and, when `error` is
// given, the message for a newer file.
PianoRollPrefs readPianoRollPrefs(const std::vector<std::string>& lines, std::string* error = nullptr);
std::vector<std::string> formatPianoRollPrefs(const WindowPlace& place, int paneHeight);

}  // namespace tonvela
