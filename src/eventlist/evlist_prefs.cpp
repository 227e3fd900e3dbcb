#include "eventlist/evlist_prefs.h"

namespace tonvela {

EventListPrefs readEventListPrefs(const std::vector<std::string>& lines) { return readPlacePrefs(lines); }

std::vector<std::string> formatEventListPrefs(const WindowPlace& place) { return formatPlacePrefs(place); }

}  // namespace tonvela
