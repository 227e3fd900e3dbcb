#pragma once

// The glissando editor's operation: a run of notes from one key to another over a span of
// time, like a harp glissando. Every key between the two is visited in order and sounds when its
// pitch class is on in a twelve-note pedal scale, altered by up to two semitones per class.
// Times are spread evenly, velocities change linearly; a second, delayed run with its own scale
// and sustain pedal events can be added.

#include <array>
#include <cstdint>
#include <optional>

namespace tonvela {

class midiSong;
class midiTrack;

inline constexpr const char* kGlissandoLabel = "Make Glissand";

// Pitch classes C, C#, D, ... B.
using PedalScale = std::array<bool, 12>;
// The seven naturals on, the five sharps off.
inline constexpr PedalScale kNaturalScale = {true, false, true, false, true, true, false, true, false, true, false, true};

struct GlissandoSettings {
    int fromNote = 72;             // first key, 0..127
    int toNote = 60;               // target key, 0..127
    bool UseLastNote = false;      // "Last Note": the target key itself is sounded
    int VeloStart = 100;           // velocity of the first note
    int VeloEnd = 100;             // of the last
    int Dur = 120;                 // note length in percent of the spacing, >= 0
    bool UseSustain = false;       // sustain pedal on and off around the run
    PedalScale scale = kNaturalScale;             // CheckBox1..CheckBox12
    std::array<int, 12> alteration{};             // -2..+2 per pitch class, both runs
    bool UseAlt = false;                          // the second run
    PedalScale altScale = kNaturalScale;          // CheckBox13..CheckBox24
    int DelayTime = 0;                            // ticks the second run comes later
};

// The key presets: 0 "(C)", 1..7 "# x1".."# x7", -1..-7 "b x1".."b x7". Each preset is the one a
// step closer to "(C)" with one pitch class turned off and one on. Values outside -7..7 are
// taken as the nearest end.
PedalScale keyPreset(int sharps);

// The preset a harp track starts with: when the program in force at `time` on the track (any
// channel) is 46 (General MIDI harp), the preset of the key signature in force there; nullopt
// otherwise.
std::optional<int> harpPreset(const midiSong& song, const midiTrack& track, int32_t time);

// The channel of the run on `track`: its first channel, 15 (channel 16) when it has none.
int glissandoChannel(const midiTrack& track);

// Builds the run (and the second run and the pedal, as the settings ask) from `start` to `end`
// into `work`, emptied first; events at one time come in the order a run makes them. A run that
// visits fewer than two keys makes nothing. Throws MidiError, with `work` empty, for an end
// before the start, a negative Dur, or a key outside 0..127.
void buildGlissando(const GlissandoSettings& settings, int32_t start, int32_t end, int channel, midiTrack& work);

// Builds and adds the result to song track `track` as the undo step kGlissandoLabel. False
// when nothing was made (then nothing changed, and no step was opened); throws as
// buildGlissando does, before any change.
bool applyGlissando(midiSong& song, int track, const GlissandoSettings& settings, int32_t start, int32_t end,
                    midiTrack& work);

}  // namespace tonvela
