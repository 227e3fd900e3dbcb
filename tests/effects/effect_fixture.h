#pragma once

// Songs and checks for the effect tests: songs built as file bytes and loaded through the
// reader, events read back as compact tuples.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "effects/apply_effect.h"
#include "effects/effect_settings.h"
#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"

namespace tonvela::test {

// A conductor track: 4/4, tempo 120, ending after `bars` bars at 480 ticks per quarter.
inline Bytes conductor(int bars) {
    return cat({at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}), at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                at(static_cast<uint32_t>(bars * 1920), {0xFF, 0x01, 0x03, 'e', 'n', 'd'})});
}

// Events of one track given with absolute times, turned into delta-timed bytes.
struct TrackBuilder {
    struct Item {
        uint32_t time;
        std::vector<uint8_t> message;
    };
    std::vector<Item> items;
    TrackBuilder& note(uint32_t time, int key, uint32_t length, int velocity = 100, int channel = 0) {
        items.push_back({time, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)}});
        items.push_back({time + length, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0}});
        return *this;
    }
    TrackBuilder& cc(uint32_t time, int controller, int value, int channel = 0) {
        items.push_back({time, {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(controller), static_cast<uint8_t>(value)}});
        return *this;
    }
    TrackBuilder& bend(uint32_t time, int signedBend, int channel = 0) {
        int raw = signedBend + 8192;
        items.push_back({time, {static_cast<uint8_t>(0xE0 | channel), static_cast<uint8_t>(raw & 0x7F), static_cast<uint8_t>(raw >> 7)}});
        return *this;
    }
    TrackBuilder& name(const std::string& n) {
        std::vector<uint8_t> m = {0xFF, 0x03, static_cast<uint8_t>(n.size())};
        m.insert(m.end(), n.begin(), n.end());
        items.push_back({0, m});
        return *this;
    }
    Bytes bytes() const {
        std::vector<Item> sorted = items;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Item& a, const Item& b) { return a.time < b.time; });
        Bytes out;
        uint32_t last = 0;
        for (const Item& i : sorted) {
            Bytes one = at(i.time - last, {});
            one.insert(one.end(), i.message.begin(), i.message.end());
            out.insert(out.end(), one.begin(), one.end());
            last = i.time;
        }
        return out;
    }
};

inline void loadTracks(midiSong& song, int bars, std::initializer_list<TrackBuilder> tracks) {
    Bytes file = header(1, static_cast<int>(tracks.size()) + 1);
    Bytes c = trackChunk(conductor(bars));
    file.insert(file.end(), c.begin(), c.end());
    for (const TrackBuilder& t : tracks) {
        Bytes chunk = trackChunk(t.bytes());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    load(song, file);
}

struct Note {
    int32_t time;
    int key, velocity, duration, channel;
    bool operator==(const Note&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Note& n) {
    return o << "{" << n.time << " k" << n.key << " v" << n.velocity << " d" << n.duration << " ch" << n.channel << "}";
}

inline std::vector<Note> notesOf(const midiTrack& t) {
    std::vector<Note> out;
    for (const anyEvent* e : t.events())
        if (e && e->kind() == kindNote) {
            auto* n = static_cast<const NoteOnEvent*>(e);
            out.push_back({n->time, n->note(), n->velocity(), n->duration(), n->status & 0x0F});
        }
    return out;
}

// (time, controller, value, channel) of every control change, in list order.
inline std::vector<std::tuple<int32_t, int, int, int>> controlsOf(const midiTrack& t) {
    std::vector<std::tuple<int32_t, int, int, int>> out;
    for (const anyEvent* e : t.events())
        if (e && e->kind() == kindControl) {
            auto* c = static_cast<const ControlChangeEvent*>(e);
            out.emplace_back(c->time, c->controller(), c->value(), c->status & 0x0F);
        }
    return out;
}

// (time, signed bend) of every pitch bend, in list order.
inline std::vector<std::pair<int32_t, int>> bendsOf(const midiTrack& t) {
    std::vector<std::pair<int32_t, int>> out;
    for (const anyEvent* e : t.events())
        if (e && e->kind() == kindPitchBend) out.emplace_back(e->time, static_cast<const PitchBendEvent*>(e)->bend());
    return out;
}

// Every track of the song, the scope of a whole-song selection of tracks first..last.
inline EffectScope scopeOf(const midiSong& song, int firstTrack, int lastTrack) {
    Selection s = Selection::wholeSong(song);
    s.firstTrack = firstTrack;
    s.lastTrack = lastTrack;
    return EffectScope::of(song, s);
}

inline EffectSettings effectOfType(int type, const std::string& name = "T") {
    EffectSettings s;
    s.effectType = type;
    s.EffectName = name;
    return s;
}

// Undoes every step newer than the journal lengths given (one entry per track).
inline void undoBackTo(midiSong& song, const std::vector<size_t>& journalSizes) {
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        size_t before = static_cast<size_t>(i) < journalSizes.size() ? journalSizes[static_cast<size_t>(i)] : 0;
        int guard = 0;
        while (t.journal.size() > before && guard++ < 100) t.undo();
    }
}

inline std::vector<size_t> journalSizes(const midiSong& song) {
    std::vector<size_t> out;
    for (int i = 0; i < song.trackCount(); ++i) out.push_back(song.track(i)->journal.size());
    return out;
}

}  // namespace tonvela::test
