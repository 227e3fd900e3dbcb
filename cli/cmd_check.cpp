// check and correct: the data checker on the command line.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "checker/data_check.h"
#include "checker/data_correct.h"
#include "commands.h"
#include "settings/options.h"
#include "settings/preffile.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

constexpr const char* kCheckUsage = "usage: check FILE [--settings DIR] [--channels A-B]";
constexpr const char* kCorrectUsage = "usage: correct IN OUT [--settings DIR] [--only 001,005,...]";

// A whole number of at most `digits` decimal digits, or -1.
int parseNumber(const std::string& s, size_t digits) {
    if (s.empty() || s.size() > digits || s.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(s);
}

// The check switches and limits of option.prf in DIR, as the editor reads them; the defaults
// without --settings or without the file. Returns false (after saying why) when DIR is no folder.
bool readCheckOptions(const ArgList& a, Options& options) {
    if (!a.has("settings")) return true;
    const std::string dir = a.value("settings");
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "%s: no such settings folder\n", dir.c_str());
        return false;
    }
    const std::string path = (std::filesystem::path(dir) / "option.prf").string();
    auto lines = readPrefLines(path);
    if (!lines) return true;
    Options read = options;
    DialogPosition position;
    switch (readOptionPrefs(*lines, read, position)) {
    case OptionPrefsStatus::NewerVersion:
        std::fprintf(stderr, "%s: %s (default settings used)\n", path.c_str(), kNewerOptionVersion);
        break;
    case OptionPrefsStatus::Unreadable:
        std::fprintf(stderr, "%s: no version number in line 1 (default settings used)\n", path.c_str());
        break;
    case OptionPrefsStatus::Read:
    case OptionPrefsStatus::Short:
        options = read;
        break;
    }
    return true;
}

// "A-B" or "A", channels counted from 1, as a channel mask.
uint16_t parseChannels(const std::string& v) {
    const auto dash = v.find('-');
    const int first = parseNumber(v.substr(0, dash), 2);
    const int last = dash == std::string::npos ? first : parseNumber(v.substr(dash + 1), 2);
    if (first < 1 || last < first || last > 16) throw std::invalid_argument("--channels takes A-B with 1 <= A <= B <= 16");
    uint16_t mask = 0;
    for (int c = first; c <= last; ++c) mask = static_cast<uint16_t>(mask | (1u << (c - 1)));
    return mask;
}

// "001,005" (or "1,5"): the check numbers whose lines are ticked.
std::vector<bool> parseOnly(const std::string& v) {
    std::vector<bool> wanted(kCheckCount + 1, false);
    size_t from = 0;
    while (true) {
        const size_t comma = v.find(',', from);
        const int n = parseNumber(v.substr(from, comma == std::string::npos ? std::string::npos : comma - from), 3);
        if (n < 1 || n > kCheckCount) throw std::invalid_argument("--only takes check numbers 001 to 017, separated by commas");
        wanted[static_cast<size_t>(n)] = true;
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return wanted;
}

void printLines(const CheckReport& report) {
    std::string out;
    for (const Finding& f : report.findings()) {
        out += f.text();
        out += '\n';
        if (out.size() > (1 << 16)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int runCheck(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"settings", "channels"}, {});
    if (a.positional.size() != 1) throw std::invalid_argument(kCheckUsage);
    const uint16_t channels = a.has("channels") ? parseChannels(a.value("channels")) : uint16_t{0xFFFF};
    Options options;
    if (!readCheckOptions(a, options)) return 1;
    midiSong song;
    if (!loadSong(song, a.positional[0], false)) return 1;
    const CheckReport report = checkSong(song, options, channels);
    printLines(report);
    std::fprintf(stderr, "%s\n", checkDoneText(report.size()).c_str());
    return report.empty() ? 0 : 3;
}

int runCorrect(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"settings", "only"}, {});
    if (a.positional.size() != 2) throw std::invalid_argument(kCorrectUsage);
    const std::vector<bool> only = a.has("only") ? parseOnly(a.value("only")) : std::vector<bool>(kCheckCount + 1, true);
    Options options;
    if (!readCheckOptions(a, options)) return 1;
    midiSong song;
    if (!loadSong(song, a.positional[0], false)) return 1;
    CheckReport report = checkSong(song, options);
    std::vector<bool> ticked;
    ticked.reserve(report.size());
    for (const Finding& f : report.findings()) ticked.push_back(only[static_cast<size_t>(f.check)]);
    report.erase(correctFindings(song, report, ticked));
    if (!saveSong(song, a.positional[1])) return 1;
    printLines(report);
    std::fprintf(stderr, "%s\n", kCorrectDoneText);
    return 0;
}

CommandRegistrar checkCommand({"check", "  check FILE [--settings DIR] [--channels A-B]\n"
                                        "                                   the data checker's findings, one line each",
                               runCheck});
CommandRegistrar correctCommand({"correct", "  correct IN OUT [--settings DIR] [--only 001,005,...]\n"
                                            "                                   corrects the findings and writes OUT",
                                 runCorrect});

}  // namespace

}  // namespace tonvela::cli
