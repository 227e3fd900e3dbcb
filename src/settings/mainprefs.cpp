#include "settings/mainprefs.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "settings/numbertext.h"

namespace tonvela {

namespace {

int intAt(const std::vector<std::string>& lines, size_t i, int fallback) {
    if (i >= lines.size()) return fallback;
    return readInteger(lines[i]).value_or(fallback);
}

}  // namespace

std::string formatDayCount(double days) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, days);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

double readDayCount(const std::string& text) {
    auto v = readDecimal(text);
    return v ? *v : 0.0;
}

double dayCountFromUnixSeconds(double seconds) {
    return 25569.0 + seconds / 86400.0;  // 25569 days from 1899-12-30 to 1970-01-01
}

MainPrefs readMainPrefs(const std::vector<std::string>& lines, FileHistory& history) {
    MainPrefs prefs;
    if (lines.empty()) return prefs;
    const int version = readInteger(lines[0]).value_or(0);
    if (lines.size() >= 5) {
        WindowPlace p;
        p.top = intAt(lines, 1, 0);
        p.left = intAt(lines, 2, 0);
        p.width = intAt(lines, 3, 0);
        p.height = intAt(lines, 4, 0);
        prefs.place = p;
    }
    if (version > 0 && lines.size() > 5) prefs.effectsDate = readDayCount(lines[5]);
    if (version >= 2 && lines.size() > 6) prefs.manualDate = readDayCount(lines[6]);
    if (version > 2 && lines.size() > 7) {
        const int count = std::max(intAt(lines, 7, 0), 0);
        for (int i = 0; i < count && 8 + static_cast<size_t>(i) < lines.size(); ++i)
            history.add(lines[8 + static_cast<size_t>(i)]);
        const size_t flag = 8 + static_cast<size_t>(count);
        if (prefs.place && flag < lines.size()) prefs.place->maximized = intAt(lines, flag, 0) == 1;
    }
    return prefs;
}

std::vector<std::string> formatMainPrefs(const WindowPlace& place, const MainPrefs& prefs,
                                         const FileHistory& history) {
    std::vector<std::string> lines = {
        "0003",
        std::to_string(place.top),
        std::to_string(place.left),
        std::to_string(place.width),
        std::to_string(place.height),
        formatDayCount(prefs.effectsDate),
        formatDayCount(prefs.manualDate),
        std::to_string(history.entries().size()),
    };
    const auto& entries = history.entries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) lines.push_back(*it);
    lines.push_back(place.maximized ? "1" : "0");
    return lines;
}

}  // namespace tonvela
