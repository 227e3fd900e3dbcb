// list: the events of a song as the event list window shows them, one line each.

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "commands.h"
#include "eventlist/event_list.h"
#include "song/song.h"
#include "song/textcodec.h"

namespace tonvela::cli {

namespace {

constexpr const char* kUsage = "usage: list FILE [--track N] [--bars A-B] [--encoding utf8|cp932|latin1|auto] [--recover]";

// A whole non-negative decimal number, or -1.
long parseCount(const std::string& s) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::strtol(s.c_str(), nullptr, 10);
}

struct BarRange {
    long first = 1, last = -1;  // bars as shown, from 1; last -1 = to the end
};

// "A-B" or "A" (one bar).
BarRange parseBars(const std::string& v) {
    BarRange r;
    const auto dash = v.find('-');
    r.first = parseCount(v.substr(0, dash));
    r.last = dash == std::string::npos ? r.first : parseCount(v.substr(dash + 1));
    if (r.first < 1 || r.last < r.first) throw std::invalid_argument("--bars takes A-B with 1 <= A <= B");
    return r;
}

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

int runList(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"track", "bars", "encoding"}, {"recover"});
    if (a.positional.size() != 1) throw std::invalid_argument(kUsage);
    const std::string& path = a.positional[0];

    long only = -1;
    if (a.has("track")) {
        only = parseCount(a.value("track"));
        if (only < 0) throw std::invalid_argument("--track needs a track index");
    }
    BarRange bars;
    if (a.has("bars")) bars = parseBars(a.value("bars"));
    TextEncoding encoding = TextEncoding::automatic;
    if (a.has("encoding")) {
        auto e = parseTextEncoding(a.value("encoding"));
        if (!e) throw std::invalid_argument("--encoding takes utf8, cp932, latin1 or auto");
        encoding = *e;
    }

    midiSong song;
    if (!loadSong(song, path, a.has("recover"))) return 1;
    // auto: the one encoding the reader chose for all the song's texts.
    if (encoding == TextEncoding::automatic) encoding = song.textEncoding;
    if (only >= song.trackCount()) {
        std::fprintf(stderr, "%s: no track %ld (the song has %d)\n", path.c_str(), only, song.trackCount());
        return 1;
    }

    std::string out;
    auto flush = [&out] {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    };
    EventList events;
    for (int i = 0; i < song.trackCount(); ++i) {
        if (only >= 0 && i != only) continue;
        const midiTrack& track = *song.track(i);
        out += "Track " + std::to_string(i) + ": " + displayText(trimRight(track.name), encoding, true) + "\n";

        events.fill(song, i, i, static_cast<int>(bars.first - 1), bars.last < 0 ? -1 : static_cast<int>(bars.last - 1));
        for (const anyEvent* e : events.rows()) {
            // The description carries meta text as the file's bytes; the whole line is decoded
            // because its other parts are ASCII in every supported encoding.
            out += displayText(eventLine(*e), encoding, true);
            out += '\n';
            if (out.size() > (1 << 16)) flush();
        }
    }
    flush();
    return std::fflush(stdout) == 0 ? 0 : 1;
}

CommandRegistrar listCommand(
    {"list", "  list FILE [--track N] [--bars A-B] [--encoding utf8|cp932|latin1|auto] [--recover]\n"
             "                                   events as the event list shows them",
     runList});

}  // namespace

}  // namespace tonvela::cli
