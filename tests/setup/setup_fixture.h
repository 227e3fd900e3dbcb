#pragma once

// Songs for the set-up manager's tests, read through the reader (4/4, 480 ticks, 120 bpm).

#include "../expression/expression_fixture.h"

namespace tonvela::test {

// Channel 1 shares its track with channel 2. Before its first note: a volume, a program and an
// expression, a sustain pedal, the decay, another parameter's entry, the bend range 12 (with its
// LSB), a null selection and an explicit brightness of 64.
inline void loadMessySong(midiSong& song) {
    TrackWriter t;
    t.control(0, 0, 7, 90).control(5, 1, 7, 50).program(10, 0, 5).control(10, 0, 11, 100).control(15, 0, 64, 127);
    t.control(20, 0, 99, 1).control(20, 0, 98, 100).control(20, 0, 6, 30);
    t.control(25, 0, 99, 1).control(25, 0, 98, 99).control(25, 0, 6, 5);
    t.control(30, 0, 101, 0).control(30, 0, 100, 0).control(30, 0, 6, 12).control(30, 0, 38, 0);
    t.control(35, 0, 101, 127).control(35, 0, 100, 127).control(40, 0, 74, 64);
    t.note(1920, 0, 60, 100, 480).note(1920, 1, 48, 100, 480).control(1930, 0, 7, 80);
    loadSong(song, {t});
}

// Channel 1: program 5 and volume 90 at the head; in bar 3 a note on each of two tracks and an
// expression after the first of them, all on the bar's first tick.
inline void loadHalfwaySong(midiSong& song) {
    TrackWriter a, b;
    a.program(0, 0, 5).control(0, 0, 7, 90).note(1920, 0, 60, 100, 480);
    a.note(3840, 0, 62, 100, 480).control(3840, 0, 11, 80).note(4320, 0, 64, 100, 480);
    b.note(3840, 0, 67, 100, 480);
    loadSong(song, {a, b});
}

}  // namespace tonvela::test
