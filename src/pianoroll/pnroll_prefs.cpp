#include "pianoroll/pnroll_prefs.h"

#include "settings/numbertext.h"
#include "settings/preffile.h"

namespace tonvela {

PianoRollPrefs readPianoRollPrefs(const std::vector<std::string>& lines, std::string* error) {
    PianoRollPrefs prefs;
    if (lines.empty()) return prefs;
    const int version = readInteger(lines[0]).value_or(0);
    if (version >= 2) {
        if (error) *error = kNewerPrefVersion;
        return prefs;
    }
    auto number = [&lines](size_t i) { return i < lines.size() ? readInteger(lines[i]) : std::nullopt; };
    const auto top = number(1), left = number(2), width = number(3), height = number(4);
    if (top && left && width && height) prefs.place = WindowPlace{*top, *left, *width, *height};
    if (version == 1) prefs.paneHeight = number(5);
    return prefs;
}

std::vector<std::string> formatPianoRollPrefs(const WindowPlace& place, int paneHeight) {
    return {"001",
            std::to_string(place.top),
            std::to_string(place.left),
            std::to_string(place.width),
            std::to_string(place.height),
            std::to_string(paneHeight)};
}

}  // namespace tonvela
