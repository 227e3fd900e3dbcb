// tempo: the tempo editor's batch tools (Up/Down by a value or a percentage, rit./accel.) over bars.

#include <cstdio>
#include <stdexcept>

#include "commands.h"
#include "settings/numbertext.h"
#include "song/song.h"
#include "tempo/tempo_edit.h"

namespace tonvela::cli {

namespace {

const char* kTempoUsage =
    "usage: tempo IN OUT --bars A-B (--add BPM | --percent P | --ramp FROM-TO:VALUE[%]:COUNT[:atempo])";

int wholeNumber(const std::string& text, const std::string& what) {
    const std::optional<int> v = readInteger(text);
    if (!v) throw std::invalid_argument(what + " needs whole numbers (" + text + ")\n" + kTempoUsage);
    return *v;
}

std::pair<int, int> parseSpan(const std::string& text, const std::string& what) {
    const size_t dash = text.find('-', 1);
    if (dash == std::string::npos) {
        const int v = wholeNumber(text, what);
        return {v, v};
    }
    return {wholeNumber(text.substr(0, dash), what), wholeNumber(text.substr(dash + 1), what)};
}

// FROM-TO:VALUE:COUNT[:atempo], VALUE a whole number of bpm (+/-) or a percentage ("80%").
RampSettings parseRamp(const std::string& text) {
    std::vector<std::string> parts;
    for (size_t from = 0;;) {
        const size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon - from));
        if (colon == std::string::npos) break;
        from = colon + 1;
    }
    if (parts.size() < 3 || parts.size() > 4 || (parts.size() == 4 && parts[3] != "atempo"))
        throw std::invalid_argument(std::string("--ramp takes FROM-TO:VALUE:COUNT[:atempo]\n") + kTempoUsage);
    RampSettings s;
    std::tie(s.from, s.to) = parseSpan(parts[0], "--ramp FROM-TO");
    std::string value = parts[1];
    s.percent = !value.empty() && value.back() == '%';
    if (s.percent) value.pop_back();
    s.value = wholeNumber(value, "--ramp VALUE");
    s.count = wholeNumber(parts[2], "--ramp COUNT");
    s.aTempo = parts.size() == 4;
    return s;
}

double decimal(const std::string& text, const std::string& what) {
    const std::optional<double> v = readDecimal(text);
    if (!v) throw std::invalid_argument(what + " needs a number (" + text + ")\n" + kTempoUsage);
    return *v;
}

int runTempo(const std::vector<std::string>& args) {
    const ArgList a = parseArgs(args, {"bars", "add", "percent", "ramp"}, {});
    const int tools = a.has("add") + a.has("percent") + a.has("ramp");
    if (a.positional.size() != 2 || !a.has("bars") || tools != 1) throw std::invalid_argument(kTempoUsage);
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    const auto [firstBar, lastBar] = parseSpan(a.value("bars"), "--bars");
    UpDownSettings upDown;
    RampSettings ramp;
    if (a.has("add")) upDown = {false, decimal(a.value("add"), "--add")};
    if (a.has("percent")) upDown = {true, decimal(a.value("percent"), "--percent")};
    if (a.has("ramp")) ramp = parseRamp(a.value("ramp"));

    midiSong song;
    if (!loadSong(song, in, false)) return 1;
    const int barCount = static_cast<int>(song.barStarts.size());
    if (firstBar < 1 || firstBar > lastBar || lastBar > barCount) {
        std::fprintf(stderr, "%s: bars %d-%d are not in the song (it has bars 1-%d)\n", in.c_str(), firstBar, lastBar,
                     barCount);
        return 1;
    }
    const TickRange range = Selection{1, 1, firstBar - 1, lastBar - 1}.ticks(song);
    WrittenTempos written;
    try {
        written = a.has("ramp") ? ritAccel(song, range, ramp) : upDownTempo(song, range, upDown);
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), e.what());
        return 1;
    }
    std::string lines;
    for (const TempoEvent* e : written) {
        lines += std::to_string(e->time) + " " + positionText(*e) + std::to_string(e->getTempo()) + " " +
                 formatBpm(e->getTempo()) + "\n";
    }
    if (!saveSong(song, out)) return 1;
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return 0;
}

CommandRegistrar tempoCommand(
    {"tempo",
     "  tempo IN OUT --bars A-B (--add BPM | --percent P | --ramp FROM-TO:VALUE[%]:COUNT[:atempo])\n"
     "                                   raise or lower the tempo changes of bars A to B (from 1), or\n"
     "                                   write a ritardando or accelerando there",
     runTempo});

}  // namespace

}  // namespace tonvela::cli
