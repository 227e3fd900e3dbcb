// play: the three ways of playing a song, in real time, to a port or to the capture port.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "commands.h"
#include "output/capture_port.h"
#include "output/midi_device.h"
#include "output/play_list.h"
#include "song/song.h"
#include "song/system_flags.h"
#include "song/tempo_units.h"

namespace tonvela::cli {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted.store(true); }

int parseInt(const std::string& text, const std::string& what) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) throw std::invalid_argument(what + " needs a number");
    return static_cast<int>(v);
}

// "A-B" or "A".
std::pair<int, int> parseRange(const std::string& text, const std::string& what) {
    size_t dash = text.find('-', 1);
    if (dash == std::string::npos) {
        int v = parseInt(text, what);
        return {v, v};
    }
    const int first = parseInt(text.substr(0, dash), what), last = parseInt(text.substr(dash + 1), what);
    if (first > last)
        throw std::invalid_argument(what + " " + text + ": the range is reversed (write " + std::to_string(last) + "-" +
                                    std::to_string(first) + ")");
    return {first, last};
}

void say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

const char* kUsage =
    "usage: play FILE [--port N] [--tracks A-B] [--bars A-B] [--all-tracks] [--from-bar N] [--all] [--loop] "
    "[--tempo BPM] [--capture OUT] [--soundfont SF] [--settings DIR]";

int runPlay(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"port", "tracks", "bars", "from-bar", "tempo", "capture", "soundfont", "settings"},
                          {"all-tracks", "all", "loop"});
    if (a.positional.size() != 1) throw std::invalid_argument(kUsage);
    const std::string& path = a.positional[0];
    const bool all = a.has("all");
    const bool from = a.has("from-bar");
    if (all && from) throw std::invalid_argument("--all and --from-bar are two different ways of playing");
    if ((all || from) && (a.has("tracks") || a.has("bars") || a.has("all-tracks")))
        throw std::invalid_argument("--tracks, --bars and --all-tracks choose the part to play; not with --all or --from-bar");
    int32_t tempo = 0;
    if (a.has("tempo")) {
        int bpm = parseInt(a.value("tempo"), "--tempo");
        if (bpm < 4 || bpm > 6000) throw std::invalid_argument("--tempo takes 4 to 6000 quarter notes per minute");
        tempo = bpmToMicros(bpm);
    }
    std::optional<int> port;
    if (a.has("port")) port = parseInt(a.value("port"), "--port");

    midiSong song;
    if (!loadSong(song, path, false)) return 1;
    const int tracks = song.trackCount();
    const int bars = static_cast<int>(song.barStarts.size());
    Selection range = Selection::wholeSong(song);
    if (a.has("tracks")) {
        auto [first, last] = parseRange(a.value("tracks"), "--tracks");
        if (first < 1 || first > last || last >= tracks) {
            std::fprintf(stderr, "%s: tracks %d-%d are not in the song (tracks 1-%d can be played)\n", path.c_str(), first,
                         last, tracks - 1);
            return 1;
        }
        range.firstTrack = first;
        range.lastTrack = last;
    }
    if (a.has("bars")) {
        auto [first, last] = parseRange(a.value("bars"), "--bars");
        if (first < 1 || first > last || last > bars) {
            std::fprintf(stderr, "%s: bars %d-%d are not in the song (it has bars 1-%d)\n", path.c_str(), first, last, bars);
            return 1;
        }
        range.firstBar = first - 1;
        range.lastBar = last - 1;
    }
    int fromBar = 0;
    if (from) {
        fromBar = parseInt(a.value("from-bar"), "--from-bar");
        if (fromBar < 1 || fromBar > bars) {
            std::fprintf(stderr, "%s: there is no bar %d (the song has bars 1-%d)\n", path.c_str(), fromBar, bars);
            return 1;
        }
        fromBar -= 1;
    }

    auto clock = makeSteadyClock();
    std::shared_ptr<CaptureLog> capture;
    std::unique_ptr<PortDriver> driver;
    if (a.has("capture")) {
        capture = std::make_shared<CaptureLog>();
        driver = makeCaptureDriver(capture, clock);
    } else {
        driver = makePortDriver(PortOptions{a.value("soundfont")});
    }
    MidiDevice device(std::move(driver), clock);
    std::string failure;
    device.onMessage = [&failure](const std::string& text) {
        if (failure.empty()) failure = text;
    };
    int id = -1;
    if (capture) {
        id = -1;
    } else if (port) {
        id = *port;
    } else if (a.has("settings")) {
        // The port the editor last used; a refused device.prf leaves the synthesizer.
        if (!device.readSettings(a.value("settings")))
            std::fprintf(stderr, "%s/device.prf: %s\n", a.value("settings").c_str(), failure.c_str());
        failure.clear();
        id = device.deviceId() >= -1 ? device.deviceId() : -1;
    }
    if (device.openDevice(id) != 0) {
        std::fprintf(stderr, "tonvela-cli play: port %d: %s\n", id, failure.c_str());
        return 1;
    }
    failure.clear();

    device.hooks.status = say;
    // The settings a newly opened song shows, so that a chase from bar 1 sends them too.
    feedLeadIn(song, device);

    interrupted.store(false);
    auto previousInt = std::signal(SIGINT, onInterrupt);
    auto previousTerm = std::signal(SIGTERM, onInterrupt);

    PlayOptions options;
    options.loop = a.has("loop");
    options.tempo = tempo;
    options.allTracks = a.has("all-tracks");
    options.gmOn = carriesGmOn(song.systemFlags);
    options.system = systemMode(song.systemFlags);
    bool started;
    if (all)
        started = device.playAll(song, options);
    else if (from)
        started = device.playFrom(song, fromBar, options);
    else
        started = device.playSelectedPart(song, range, options);

    // Ctrl-C is the Stop button: every channel silenced, then the usual end.
    while (started && device.playing()) {
        if (interrupted.load()) {
            device.stop();
            break;
        }
        device.waitUntilIdle(20'000);
    }
    // The synthesizer stops sounding when its port closes: let the last notes ring out.
    if (started && !capture && id == -1)
        for (int i = 0; i < 75 && !interrupted.load(); ++i) clock->sleepFor(20'000);
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    if (started) say("Play done.");

    int rc = 0;
    if (!failure.empty()) {
        std::fprintf(stderr, "tonvela-cli play: %s\n", failure.c_str());
        rc = 1;
    }
    if (capture) {
        const std::string out = a.value("capture");
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        std::string text = capture->dump();
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (!file) {
            std::fprintf(stderr, "%s: cannot write the capture\n", out.c_str());
            return 1;
        }
    }
    return rc;
}

CommandRegistrar playCommand(
    {"play",
     "  play FILE [--port N] [--tracks A-B] [--bars A-B] [--all-tracks] [--from-bar N] [--all] [--loop]\n"
     "       [--tempo BPM] [--capture OUT] [--soundfont SF] [--settings DIR]\n"
     "                                   play in real time (tracks by index, bars from 1; Ctrl-C stops)",
     runPlay});

}  // namespace

}  // namespace tonvela::cli
