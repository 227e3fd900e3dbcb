#include "effects/units.h"

#include <algorithm>
#include <cmath>

#include "settings/numbertext.h"
#include "song/song.h"

namespace tonvela {

namespace {

int32_t saturate(int64_t v) {
    if (v > 2147483647) return 2147483647;
    if (v < -2147483647) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Truncation toward zero of a double, saturated the same way; NaN reads as 0.
int64_t truncated(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.0e18) return INT64_MAX / 2;
    if (v <= -9.0e18) return INT64_MIN / 2;
    return static_cast<int64_t>(v);
}

constexpr double kNoteFactor[9] = {0, 0, 4, 2, 1, 0.5, 0.25, 0.125, 0.0625};

int clampBend(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -8192, 8191)); }

}  // namespace

UnitContext UnitContext::at(midiSong& song, int32_t time) {
    UnitContext c;
    c.timeBase = std::max<int32_t>(song.timeBase, 1);
    c.tempo = std::max<uint32_t>(song.tempoAt(time), 1);
    return c;
}

int32_t unitToTicks(const UnitContext& c, int unit, double value) {
    if (!std::isfinite(value)) return 0;
    const int64_t tb = std::max<int32_t>(c.timeBase, 1);
    switch (unit) {
    case 0: return saturate(truncated(value + 0.5));
    case 1: {
        // In 128 bits: a whole number of ms up to 2^62 times 1000 times a 16-bit time base.
        const __int128 ticks = static_cast<__int128>(truncated(value)) * 1000 * tb / std::max<uint32_t>(c.tempo, 1);
        return saturate(static_cast<int64_t>(std::clamp<__int128>(ticks, INT64_MIN, INT64_MAX)));
    }
    case 2: case 3: case 4: case 5: case 6: case 7: case 8:
        return saturate(truncated(value * static_cast<double>(tb) * kNoteFactor[unit]));
    default: return 0;
    }
}

double ticksToUnit(const UnitContext& c, int unit, int64_t ticks) {
    const double tb = std::max<int32_t>(c.timeBase, 1);
    switch (unit) {
    case 0: return static_cast<double>(ticks);
    case 1: {
        const __int128 ms = static_cast<__int128>(ticks) * std::max<uint32_t>(c.tempo, 1) / std::max<int32_t>(c.timeBase, 1) / 1000;
        return saturate(static_cast<int64_t>(std::clamp<__int128>(ms, INT64_MIN, INT64_MAX)));
    }
    case 2: case 3: case 4: case 5: case 6: case 7: case 8:
        return static_cast<double>(ticks) / (tb * kNoteFactor[unit]);
    default: return 0;
    }
}

std::string convertTimeField(const UnitContext& c, std::string_view text, int fromUnit, int toUnit) {
    auto v = readDecimal(text);
    if (!v) return std::string(text);
    return formatDecimal(ticksToUnit(c, toUnit, unitToTicks(c, fromUnit, *v)));
}

int bendRangeFor(const midiTrack& track, int32_t time) {
    int r = track.bendRangeAt(time);
    return r <= 0 ? 2 : r;
}

int toBendValue(std::string_view text, int unit, int bendRange) {
    double v = readDecimal(text).value_or(0.0);
    if (unit == 0) return clampBend(truncated(v));
    if (unit == 1) return clampBend(truncated(v * 8192 / std::max(bendRange, 1)));
    return 8192;
}

void changePitchBendUnit(AddEventPage& page, int newUnit, int bendRange) {
    const double range = std::max(bendRange, 1);
    auto rewrite = [&](std::string& text, double halfToneDivisor) {
        auto v = readDecimal(text);
        if (!v) return;
        if (newUnit == 1)
            text = formatDecimal(*v * range / halfToneDivisor);
        else if (newUnit == 0)
            text = std::to_string(clampBend(truncated(*v * 8192 / range - 1)));
    };
    rewrite(page.ValueMin, 8192);
    rewrite(page.ValueMax, 8191);
    page.PitchBendUnit = newUnit;
}

void changeMinDiffUnit(AddEventPage& page, int newUnit, int bendRange) {
    const double range = std::max(bendRange, 1);
    auto v = readDecimal(page.MinimunDifference);
    if (v) {
        if (newUnit == 1)
            page.MinimunDifference = formatDecimal(*v * range / 8192);
        else if (newUnit == 0)
            page.MinimunDifference = std::to_string(clampBend(truncated(*v * 8192 / range + 1)));
    }
    page.MinDiffUnit = newUnit;
}

}  // namespace tonvela
