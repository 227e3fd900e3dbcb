#include "effects/curve.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/units.h"
#include "settings/numbertext.h"

namespace tonvela {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr int kCentre = 510;
// Composed shapes (an exponential of a square) run far beyond any useful value: points are
// saturated here, so every later product stays finite.
constexpr double kPointLimit = 2000000000.0;

using Tables = std::vector<std::array<double, kShapeSamples>>;

const Tables& tables() {
    static const Tables t = [] {
        Tables out(kFunctionItems.size());
        for (size_t s = 0; s < out.size(); ++s)
            for (int k = 0; k < kShapeSamples; ++k)
                out[s][static_cast<size_t>(k)] = shapeValue(static_cast<int>(s), (k - kCentre) / 102.0);
        return out;
    }();
    return t;
}

int validShape(int shape) { return shape >= 0 && shape < static_cast<int>(kFunctionItems.size()) ? shape : 0; }

int64_t toPoint(double y) {
    if (std::isnan(y)) return 0;
    double v = y * 127;
    if (v >= kPointLimit) return static_cast<int64_t>(kPointLimit);
    if (v <= -kPointLimit) return -static_cast<int64_t>(kPointLimit);
    return static_cast<int64_t>(v);
}

int64_t saturated(__int128 v) {
    if (v > INT64_MAX / 4) return INT64_MAX / 4;
    if (v < INT64_MIN / 4) return INT64_MIN / 4;
    return static_cast<int64_t>(v);
}

// lo + (c * w / peak) / 2 + w / 2, truncating toward zero, without overflow.
int64_t scaled(int64_t c, int64_t lo, int64_t hi, int peak) {
    __int128 w = static_cast<__int128>(hi) - lo;
    __int128 term = static_cast<__int128>(c) * w / std::max(peak, 1);
    return saturated(static_cast<__int128>(lo) + term / 2 + w / 2);
}

int64_t truncatedDouble(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.0e18) return INT64_MAX / 4;
    if (v <= -9.0e18) return INT64_MIN / 4;
    return static_cast<int64_t>(v);
}

}  // namespace

double shapeValue(int shape, double x) {
    switch (validShape(shape)) {
    case 1: return std::sin(2 * kPi * x);
    case 2: return std::cos(2 * kPi * x);
    case 3: return (std::exp(1 - x) - 1) / (std::exp(1.0) - 1);
    case 4: return x * x;
    case 5: return x - std::trunc(x);
    case 6: return 1 - (x - std::trunc(x));
    default: return x;
    }
}

double shapeSample(int shape, int k) {
    return tables()[static_cast<size_t>(validShape(shape))][static_cast<size_t>(std::clamp(k, 0, kShapeSamples - 1))];
}

Curve computeCurve(const FunctionPage& page) {
    Curve curve;
    const int tb1 = std::clamp(page.TrackBar1, -50, 50);
    const int tb2 = std::clamp(page.TrackBar2, -50, 50);
    const int tb3 = std::clamp(page.TrackBar3, -50, 50);
    int64_t peak = 0;
    for (int i = 0; i < kCurvePoints; ++i) {
        double y;
        if (page.F2) {
            double y2 = shapeSample(page.Function2, kCentre + i * tb2 / 25);
            y = shapeValue(page.Function, y2 * tb1 * 0.1);
        } else {
            y = shapeSample(page.Function, kCentre + i * tb1 / 25);
        }
        if (page.F3) y = y * shapeSample(page.Function3, kCentre + i * tb3 / 25);
        if (page.Abs && y < 0) y = -y;
        if (page.FlipY) y = -y;
        int64_t v = toPoint(y);
        curve.points[static_cast<size_t>(page.FlipX ? 255 - i : i)] = static_cast<int>(v);
        peak = std::max<int64_t>(peak, v < 0 ? -v : v);
    }
    curve.peak = peak == 0 ? 1 : static_cast<int>(peak);
    return curve;
}

int curveIndex(int64_t p, int64_t period) {
    if (period <= 0) return 0;
    if (p > period) p = (p - 1) % period + 1;
    if (p < 0) p = 0;
    return static_cast<int>(static_cast<__int128>(p) * 255 / period);
}

AddValueMapping addValueMapping(const AddEventPage& page, int bendRange) {
    AddValueMapping m;
    int item = page.AddItem < 0 ? 0 : page.AddItem;
    m.pitchBend = item == 0;
    m.cutoff = page.Cutoff == 0 || page.Cutoff < 0;
    m.bendLo = toBendValue(page.ValueMin, page.PitchBendUnit, bendRange);
    m.bendHi = toBendValue(page.ValueMax, page.PitchBendUnit, bendRange);
    m.valueMin = readDecimal(page.ValueMin).value_or(0);
    m.valueMax = readDecimal(page.ValueMax).value_or(127);
    return m;
}

int addEventValue(const Curve& curve, const AddValueMapping& m, int64_t position, int64_t period) {
    const int64_t c = curve.points[static_cast<size_t>(curveIndex(position, period))];
    if (m.pitchBend) {
        int64_t r;
        if (m.cutoff) {
            r = c * 64 + 8192;
            if (r < m.bendLo + 8192)
                r = m.bendLo + 8192;
            else if (r > m.bendHi + 8192)
                r = m.bendHi + 8192;
        } else {
            r = scaled(c, m.bendLo, m.bendHi, curve.peak) + 8192;
        }
        return static_cast<int>(std::clamp<int64_t>(r, 0, 16383));
    }
    int64_t r = c;
    if (m.cutoff) {
        if (static_cast<double>(r) < m.valueMin)
            r = truncatedDouble(m.valueMin);
        else if (static_cast<double>(r) > m.valueMax)
            r = truncatedDouble(m.valueMax);
    } else {
        r = truncatedDouble(m.valueMin + (m.valueMax - m.valueMin) * static_cast<double>(c + 127) / (2.0 * curve.peak));
    }
    return static_cast<int>(std::clamp<int64_t>(r, 0, 127));
}

std::optional<int64_t> velocityCurveValue(const Curve& curve, int64_t x, int64_t period, int64_t lo, int64_t hi,
                                          bool cutoff) {
    if (period <= 0) return std::nullopt;
    x = std::clamp<int64_t>(x, 0, period);
    const int64_t c = curve.points[static_cast<size_t>(static_cast<__int128>(x) * 255 / period)];
    if (!cutoff) return scaled(c, lo, hi, curve.peak);
    if (c < lo) return lo;
    if (c > hi) return hi;
    return c;
}

std::optional<int64_t> shiftCurveValue(const Curve& curve, int64_t x, int64_t period, int64_t lo, int64_t hi) {
    if (period <= 0) return std::nullopt;
    x = std::clamp<int64_t>(x, 0, period);
    const int64_t c = curve.points[static_cast<size_t>(static_cast<__int128>(x) * 255 / period)];
    return scaled(c, lo, hi, curve.peak);
}

std::optional<int> bendCurveValue(const Curve& curve, int64_t x, int64_t period, int lo, int hi, bool cutoff) {
    if (period <= 0) return std::nullopt;
    const int64_t c = curve.points[static_cast<size_t>(curveIndex(x, period))];
    int64_t r;
    if (cutoff) {
        r = c * 64 + 8192;
        if (r < lo + 8192)
            r = lo + 8192;
        else if (r > hi + 8192)
            r = hi + 8192;
    } else {
        r = scaled(c, lo, hi, curve.peak) + 8192;
    }
    return static_cast<int>(std::clamp<int64_t>(r, 0, 16383));
}

}  // namespace tonvela
