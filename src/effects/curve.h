#pragma once

// The shaping curve: the Function page sampled into 256 integer points (127 stands for a
// function value of 1.0), and the readings of it that the operations make.

#include <array>
#include <cstdint>
#include <optional>

#include "effects/effect_settings.h"

namespace tonvela {

constexpr int kCurvePoints = 256;
// The shape tables: 1021 samples per shape at x = (k - 510) / 102, so x runs -5..+5.
constexpr int kShapeSamples = 1021;

struct Curve {
    std::array<int, kCurvePoints> points{};  // saturated to -2e9..2e9 (composed shapes grow fast)
    int peak = 1;  // largest |point|; 1 when every point is 0, so dividing by it is safe
};

// f(x) of shape 0..6 (kFunctionItems) by the formula; shape outside 0..6 reads as 0 "Linear".
double shapeValue(int shape, double x);
// Sample k (0..1020) of the table of shape 0..6 (computed once, on first use; thread-safe).
double shapeSample(int shape, int k);

// Samples the Function page into 256 points. Slider positions are taken within -50..50 and
// choices of -1 as "Linear", so every table read stays inside its table.
Curve computeCurve(const FunctionPage& page);

// Point index 0..255 of a position in a repeating period: while p > P, p -= P (done in one
// step); p < 0 reads 0; index = p * 255 / P in 64 bits. `period` must be > 0 (callers skip a
// note or event whose period is 0 or less); for a period <= 0 the result is 0.
int curveIndex(int64_t position, int64_t period);

// What addEventValue needs from the Add Event page, read once per run.
struct AddValueMapping {
    bool pitchBend = true;  // item "Pich Bend"
    bool cutoff = false;    // Cutoff "Cutoff" (else "Scale")
    int bendLo = -8192;     // toBendValue of ValueMin / ValueMax (pitch bend)
    int bendHi = 8191;
    double valueMin = 0;    // ValueMin / ValueMax as decimals (controllers)
    double valueMax = 127;
};
// From a page whose fields passed normaliseNumberFields; `bendRange` for "Half Tone".
AddValueMapping addValueMapping(const AddEventPage& page, int bendRange);

// The value written by Add Events for a point at `position` of `period` (> 0): a raw bend
// 0..16383 (8192 = centre) for "Pich Bend", a controller value 0..127 otherwise. Products are
// 64-bit; nothing overflows for any input.
int addEventValue(const Curve& curve, const AddValueMapping& mapping, int64_t position, int64_t period);

// Curve readings of Modify Velocity and Modify Control: x clamped to 0..P, i = x * 255 / P,
// c = points[i]; "Cutoff": c limited to lo..hi; "Scale": lo + (c * w / peak) / 2 + w / 2 with
// w = hi - lo (64-bit, truncating). nullopt when P <= 0 (the event is left alone).
std::optional<int64_t> velocityCurveValue(const Curve& curve, int64_t x, int64_t period, int64_t lo, int64_t hi,
                                          bool cutoff);
inline std::optional<int64_t> controlCurveValue(const Curve& curve, int64_t x, int64_t period, int64_t lo,
                                                int64_t hi, bool cutoff) {
    return velocityCurveValue(curve, x, period, lo, hi, cutoff);
}
// Time Shift: TSValMin + (c * w / peak) / 2 + w / 2 with w = TSValMax - TSValMin, always scaling;
// x is clamped to 0..P (a note past the bar table may read a negative position). nullopt: P <= 0.
std::optional<int64_t> shiftCurveValue(const Curve& curve, int64_t x, int64_t period, int64_t lo, int64_t hi);
// Modify PitchBend: c = points[curveIndex(x, P)]; "Cutoff": truncate(c * 64) + 8192 limited to
// lo + 8192 .. hi + 8192; "Scale": lo + (c * w / peak) / 2 + w / 2 + 8192; then 0..16383.
// lo and hi are already within -8192..8191. nullopt when P <= 0.
std::optional<int> bendCurveValue(const Curve& curve, int64_t x, int64_t period, int lo, int hi, bool cutoff);

}  // namespace tonvela
