// info, dump and convert: the song model on the command line.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "commands.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

std::string hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

// Loads FILE; on failure prints "PATH: MESSAGE" and returns false.
bool loadSong(midiSong& song, const std::string& path, bool recover) {
    try {
        LoadReport report = song.load(path, LoadOptions{recover});
        for (const auto& line : report.repairs) std::fprintf(stderr, "%s: repaired: %s\n", path.c_str(), line.c_str());
        return true;
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
        return false;
    }
}

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

void dumpEvent(std::string& line, int track, const anyEvent* e) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d %d %3.3d:%2.2d:%3.3d k%d %02X ", track, e->time, e->bar + 1, e->beat + 1,
                  e->tick, e->kind(), e->status);
    line = buf;
    int hi = e->status & 0xF0;
    if (e->status < 0xF0) {
        switch (hi) {
        case 0x80:
        case 0x90: {
            auto* n = static_cast<const NoteOnEvent*>(e);
            std::snprintf(buf, sizeof buf, "note=%d vel=%d dur=%d", n->note(), n->velocity(), n->duration());
            break;
        }
        case 0xA0: {
            auto* n = static_cast<const PolyAfterEvent*>(e);
            std::snprintf(buf, sizeof buf, "note=%d pressure=%d", n->note(), n->pressure());
            break;
        }
        case 0xB0: {
            auto* c = static_cast<const ControlChangeEvent*>(e);
            std::snprintf(buf, sizeof buf, "ctrl=%d val=%d", c->controller(), c->value());
            break;
        }
        case 0xC0: std::snprintf(buf, sizeof buf, "prog=%d", static_cast<const ProgramChangeEvent*>(e)->program()); break;
        case 0xD0:
            std::snprintf(buf, sizeof buf, "pressure=%d", static_cast<const ChannelAfterTouchEvent*>(e)->pressure());
            break;
        default: std::snprintf(buf, sizeof buf, "bend=%d", static_cast<const PitchBendEvent*>(e)->bend()); break;
        }
        line += buf;
    } else if (e->status == 0xFF) {
        auto* m = static_cast<const metaEvent*>(e);
        std::snprintf(buf, sizeof buf, "meta=%02X data=", m->metaType);
        line += buf;
        line += hex(m->data.data(), m->data.size());
    } else {
        auto* s = static_cast<const sysexEvent*>(e);
        line += "sysex=" + hex(s->sysexData.data(), s->sysexData.size());
    }
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
    std::string line;
    std::string out;
    for (int i = 0; i < song.trackCount(); ++i) {
        if (only >= 0 && i != only) continue;
        for (const anyEvent* e : song.track(i)->events()) {
            if (!e) continue;
            dumpEvent(line, i, e);
            out += line;
            out += '\n';
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
    try {
        song.writeFile(a.positional[1]);
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s%s%s\n", a.positional[1].c_str(), e.what(), e.detail().empty() ? "" : " ",
                     e.detail().c_str());
        return 1;
    }
    return 0;
}

CommandRegistrar infoCommand({"info", "  info FILE [--recover]            song summary and one line per track", runInfo});
CommandRegistrar dumpCommand({"dump", "  dump FILE [--track N] [--recover] every event, one line each", runDump});
CommandRegistrar convertCommand(
    {"convert", "  convert IN OUT [--format 0|1] [--recover]  load and write back", runConvert});

}  // namespace

}  // namespace tonvela::cli
