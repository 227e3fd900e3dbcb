#pragma once

// The preference file of a window that keeps only its place (evlist.prf, datacheck.prf):
//   1 version "0000"   2-5 top, left, width, height
// Versions up to 0 are read; a newer file is refused and nothing is applied.

#include <optional>
#include <string>
#include <vector>

#include "settings/mainprefs.h"

namespace tonvela {

enum class PlacePrefsStatus { read, newerVersion, unreadable };

struct PlacePrefs {
    PlacePrefsStatus status = PlacePrefsStatus::unreadable;
    std::optional<WindowPlace> place;  // set when read
};

PlacePrefs readPlacePrefs(const std::vector<std::string>& lines);
std::vector<std::string> formatPlacePrefs(const WindowPlace& place);

}  // namespace tonvela
