#pragma once

// tempowin.prf: the tempo editor's place and its grid switch.
//   1 version "0000"   2-5 top, left, width, height   6 "1" when Show Grid is on, else "0"
// A version above 0 is refused as a whole; a missing line leaves its default.

#include <optional>
#include <string>
#include <vector>

#include "settings/mainprefs.h"

namespace tonvela {

struct TempoWindowPrefs {
    std::optional<WindowPlace> place;  // lines 2-5, when present and numbers
    bool showGrid = true;
};

// Reads the lines of the file. A version above 0 gives the defaults and, when `error` is given,
// the message for a newer file.
TempoWindowPrefs readTempoWindowPrefs(const std::vector<std::string>& lines, std::string* error = nullptr);
std::vector<std::string> formatTempoWindowPrefs(const WindowPlace& place, bool showGrid);

}  // namespace tonvela
