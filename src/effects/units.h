#pragma once

// The time units of the effect fields ("Tick", "ms", note values) and the pitch-bend units
// ("Value", "Half Tone"), with the rewrites the editor makes when a unit list changes.
// Truncation is toward zero throughout; results are saturated to the 32-bit range.

#include <cstdint>
#include <string>
#include <string_view>

#include "effects/effect_settings.h"

namespace tonvela {

class midiSong;
class midiTrack;

// What a unit conversion needs from the song.
struct UnitContext {
    int32_t timeBase = 480;   // ticks per quarter note, >= 1
    uint32_t tempo = 500000;  // microseconds per quarter note for "ms", >= 1 (any a file can hold)

    // The song's time base and the tempo in force at `time` (the start of the first selected
    // bar). A time base or tempo of 0 is taken as 1, so no conversion divides by zero.
    static UnitContext at(midiSong& song, int32_t time);
};

// `value` in `unit` (kTimeUnitItems index) as ticks:
//   0 Tick: truncate(value + 0.5); 1 ms: truncate(value) * 1000 * timeBase / tempo, exact;
//   2..8: truncate(value * timeBase * f), f = 4, 2, 1, 1/2, 1/4, 1/8, 1/16;
//   any other unit (and a value that is not finite): 0.
// Results above 2147483647 give 2147483647, below -2147483647 give -2147483648.
// With 480 ticks per quarter: 1.5 "Quater Note" is 720, 0.4 "Tick" 0, 150 "ms" at 500000 is 144.
int32_t unitToTicks(const UnitContext& context, int unit, double value);
// `ticks` in `unit`: 0: ticks; 1: (ticks * tempo / timeBase) / 1000 in integers, saturated
// as above; 2..8: ticks / (timeBase * 4) ... ticks * 16 / timeBase (decimal); other units: 0.
double ticksToUnit(const UnitContext& context, int unit, int64_t ticks);

// Rewrite of a time field when its unit list changes from `fromUnit` to `toUnit`: through whole
// ticks, formatted "%5.2f" ("10" Tick -> " 0.04" 8th Note -> " 9.00" Tick at 480). A text that
// is not a number is returned unchanged.
std::string convertTimeField(const UnitContext& context, std::string_view text, int fromUnit, int toUnit);

// The pitch bend sensitivity (semitones) a "Half Tone" conversion uses: bendRangeAt of the
// track at `time`; a sensitivity of 0 (or less) is taken as 2, so no conversion divides by zero.
int bendRangeFor(const midiTrack& track, int32_t time);

// `text` as a bend amount: unit 0 "Value": truncate(text); unit 1 "Half Tone":
// truncate(text * 8192 / bendRange); both clamped to -8192..8191. Any other unit gives 8192
// (not clamped). A text that is not a number reads as 0.
int toBendValue(std::string_view text, int unit, int bendRange);

// The rewrites of a change of PitchBendUnit (ValueMin, ValueMax) and of MinDiffUnit
// (MinimunDifference) to `newUnit`, with the sensitivity `bendRange`:
//   to "Half Tone": ValueMin = "%5.2f" of v * range / 8192, ValueMax of v * range / 8191,
//                   MinimunDifference of v * range / 8192;
//   to "Value":     ValueMin/ValueMax = truncate(v * 8192 / range - 1),
//                   MinimunDifference = truncate(v * 8192 / range + 1), clamped to -8192..8191.
// The unit field is set to newUnit; a text that is not a number is left as it is.
void changePitchBendUnit(AddEventPage& page, int newUnit, int bendRange);
void changeMinDiffUnit(AddEventPage& page, int newUnit, int bendRange);

}  // namespace tonvela
