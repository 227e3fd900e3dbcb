// apply and effect: effect files on the command line.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "commands.h"
#include "effects/apply_effect.h"
#include "effects/effect_file.h"
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
    "usage: apply IN OUT --effect FX.fxl [--tracks A-B] [--bars A-B] [--from BAR:BEAT:TICK] [--to BAR:BEAT:TICK]";

int runApply(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"effect", "tracks", "bars", "from", "to"}, {});
    if (a.positional.size() != 2 || !a.has("effect")) throw std::invalid_argument(kApplyUsage);
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
    if (!loadEffectFile(fx, settings)) return 1;
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
     "                                   apply an effect file to tracks (by index) and bars (from 1)",
     runApply});
CommandRegistrar effectCommand({"effect", "  effect FX.fxl                    the controls of an effect file", runEffect});

}  // namespace

}  // namespace tonvela::cli
