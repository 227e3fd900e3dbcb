#include "song/dump.h"

#include <cstdio>

#include "song/song.h"

namespace tonvela {

namespace {

void appendHex(std::string& s, const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
}

}  // namespace

std::string dumpLine(int track, const anyEvent& e) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d %d %3.3d:%2.2d:%3.3d k%d %02X ", track, e.time, e.bar + 1, e.beat + 1, e.tick,
                  e.kind(), e.status);
    std::string line = buf;
    if (e.status < 0xF0) {
        switch (e.status & 0xF0) {
        case 0x80:
        case 0x90: {
            auto& n = static_cast<const NoteOnEvent&>(e);
            std::snprintf(buf, sizeof buf, "note=%d vel=%d dur=%d", n.note(), n.velocity(), n.duration());
            break;
        }
        case 0xA0: {
            auto& n = static_cast<const PolyAfterEvent&>(e);
            std::snprintf(buf, sizeof buf, "note=%d pressure=%d", n.note(), n.pressure());
            break;
        }
        case 0xB0: {
            auto& c = static_cast<const ControlChangeEvent&>(e);
            std::snprintf(buf, sizeof buf, "ctrl=%d val=%d", c.controller(), c.value());
            break;
        }
        case 0xC0: std::snprintf(buf, sizeof buf, "prog=%d", static_cast<const ProgramChangeEvent&>(e).program()); break;
        case 0xD0:
            std::snprintf(buf, sizeof buf, "pressure=%d", static_cast<const ChannelAfterTouchEvent&>(e).pressure());
            break;
        default: std::snprintf(buf, sizeof buf, "bend=%d", static_cast<const PitchBendEvent&>(e).bend()); break;
        }
        line += buf;
    } else if (e.status == 0xFF) {
        auto& m = static_cast<const metaEvent&>(e);
        std::snprintf(buf, sizeof buf, "meta=%02X data=", m.metaType);
        line += buf;
        appendHex(line, m.data.data(), m.data.size());
    } else {
        auto& s = static_cast<const sysexEvent&>(e);
        line += "sysex=";
        appendHex(line, s.sysexData.data(), s.sysexData.size());
    }
    line += '\n';
    return line;
}

std::string dumpSong(const midiSong& song, int onlyTrack) {
    std::string out;
    for (int i = 0; i < song.trackCount(); ++i) {
        if (onlyTrack >= 0 && i != onlyTrack) continue;
        for (const anyEvent* e : song.track(i)->events())
            if (e) out += dumpLine(i, *e);
    }
    return out;
}

}  // namespace tonvela
