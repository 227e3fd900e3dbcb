#include "tempo/tempowin_prefs.h"

#include "settings/numbertext.h"
#include "settings/preffile.h"

namespace tonvela {

TempoWindowPrefs readTempoWindowPrefs(const std::vector<std::string>& lines, std::string* error) {
    TempoWindowPrefs prefs;
    if (lines.empty()) return prefs;
    if (readInteger(lines[0]).value_or(0) > 0) {
        if (error) *error = kNewerPrefVersion;
        return prefs;
    }
    auto number = [&lines](size_t i) { return i < lines.size() ? readInteger(lines[i]) : std::nullopt; };
    const auto top = number(1), left = number(2), width = number(3), height = number(4);
    if (top && left && width && height) prefs.place = WindowPlace{*top, *left, *width, *height};
    if (const auto grid = number(5)) prefs.showGrid = *grid != 0;
    return prefs;
}

std::vector<std::string> formatTempoWindowPrefs(const WindowPlace& place, bool showGrid) {
    return {"0000",
            std::to_string(place.top),
            std::to_string(place.left),
            std::to_string(place.width),
            std::to_string(place.height),
            showGrid ? "1" : "0"};
}

}  // namespace tonvela
