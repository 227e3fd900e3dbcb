// Writes the demo song: 24 bars in A minor for piano, strings, bass, a flute lead and drums,
// in three sections (A, B, A'). Usage: make_demo OUTPUT.mid
// The song is built with the core model and saved by its writer, so the file is also a small
// end-to-end check of both; the output is the same bytes on every run.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "song/song.h"
#include "song/tempo_units.h"

using namespace tonvela;

namespace {

constexpr int kTicks = 480;       // per quarter note
constexpr int kBar = 4 * kTicks;  // 4/4 throughout
constexpr int kBars = 24;

int at(int bar, double beat) { return bar * kBar + static_cast<int>(beat * kTicks); }

// Channels, 0-based: drums are on channel 10.
constexpr int kPiano = 0, kStrings = 1, kBass = 2, kLead = 3, kDrums = 9;

struct Chord {
    int root;                 // bass note
    std::vector<int> voicing; // piano, middle register
};

// vi-IV-I-V with a dominant turn-around, a brighter B section, and a final cadence to A minor.
std::vector<Chord> progression() {
    const Chord Am{45, {57, 60, 64}}, F{41, {53, 57, 60}}, C{48, {55, 60, 64}}, G{43, {55, 59, 62}},
        E{40, {56, 59, 64}};
    return {Am, F, C, G, Am, F, G, E,  // A
            F,  G, C, Am, F, G, C, C,  // B
            Am, F, C, G, Am, F, E, Am};  // A'
}

struct Note {
    double beat;  // from the start of the bar
    double length;
    int key;
};

// The lead line, bar by bar (key 0 = rest).
std::vector<std::vector<Note>> melody() {
    std::vector<std::vector<Note>> a = {
        {{0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 69}},
        {{0, 1, 72}, {1, 1, 74}, {2, 1, 72}, {3, 1, 69}},
        {{0, 1.5, 67}, {1.5, 0.5, 69}, {2, 1, 72}, {3, 1, 76}},
        {{0, 3, 74}},
        {{0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 69}},
        {{0, 1, 72}, {1, 1, 74}, {2, 1, 77}, {3, 1, 76}},
        {{0, 1, 74}, {1, 1, 71}, {2, 1, 67}, {3, 1, 71}},
        {{0, 3, 71}},
    };
    std::vector<std::vector<Note>> b = {
        {{0, 2, 81}, {2, 1, 79}, {3, 1, 77}},
        {{0, 2, 79}, {2, 1, 77}, {3, 1, 74}},
        {{0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 76}},
        {{0, 3, 81}},
        {{0, 1, 81}, {1, 1, 84}, {2, 1, 81}, {3, 1, 77}},
        {{0, 1, 79}, {1, 1, 74}, {2, 1, 79}, {3, 1, 83}},
        {{0, 3, 84}},
        {{0, 1, 79}, {1, 1, 76}, {2, 1, 74}, {3, 1, 72}},
    };
    std::vector<std::vector<Note>> ending = {a[0], a[1], a[2], a[3], a[4], a[5],
                                             {{0, 1, 71}, {1, 1, 74}, {2, 1, 68}, {3, 1, 71}},
                                             {{0, 4, 69}}};
    std::vector<std::vector<Note>> all = a;
    all.insert(all.end(), b.begin(), b.end());
    all.insert(all.end(), ending.begin(), ending.end());
    return all;
}

// Collects the events of one track; finish() adds them in one sorted bulk operation.
class TrackBuilder {
public:
    TrackBuilder(midiTrack& track, int channel) : track_(track), channel_(channel) {}
    void finish() { track_.addEvents(events_, false); }

    void note(int time, int length, int key, int velocity) {
        auto* e = new NoteOnEvent(time, status(0x90));
        e->setNote(key);
        e->setVelocity(velocity);
        e->setDuration(length);
        events_.push_back(e);
    }
    void control(int time, int controller, int value) {
        auto* e = new ControlChangeEvent(time, status(0xB0));
        e->setController(controller);
        e->setValue(value);
        events_.push_back(e);
    }
    void program(int time, int number) {
        auto* e = new ProgramChangeEvent(time, status(0xC0));
        e->setProgram(number);
        events_.push_back(e);
    }
    void bend(int time, int signedValue) {
        auto* e = new PitchBendEvent(time, status(0xE0));
        e->setBend(signedValue);
        events_.push_back(e);
    }
    void meta(metaEvent* e) { events_.push_back(e); }
    // Program, volume and pan at the start of the song.
    void setup(int programNumber, int volume, int pan) {
        program(0, programNumber);
        control(0, 7, volume);
        control(0, 10, pan);
    }

private:
    uint8_t status(int kind) const { return static_cast<uint8_t>(kind | channel_); }
    midiTrack& track_;
    int channel_;
    std::vector<anyEvent*> events_;
};

metaEvent* textMeta(metaEvent* e, const std::string& text) {
    e->setText(text);
    return e;
}

void conductor(midiTrack& t) {
    TrackBuilder b(t, 0);
    auto* sig = new timeBeatEvent(0);
    sig->data = {4, 2, 24, 8};  // 4/4, metronome every quarter
    b.meta(sig);
    auto* key = new keyEvent(0);
    key->data = {0, 1};  // A minor
    b.meta(key);
    b.meta(textMeta(new textEvent(0), "A small song in A minor, composed for MIDI Tonvela"));
    // 96 bpm, a lift for the B section, back again, and a ritardando into the last chord.
    const std::pair<int, int> tempos[] = {{at(0, 0), 96},  {at(8, 0), 104}, {at(16, 0), 96},
                                          {at(23, 1), 88}, {at(23, 2), 80}, {at(23, 3), 70}};
    for (auto [time, bpm] : tempos) b.meta(new TempoEvent(time, 0x51, bpmToMicros(bpm)));
    b.meta(textMeta(new MarkerEvent(at(0, 0)), "A"));
    b.meta(textMeta(new MarkerEvent(at(8, 0)), "B"));
    b.meta(textMeta(new MarkerEvent(at(16, 0)), "A'"));
    b.finish();
}

void piano(midiTrack& t, const std::vector<Chord>& chords) {
    TrackBuilder b(t, kPiano);
    b.setup(0, 96, 54);
    for (int bar = 0; bar < kBars; ++bar) {
        const bool last = bar == kBars - 1;
        for (int half = 0; half < (last ? 1 : 2); ++half) {
            int len = last ? kBar - 40 : 2 * kTicks - 20;
            int vel = half == 0 ? 78 : 66;
            for (size_t i = 0; i < chords[bar].voicing.size(); ++i)
                b.note(at(bar, half * 2) + static_cast<int>(i) * 8, len, chords[bar].voicing[i], vel - static_cast<int>(i) * 4);
        }
        // Sustain pedal: down just after the downbeat, up just before the next bar.
        b.control(at(bar, 0) + 10, 64, 127);
        b.control(at(bar, 4) - 10, 64, 0);
    }
    b.finish();
}

void strings(midiTrack& t, const std::vector<Chord>& chords) {
    TrackBuilder b(t, kStrings);
    b.setup(48, 84, 74);
    for (int bar = 0; bar < kBars; ++bar)
        for (int key : chords[bar].voicing) b.note(at(bar, 0), kBar - 10, key + 12, 60);
    // Expression swells over each two-bar group, one value per beat.
    for (int beat = 0; beat < kBars * 4; ++beat) {
        int inGroup = beat % 8;
        int value = 70 + (inGroup < 4 ? inGroup : 8 - inGroup) * 10;
        b.control(beat * kTicks, 11, value);
    }
    b.finish();
}

void bass(midiTrack& t, const std::vector<Chord>& chords) {
    TrackBuilder b(t, kBass);
    b.setup(33, 100, 64);
    for (int bar = 0; bar < kBars; ++bar) {
        int root = chords[bar].root;
        if (bar == kBars - 1) {
            b.note(at(bar, 0), kBar - 40, root, 100);
            continue;
        }
        b.note(at(bar, 0), kTicks * 3 / 2 - 20, root, 104);
        b.note(at(bar, 1.5), kTicks / 2 - 20, root, 84);
        b.note(at(bar, 2), kTicks - 20, root + 7, 96);
        int next = chords[bar + 1].root;
        b.note(at(bar, 3), kTicks - 20, next > root ? next - 1 : next + 1, 90);  // lead into the next root
    }
    b.finish();
}

void lead(midiTrack& t) {
    TrackBuilder b(t, kLead);
    b.setup(73, 100, 80);
    // Pitch-bend range: two semitones (registered parameter 0).
    b.control(0, 101, 0);
    b.control(0, 100, 0);
    b.control(0, 6, 2);
    b.control(0, 38, 0);
    const auto tune = melody();
    for (int bar = 0; bar < kBars; ++bar) {
        for (const Note& n : tune[bar]) {
            int start = at(bar, n.beat);
            int len = static_cast<int>(n.length * kTicks) - 30;
            const bool held = n.length >= 3;
            // Long notes scoop up a semitone into the note (the bend comes first at its tick),
            // then swell into vibrato.
            if (held)
                for (int step = 0; step <= 8; ++step) b.bend(start + step * 15, -4096 + step * 512);
            b.note(start, len, n.key, n.beat == 0 ? 96 : 84);
            if (held) {
                for (int step = 0; step <= 6; ++step) b.control(start + kTicks + step * 120, 1, step * 14);
                b.control(start + len, 1, 0);
            }
        }
    }
    b.finish();
}

void drums(midiTrack& t) {
    TrackBuilder b(t, kDrums);
    b.setup(0, 100, 64);
    enum { Kick = 36, Snare = 38, ClosedHat = 42, OpenHat = 46, Crash = 49, LowTom = 45, MidTom = 47, HighTom = 50 };
    for (int bar = 0; bar < kBars; ++bar) {
        if (bar % 8 == 0) b.note(at(bar, 0), kTicks, Crash, 110);
        if (bar == kBars - 1) {
            b.note(at(bar, 0), kTicks, Kick, 110);
            continue;
        }
        const bool fill = bar % 8 == 7;
        for (int eighth = 0; eighth < 8; ++eighth) {
            if (fill && eighth >= 6) break;
            int hat = eighth == 7 && bar % 4 == 3 ? OpenHat : ClosedHat;
            b.note(at(bar, eighth * 0.5), kTicks / 4, hat, eighth % 2 == 0 ? 80 : 58);
        }
        b.note(at(bar, 0), kTicks / 2, Kick, 108);
        b.note(at(bar, 1.5), kTicks / 2, Kick, 86);
        b.note(at(bar, 2), kTicks / 2, Kick, 100);
        b.note(at(bar, 1), kTicks / 2, Snare, 100);
        if (!fill) {
            b.note(at(bar, 3), kTicks / 2, Snare, 104);
        } else {
            const int toms[] = {HighTom, HighTom, MidTom, MidTom, LowTom, LowTom, Snare, Snare};
            for (int i = 0; i < 8; ++i) b.note(at(bar, 3 + i * 0.125), kTicks / 8, toms[i], 80 + i * 4);
        }
    }
    b.finish();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.mid\n", argv[0]);
        return 2;
    }
    midiSong song;
    song.format = 1;
    song.timeBase = kTicks;
    const char* names[] = {"Tonvela Demo", "Piano", "Strings", "Bass", "Flute", "Drums"};
    for (int i = 0; i < 6; ++i) {
        song.tracks.push_back(std::make_unique<midiTrack>(&song, i, names[i]));
        song.tracks.back()->setName(names[i]);
    }
    song.firstTrack = song.track(0);
    song.setCopyright("(c) the MIDI Tonvela authors, free to use");

    const auto chords = progression();
    conductor(*song.track(0));
    piano(*song.track(1), chords);
    strings(*song.track(2), chords);
    bass(*song.track(3), chords);
    lead(*song.track(4));
    drums(*song.track(5));

    try {
        song.writeFile(argv[1]);
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.message().c_str());
        return 1;
    }
    return 0;
}
