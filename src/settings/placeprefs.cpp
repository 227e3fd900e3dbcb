#include "settings/placeprefs.h"

#include "settings/numbertext.h"

namespace tonvela {

PlacePrefs readPlacePrefs(const std::vector<std::string>& lines) {
    PlacePrefs prefs;
    if (lines.empty()) return prefs;
    const auto version = readInteger(lines[0]);
    if (!version) return prefs;
    if (*version > 0) {
        prefs.status = PlacePrefsStatus::newerVersion;
        return prefs;
    }
    if (lines.size() < 5) return prefs;
    int values[4];
    for (size_t i = 0; i < 4; ++i) {
        const auto v = readInteger(lines[i + 1]);
        if (!v) return prefs;  // a damaged file changes nothing; it is rewritten at the end
        values[i] = *v;
    }
    prefs.status = PlacePrefsStatus::read;
    prefs.place = WindowPlace{values[0], values[1], values[2], values[3]};
    return prefs;
}

std::vector<std::string> formatPlacePrefs(const WindowPlace& place) {
    return {"0000", std::to_string(place.top), std::to_string(place.left), std::to_string(place.width),
            std::to_string(place.height)};
}

}  // namespace tonvela
