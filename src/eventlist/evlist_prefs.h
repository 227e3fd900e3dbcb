#pragma once

// evlist.prf: the event list window's place, in the scheme of settings/placeprefs.h.

#include <string>
#include <vector>

#include "settings/placeprefs.h"

namespace tonvela {

inline constexpr const char* kEventListPrefsName = "evlist.prf";

using EventListPrefsStatus = PlacePrefsStatus;
using EventListPrefs = PlacePrefs;

EventListPrefs readEventListPrefs(const std::vector<std::string>& lines);
std::vector<std::string> formatEventListPrefs(const WindowPlace& place);

}  // namespace tonvela
