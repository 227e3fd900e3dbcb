// setup: the set-up of every channel in use, printed, or written again clean and staggered at the
// head as the Setup Manager's Set does.

#include <cstdio>
#include <stdexcept>

#include "commands.h"
#include "settings/numbertext.h"
#include "setup/setup_manager.h"
#include "song/selection.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

constexpr const char* kSetupUsage = "usage: setup FILE [--bar N]\n       setup IN OUT --write";

// A value, followed by "*" when the song does not set it (the default is shown).
std::string valueText(const ChannelSetup& s, SetupControl c) {
    return std::to_string(s.values[static_cast<size_t>(c)]) + (s.set[static_cast<size_t>(c)] ? "" : "*");
}

std::string setupLine(const ChannelSetup& s) {
    std::string line = "channel " + std::to_string(s.channel + 1) + ": track=" +
                       std::to_string(s.tracks.empty() ? 0 : s.tracks.front()) + " bank=" +
                       valueText(s, setupBankMsb) + "/" + valueText(s, setupBankLsb);
    for (int c = setupProgram; c < setupControlCount; ++c)
        line += std::string(" ") + setupControlInfo(c).key + "=" + valueText(s, static_cast<SetupControl>(c));
    return line + "\n";
}

int runSetup(const std::vector<std::string>& args) {
    const ArgList a = parseArgs(args, {"bar"}, {"write"});
    const bool write = a.has("write");
    if (write ? (a.positional.size() != 2 || a.has("bar")) : a.positional.size() != 1)
        throw std::invalid_argument(kSetupUsage);
    int bar = 0;
    if (a.has("bar")) {
        const std::optional<int> n = readInteger(a.value("bar"));
        if (!n) throw std::invalid_argument("--bar needs a whole number (" + a.value("bar") + ")\n" + kSetupUsage);
        bar = *n;
    }
    const std::string& in = a.positional[0];
    midiSong song;
    if (!loadSong(song, in, false)) return 1;
    const int barCount = static_cast<int>(song.barStarts.size());
    if (a.has("bar") && (bar < 1 || bar > barCount)) {
        std::fprintf(stderr, "%s: bar %d is not in the song (it has bars 1-%d)\n", in.c_str(), bar, barCount);
        return 1;
    }

    const std::vector<int> channels = channelsInUse(song);
    std::string lines;
    if (!write) {
        const SetupMode mode = a.has("bar") ? SetupMode::halfway : SetupMode::head;
        const int32_t time = a.has("bar") ? barStartTick(song, bar - 1) : 0;
        for (int c : channels) lines += setupLine(readSetup(song, c, mode, time));
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        return 0;
    }

    const int count = static_cast<int>(channels.size());
    try {
        for (int i = 0; i < count; ++i) {
            const ChannelSetup found = readSetup(song, channels[static_cast<size_t>(i)], SetupMode::head);
            const SetupResult r = writeSetup(song, headRequest(song, found, i, count));
            lines += setupLine(found);
            if (r.packed)
                std::fprintf(stderr, "%s: channel %d: no room before its first note (tick %d): the set-up ends on that tick\n",
                             in.c_str(), found.channel + 1, found.firstNote);
        }
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), e.what());
        return 1;
    }
    if (!saveSong(song, a.positional[1])) return 1;
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return 0;
}

CommandRegistrar setupCommand(
    {"setup",
     "  setup FILE [--bar N]             the set-up of each channel in use at the head (or in force\n"
     "                                   at the start of bar N, from 1); * marks a default\n"
     "  setup IN OUT --write             write every channel's set-up again at the head, clean and\n"
     "                                   staggered, as the Setup Manager's Set does",
     runSetup});

}  // namespace

}  // namespace tonvela::cli
