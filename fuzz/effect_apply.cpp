// Any bytes as an effect file: reading either refuses them with a MidiError or gives an effect
// that, applied to a small song over the whole song and over one bar, either fails before
// changing anything or writes only valid MIDI data, undoes back to the song exactly, and leaves
// a song whose saved file loads again.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/apply_effect.h"
#include "effects/effect_file.h"
#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "effect_apply: %s\n%s\n", what, detail.c_str());
    std::abort();
}

struct Message {
    uint32_t time;
    std::vector<uint8_t> bytes;
};

void putTrack(std::vector<uint8_t>& file, std::vector<Message> messages) {
    std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) { return a.time < b.time; });
    std::vector<uint8_t> body;
    uint32_t last = 0;
    for (const Message& m : messages) {
        ByteWriter(body).putVarLen(m.time - last);
        last = m.time;
        body.insert(body.end(), m.bytes.begin(), m.bytes.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    const uint32_t n = static_cast<uint32_t>(body.size());
    file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    file.insert(file.end(), body.begin(), body.end());
}

// Eight bars: a 3/4 bar among 4/4 ones, tempo changes, two voices with chords, repeated keys,
// overlaps, the sustain pedal, bends, volume and expression curves and both kinds of parameter
// numbers with their data entries.
const std::vector<uint8_t>& smallSong() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, 0x00, 0x60};  // 96 per quarter
        putTrack(file, {{0, {0xFF, 0x58, 4, 4, 2, 24, 8}},
                        {0, {0xFF, 0x51, 3, 0x07, 0xA1, 0x20}},
                        {384, {0xFF, 0x58, 4, 3, 2, 24, 8}},
                        {672, {0xFF, 0x58, 4, 4, 2, 24, 8}},
                        {700, {0xFF, 0x51, 3, 0x05, 0x00, 0x00}},
                        {3000, {0xFF, 0x01, 1, 'x'}}});
        std::vector<Message> a = {{0, {0xB0, 101, 0}}, {0, {0xB0, 100, 0}}, {1, {0xB0, 6, 12}},
                                  {2, {0xB0, 99, 1}},  {2, {0xB0, 98, 32}}, {3, {0xB0, 6, 70}},
                                  {0, {0xB0, 64, 127}}, {500, {0xB0, 64, 0}}, {900, {0xB0, 64, 100}}};
        const int keys[] = {60, 64, 67, 60, 62, 60, 72, 48};
        for (int i = 0; i < 40; ++i) {
            uint32_t t = static_cast<uint32_t>(i * 72);
            uint8_t key = static_cast<uint8_t>(keys[i % 8]);
            uint32_t len = static_cast<uint32_t>(30 + (i * 37) % 150);
            uint8_t ch = static_cast<uint8_t>(i % 3 == 0 ? 1 : 0);
            a.push_back({t, {static_cast<uint8_t>(0x90 | ch), key, static_cast<uint8_t>(20 + i * 3 % 100)}});
            a.push_back({t + len, {static_cast<uint8_t>(0x80 | ch), key, 0}});
            if (i % 5 == 0) {  // a chord
                a.push_back({t + 1, {0x90, static_cast<uint8_t>(key + 4), 90}});
                a.push_back({t + 60, {0x80, static_cast<uint8_t>(key + 4), 0}});
            }
            a.push_back({t + 10, {0xE0, static_cast<uint8_t>(i * 3 & 0x7F), static_cast<uint8_t>(32 + i)}});
            a.push_back({t + 20, {0xB0, 11, static_cast<uint8_t>(i * 3)}});
            a.push_back({t + 30, {0xB0, 7, static_cast<uint8_t>(127 - i)}});
        }
        putTrack(file, a);
        std::vector<Message> b = {{0, {0xFF, 0x03, 10, 'E', 'c', 'h', 'o', ' ', 'T', 'r', 'a', 'c', 'k'}}};
        for (int i = 0; i < 16; ++i) {
            uint32_t t = static_cast<uint32_t>(i * 150);
            b.push_back({t, {0x99, 36, 100}});
            b.push_back({t + 150, {0x89, 36, 0}});  // legato repeats of one key
            b.push_back({t + 5, {0xB9, 10, static_cast<uint8_t>(i * 8)}});
        }
        putTrack(file, b);
        return file;
    }();
    return bytes;
}

void checkValid(const midiSong& song) {
    for (int t = 0; t < song.trackCount(); ++t)
        for (const anyEvent* e : song.track(t)->events()) {
            if (!e) continue;
            if (e->time < 0) fail("negative time", dumpLine(t, *e));
            if (e->kind() == kindNote) {
                auto* n = static_cast<const NoteOnEvent*>(e);
                if (n->note() > 127 || n->velocity() < 1 || n->velocity() > 127 || n->duration() < 0)
                    fail("invalid note", dumpLine(t, *e));
            }
        }
}

void applyOnce(const EffectSettings& settings, bool oneBar) {
    midiSong song;
    const auto& bytes = smallSong();
    song.loadBytes(bytes.data(), bytes.size(), "small.mid");
    const std::string before = dumpSong(song);
    const int tracksBefore = song.trackCount();
    std::vector<size_t> journals;
    for (int i = 0; i < song.trackCount(); ++i) journals.push_back(song.track(i)->journal.size());
    Selection selection = Selection::wholeSong(song);
    if (oneBar) selection.firstBar = selection.lastBar = 1;
    try {
        applyEffect(song, settings, EffectScope::of(song, selection));
    } catch (const MidiError&) {
        // Refused before any change.
        if (dumpSong(song) != before) fail("a refused run changed the song", "");
        return;
    }
    checkValid(song);

    std::vector<uint8_t> saved;
    {
        std::unique_ptr<midiSong> copy = std::make_unique<midiSong>();
        copy->loadBytes(bytes.data(), bytes.size(), "small.mid");
        applyEffect(*copy, settings, EffectScope::of(*copy, selection));
        try {
            copy->write(saved);
        } catch (const MidiError& e) {
            fail("the edited song cannot be saved", e.detail());
        }
        midiSong again;
        try {
            again.loadBytes(saved.data(), saved.size(), "again.mid");
        } catch (const MidiError& e) {
            fail("the saved song does not load", e.message() + " " + e.detail());
        }
    }

    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        const size_t want = i < static_cast<int>(journals.size()) ? journals[static_cast<size_t>(i)] : 0;
        for (int guard = 0; t.journal.size() > want && guard < 64; ++guard) t.undo();
        t.sortEvents();
    }
    const std::string after = dumpSong(song);
    if (after.compare(0, before.size(), before) != 0) fail("undo does not restore the song", "");
    for (int i = tracksBefore; i < song.trackCount(); ++i)
        for (const anyEvent* e : song.track(i)->events())
            if (e && e->kind() != kindTrackName) fail("a created track keeps events after undo", dumpLine(i, *e));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;  // an effect file is a few hundred bytes
    LoadedEffect loaded;
    try {
        loaded = parseEffect(std::string_view(reinterpret_cast<const char*>(data), size), EffectSettings{});
    } catch (const MidiError&) {
        return 0;
    }
    // Writing what was read and reading it again gives the same controls.
    try {
        LoadedEffect back = parseEffect(formatEffect(loaded.settings), EffectSettings{});
        if (describeEffectControls(back.settings) != describeEffectControls(loaded.settings))
            fail("an effect does not read back as written", formatEffect(loaded.settings));
    } catch (const MidiError&) {
        // A text holding a line break cannot be saved; that is reported, not a fault.
    }
    applyOnce(loaded.settings, false);
    applyOnce(loaded.settings, true);
    return 0;
}
