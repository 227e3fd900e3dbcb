#pragma once

// The portamento editor's operation: portamento controls over a phrase of notes. The switch
// (controller 65) goes on in the middle of the first note and off near the end of the last; the
// portamento time (controller 5) is one constant value or a glide of values over the start of
// every note after the first. Existing portamento time and switch events over the phrase (any
// channel) are replaced.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "song/events.h"
#include "song/selection.h"

namespace tonvela {

class midiSong;
class midiTrack;

inline constexpr const char* kPortamentoLabel = "Add controls<Portament Editor>";

struct PortamentoSettings {
    enum class Mode { constant, glide };
    Mode mode = Mode::constant;  // RadioGroup1 "Value": "Constant", "Glide"
    int ControlValue = 64;       // Constant: the portamento time, 0..127
    int StartValue = 32;         // Glide: value at the start of each glide (ScrollBar1, 1..127)
    int EndValue = 1;            // Glide: value at its end (ScrollBar2, 1..127)
    double Distance = 10;        // Glide: spacing of the values, in DistanceUnit
    int DistanceUnit = 0;        // kTimeUnitItems ("Tick" ... "64th Note")
    int portaDuration = 50;      // Glide: length of a glide in percent of its note's duration
    int StartOffset = 5;         // Glide: ticks before the note of the glide's first value
};

// The fewest notes a phrase needs: 2 in Constant mode, 3 in Glide mode.
int minimumPhrase(PortamentoSettings::Mode mode);

// A note of the list and whether the portamento switch is on where it starts.
struct PortamentoNote {
    NoteOnEvent* note;
    bool switchOn;
};
// The sounding notes of a track within the range, in track order. The switch starts as
// controller 65 >= 64 at the range start and follows each controller 65 event passed in the range.
std::vector<PortamentoNote> portamentoNotes(const midiTrack& track, TickRange range);
// The list line: "+" (switch on) or " ", then the note's line ("BBB:BB:TTT NAME VVV DDDD").
std::string portamentoLine(const PortamentoNote& n);

// Builds the events for the phrase (notes of `track` in track order) into `work`, emptied
// first, and returns the events of `track` they replace. `unitTime` is where "ms" intervals take
// their tempo (the start of the first selected bar). Throws MidiError, with `work` left empty,
// for a phrase shorter than minimumPhrase and for settings that cannot build: a value outside
// 0..127, or in Glide mode an interval under one tick.
std::vector<anyEvent*> buildPortamento(midiSong& song, const midiTrack& track, std::span<NoteOnEvent* const> phrase,
                                       const PortamentoSettings& settings, int32_t unitTime, midiTrack& work);

// Builds and copies the result into song track `track` as the undo step kPortamentoLabel.
// Throws as buildPortamento does, before anything changes.
void applyPortamento(midiSong& song, int track, std::span<NoteOnEvent* const> phrase,
                     const PortamentoSettings& settings, int32_t unitTime, midiTrack& work);

}  // namespace tonvela
