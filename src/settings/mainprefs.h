#pragma once

// main.prf: the main window's place, the dates of the installed add-ons and the file history.
//   1 version "0003"   2-5 top, left, width, height   6 effects date (version > 0)
//   7 manual date (version >= 2)   8 history count n, 9.. 8+n history oldest first (version > 2)
//   9+n whether the window was maximised, 1 or 0 (lines 2-5 then hold its normal place); a
//   reader that stops after the history, and a file without this line, simply lose it
// Every version is read; a file shorter than its version promises keeps what it has.

#include <optional>
#include <string>
#include <vector>

#include "settings/filehistory.h"

namespace tonvela {

struct WindowPlace {
    int top = 0, left = 0, width = 0, height = 0;
    bool maximized = false;
};

struct MainPrefs {
    std::optional<WindowPlace> place;  // set when lines 2-5 were read
    double effectsDate = 0;            // day counts with fraction (days since 1899-12-30)
    double manualDate = 0;
};

// Reads the lines of main.prf; each history line is added to `history` as the file was
// listed, which restores the newest-first order.
MainPrefs readMainPrefs(const std::vector<std::string>& lines, FileHistory& history);
// All lines of main.prf, version "0003", the history from its last entry to its first.
std::vector<std::string> formatMainPrefs(const WindowPlace& place, const MainPrefs& prefs,
                                         const FileHistory& history);

// Date text as stored: a decimal day count with fraction; readDayCount gives 0 for bad text.
std::string formatDayCount(double days);
double readDayCount(const std::string& text);
// Days since 1899-12-30 of a time in seconds since 1970-01-01 (UTC).
double dayCountFromUnixSeconds(double seconds);

}  // namespace tonvela
