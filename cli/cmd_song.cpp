// info, dump and convert: the song model on the command line.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "commands.h"
#include "song/dump.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

int soundingNotes(const midiTrack& t) {
    int n = 0;
    for (const anyEvent* e : t.events())
        if (e && e->kind() == kindNote) ++n;
    return n;
}

int runInfo(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {}, {"recover"});
    if (a.positional.size() != 1) throw std::invalid_argument("usage: info FILE [--recover]");
    midiSong song;
    if (!loadSong(song, a.positional[0], a.has("recover"))) return 1;
    std::printf("format: %d\n", song.format);
    std::printf("timeBase: %u\n", song.timeBase);
    std::printf("tracks: %d\n", song.trackCount());
    std::printf("bars: %zu\n", song.barStarts.size());
    std::printf("title: %s\n", song.title().c_str());
    std::printf("systemFlags: %u\n", song.systemFlags);
    std::printf("masterTune: %d\n", song.masterTune());
    std::printf("firstNoteTime: %d\n", song.firstNoteTime);
    std::printf("songEnd: %d\n", song.songEnd);
    for (int i = 0; i < song.trackCount(); ++i) {
        const midiTrack& t = *song.track(i);
        std::printf("track %d: %s%s events=%d notes=%d end=%d\n", i, t.name.c_str(), t.channelLabel.c_str(),
                    t.countEvents(), soundingNotes(t), t.endTime);
    }
    return 0;
}

int runDump(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"track"}, {"recover"});
    if (a.positional.size() != 1) throw std::invalid_argument("usage: dump FILE [--track N] [--recover]");
    int only = -1;
    if (a.has("track")) {
        char* end = nullptr;
        std::string v = a.value("track");
        only = static_cast<int>(std::strtol(v.c_str(), &end, 10));
        if (v.empty() || *end != '\0' || only < 0) throw std::invalid_argument("--track needs a track index");
    }
    midiSong song;
    if (!loadSong(song, a.positional[0], a.has("recover"))) return 1;
    if (only >= song.trackCount()) {
        std::fprintf(stderr, "%s: no track %d (the song has %d)\n", a.positional[0].c_str(), only, song.trackCount());
        return 1;
    }
    std::string out;
    for (int i = 0; i < song.trackCount(); ++i) {
        if (only >= 0 && i != only) continue;
        for (const anyEvent* e : song.track(i)->events()) {
            if (!e) continue;
            out += dumpLine(i, *e);
            if (out.size() > (1 << 16)) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int runConvert(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"format"}, {"recover"});
    if (a.positional.size() != 2) throw std::invalid_argument("usage: convert IN OUT [--format 0|1] [--recover]");
    int fmt = -1;
    if (a.has("format")) {
        std::string v = a.value("format");
        if (v != "0" && v != "1") throw std::invalid_argument("--format takes 0 or 1");
        fmt = v[0] - '0';
    }
    midiSong song;
    if (!loadSong(song, a.positional[0], a.has("recover"))) return 1;
    if (fmt >= 0) song.format = static_cast<int16_t>(fmt);
    if (!saveSong(song, a.positional[1])) return 1;
    return 0;
}

CommandRegistrar infoCommand({"info", "  info FILE [--recover]            song summary and one line per track", runInfo});
CommandRegistrar dumpCommand({"dump", "  dump FILE [--track N] [--recover] every event, one line each", runDump});
CommandRegistrar convertCommand(
    {"convert", "  convert IN OUT [--format 0|1] [--recover]  load and write back", runConvert});

}  // namespace

}  // namespace tonvela::cli
