// apply and effect: effect files on the command line.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "base/errors.h"
#include "commands.h"
#include "effects/apply_effect.h"
#include "effects/effect_file.h"
#include "effects/effect_group.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

int parseNumber(const std::string& text, const std::string& what) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) throw std::invalid_argument(what + " needs numbers");
    return static_cast<int>(v);
}

// "A-B" or "A".
std::pair<int, int> parseSpan(const std::string& text, const std::string& what) {
    size_t dash = text.find('-', 1);
    if (dash == std::string::npos) {
        int v = parseNumber(text, what);
        return {v, v};
    }
    const int first = parseNumber(text.substr(0, dash), what), last = parseNumber(text.substr(dash + 1), what);
    if (first > last)
        throw std::invalid_argument(what + " " + text + ": the range is reversed (write " + std::to_string(last) + "-" +
                                    std::to_string(first) + ")");
    return {first, last};
}

// "BAR:BEAT:TICK", bar and beat from 1.
std::array<int, 3> parsePosition(const std::string& text, const std::string& what) {
    size_t a = text.find(':');
    size_t b = a == std::string::npos ? a : text.find(':', a + 1);
    if (b == std::string::npos) throw std::invalid_argument(what + " takes BAR:BEAT:TICK");
    return {parseNumber(text.substr(0, a), what), parseNumber(text.substr(a + 1, b - a - 1), what),
            parseNumber(text.substr(b + 1), what)};
}

bool loadEffectFile(const std::string& path, EffectSettings& out) {
    try {
        LoadedEffect loaded = loadEffect(path);
        for (const std::string& w : loaded.warnings) std::fprintf(stderr, "%s: %s\n", path.c_str(), w.c_str());
        out = std::move(loaded.settings);
        return true;
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
        return false;
    }
}

const char* kApplyUsage =
    "usage: apply IN OUT --effect FX.fxl [--tracks A-B] [--bars A-B] [--from BAR:BEAT:TICK] [--to BAR:BEAT:TICK]\n"
    "       apply IN OUT --group G.fxg [--effects DIR | --settings DIR] [--tracks A-B] [--bars A-B]";

// The editor's settings folder: --settings DIR, else the per-user configuration folder.
std::string settingsFolder(const ArgList& a) {
    if (a.has("settings")) return a.value("settings");
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::string(xdg) + "/MidiTonvela";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/MidiTonvela";
    return {};
}

// The library shipped with the program: share/tonvela/Effects beside it when installed, else the
// source tree it was built from.
std::string shippedLibrary() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path installed = program.parent_path() / ".." / "share" / "tonvela" / "Effects";
        if (fs::is_directory(installed, ec)) return installed.lexically_normal().string();
    }
    const fs::path source = fs::path(TONVELA_SOURCE_DATA_DIR) / "Effects";
    if (fs::is_directory(source, ec)) return source.string();
    return {};
}

// --effects DIR; else the settings folder's Effects/ when it holds effects; else the shipped
// library. Empty (after saying why) when there is none.
std::string effectsFolderFor(const ArgList& a) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (a.has("effects")) {
        const std::string dir = a.value("effects");
        if (!fs::is_directory(dir, ec)) {
            std::fprintf(stderr, "%s: no such effects folder\n", dir.c_str());
            return {};
        }
        return dir;
    }
    const std::string settings = settingsFolder(a);
    if (a.has("settings") && !fs::is_directory(settings, ec)) {
        std::fprintf(stderr, "%s: no such settings folder\n", settings.c_str());
        return {};
    }
    if (!settings.empty()) {
        const std::string own = settings + "/Effects";
        if (!scanEffectsFolder(own, ".fxl").empty()) return own;
    }
    const std::string shipped = shippedLibrary();
    if (shipped.empty()) std::fprintf(stderr, "no effects folder found: name one with --effects DIR\n");
    return shipped;
}

int runGroup(const ArgList& a, const Selection& selectionIn, midiSong& song, const std::string& out) {
    const std::string groupPath = a.value("group");
    EffectGroup group;
    try {
        group = loadEffectGroup(groupPath);
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", groupPath.c_str(), e.what());
        return 1;
    }
    const std::string folder = effectsFolderFor(a);
    if (folder.empty()) return 1;

    GroupRunHooks hooks;
    hooks.status = [](const std::string& text) { std::printf("%s\n", text.c_str()); };
    hooks.failed = [&](const GroupFailure& f) {
        std::fflush(stdout);
        if (f.detail.empty())
            std::fprintf(stderr, "%s: %s\n", groupPath.c_str(), f.message.c_str());
        else
            std::fprintf(stderr, "%s: %s: %s\n", groupPath.c_str(), f.message.c_str(), f.detail.c_str());
    };
    hooks.warning = [&](const std::string& line, const std::string& warning) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s: %s\n", groupPath.c_str(), line.c_str(), warning.c_str());
    };
    const GroupRunResult result = runEffectGroup(song, group, folder, selectionIn, hooks);
    // What the members that ran did is kept even when others failed.
    if (!saveSong(song, out)) return 1;
    std::printf("%s\n", result.statusText().c_str());
    return result.failures.empty() ? 0 : 1;
}

int runApply(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"effect", "group", "effects", "settings", "tracks", "bars", "from", "to"}, {});
    const bool group = a.has("group");
    if (a.positional.size() != 2 || group == a.has("effect")) throw std::invalid_argument(kApplyUsage);
    if (group && (a.has("from") || a.has("to"))) throw std::invalid_argument(kApplyUsage);
    if (!group && (a.has("effects") || a.has("settings"))) throw std::invalid_argument(kApplyUsage);
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    const std::string fx = a.value("effect");
    std::optional<std::pair<int, int>> tracks, bars;
    std::optional<std::array<int, 3>> from, to;
    if (a.has("tracks")) tracks = parseSpan(a.value("tracks"), "--tracks");
    if (a.has("bars")) bars = parseSpan(a.value("bars"), "--bars");
    if (a.has("from")) from = parsePosition(a.value("from"), "--from");
    if (a.has("to")) to = parsePosition(a.value("to"), "--to");

    EffectSettings settings;
    if (!group && !loadEffectFile(fx, settings)) return 1;
    midiSong song;
    if (!loadSong(song, in, false)) return 1;

    Selection selection = Selection::wholeSong(song);
    const int trackCount = song.trackCount();
    const int barCount = static_cast<int>(song.barStarts.size());
    if (tracks) {
        if (tracks->first < 0 || tracks->first > tracks->second || tracks->second >= trackCount) {
            std::fprintf(stderr, "%s: tracks %d-%d are not in the song (it has tracks 0-%d)\n", in.c_str(), tracks->first,
                         tracks->second, trackCount - 1);
            return 1;
        }
        selection.firstTrack = tracks->first;
        selection.lastTrack = tracks->second;
    }
    if (bars) {
        if (bars->first < 1 || bars->first > bars->second || bars->second > barCount) {
            std::fprintf(stderr, "%s: bars %d-%d are not in the song (it has bars 1-%d)\n", in.c_str(), bars->first,
                         bars->second, barCount);
            return 1;
        }
        selection.firstBar = bars->first - 1;
        selection.lastBar = bars->second - 1;
    }
    if (group) return runGroup(a, selection, song, out);
    RangeFields fields = rangeFieldsFor(song, selection);
    if (from) std::tie(fields.fromBar, fields.fromBeat, fields.fromTick) = std::tie((*from)[0], (*from)[1], (*from)[2]);
    if (to) std::tie(fields.toBar, fields.toBeat, fields.toTick) = std::tie((*to)[0], (*to)[1], (*to)[2]);
    std::string error;
    std::optional<EffectScope> scope = EffectScope::of(song, selection, fields, &error);
    if (!scope) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), error.c_str());
        return 1;
    }

    EffectResult result;
    try {
        result = applyEffect(song, settings, *scope);
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", fx.c_str(), e.what());
        return 1;
    }
    if (!result.applied) {
        std::fprintf(stderr, "%s: the effect cannot be applied: its interval (Distance) is not a number above 0\n",
                     fx.c_str());
        return 1;
    }
    if (!saveSong(song, out)) return 1;
    std::printf("%s\n", result.statusText().c_str());
    return 0;
}

int runEffect(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {}, {});
    if (a.positional.size() != 1) throw std::invalid_argument("usage: effect FX.fxl");
    EffectSettings settings;
    if (!loadEffectFile(a.positional[0], settings)) return 1;
    std::string text = "type: " + std::string(itemText(kEffectTypeItems, settings.effectType)) + "\n";
    text += "name: " + settings.EffectName + "\n";
    for (const std::string& line : settings.Description) text += "description: " + line + "\n";
    for (const std::string& line : describeEffectControls(settings)) text += line + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

CommandRegistrar applyCommand(
    {"apply",
     "  apply IN OUT --effect FX.fxl [--tracks A-B] [--bars A-B] [--from BAR:BEAT:TICK] [--to BAR:BEAT:TICK]\n"
     "                                   apply an effect file to tracks (by index) and bars (from 1)\n"
     "  apply IN OUT --group G.fxg [--effects DIR | --settings DIR] [--tracks A-B] [--bars A-B]\n"
     "                                   apply the effects of a group, one after another",
     runApply});
CommandRegistrar effectCommand({"effect", "  effect FX.fxl                    the controls of an effect file", runEffect});

}  // namespace

}  // namespace tonvela::cli
