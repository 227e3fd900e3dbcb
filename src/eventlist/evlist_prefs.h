#pragma once

// evlist.prf: the event list window's place.
//   1 version "0000"   2-5 top, left, width, height
// Versions up to 0 are read; a newer file is refused and nothing is applied.

#include <optional>
#include <string>
#include <vector>

#include "settings/mainprefs.h"

namespace tonvela {

inline constexpr const char* kEventListPrefsName = "evlist.prf";

enum class EventListPrefsStatus { read, newerVersion, unreadable };

struct EventListPrefs {
    EventListPrefsStatus status = EventListPrefsStatus::unreadable;
    std::optional<WindowPlace> place;  // set when read
};

EventListPrefs readEventListPrefs(const std::vector<std::string>& lines);
std::vector<std::string> formatEventListPrefs(const WindowPlace& place);

}  // namespace tonvela
