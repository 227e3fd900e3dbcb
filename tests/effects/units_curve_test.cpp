// Units, pitch-bend units, the shaping curve and its readings.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "effects/curve.h"
#include "effects/units.h"

using namespace tonvela;

namespace {

const UnitContext k480{480, 500000};

}  // namespace

TEST(Units, UnitToTicksFollowsTheTable) {
    struct Case {
        int unit;
        double value;
        int32_t ticks;
    };
    const Case cases[] = {
        {4, 1.5, 720},            // Quater Note
        {0, 0.4, 0},              // Tick rounds
        {0, 0.5, 1},
        {8, 1, 30},               // 64th Note
        {1, 150, 144},            // ms at 120 bpm
        {1, 150.9, 144},          // ms truncates the value first
        {5, 0.04, 9},             // 0.04 * 240 = 9.6 truncated
        {2, 1, 1920},
        {9, 5, 0},                // no such unit
        {-1, 5, 0},               // no unit chosen
        {2, 1e12, INT32_MAX},     // saturated, never wrapped
        {2, -1e12, INT32_MIN},
        {1, 1e15, INT32_MAX},
        {0, std::nan(""), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(unitToTicks(k480, c.unit, c.value), c.ticks) << c.unit << " " << c.value;
}

TEST(Units, AUnitChangeGoesThroughWholeTicks) {
    EXPECT_EQ(convertTimeField(k480, "10", 0, 5), " 0.04");
    EXPECT_EQ(convertTimeField(k480, " 0.04", 5, 0), " 9.00");
    EXPECT_EQ(convertTimeField(k480, "144", 0, 1), "150.00");
    EXPECT_EQ(convertTimeField(k480, "abc", 0, 5), "abc");
    // A tempo or time base of 0 never divides by zero.
    UnitContext zero{0, 0};
    EXPECT_EQ(unitToTicks(zero, 1, 100), 100000);
    EXPECT_GE(ticksToUnit(zero, 1, 5), 0);
}

// Tempos are unsigned: any a file can hold (four data bytes) converts exactly and in range,
// both ways, up to the largest values of the fields.
TEST(Units, MillisecondsStayInRangeForEveryTempoAFileCanHold) {
    struct Case {
        uint32_t tempo;
        int32_t timeBase;
        double ms;
        int32_t ticks;          // unitToTicks
        int64_t backTicks;      // ticksToUnit of these ticks ...
        double backMs;          // ... in ms
    };
    const Case cases[] = {
        {0x80000001u, 480, 150, 0, 480, 2147483},         // a tempo past 2^31 is not negative
        {0xFFFFFFFFu, 65535, 1e6, 15258, 65535, 4294967},
        {0xFFFFFFFFu, 65535, 1e18, INT32_MAX, INT64_MAX, INT32_MAX},  // saturated, never wrapped
        {0xFFFFFFFFu, 65535, -1e18, INT32_MIN, INT64_MIN, INT32_MIN},
        {1, 65535, 1e18, INT32_MAX, 65535000, 1},
        {500000, 480, 1e15, INT32_MAX, 1000000000, 1041666666},
    };
    for (const Case& c : cases) {
        const UnitContext u{c.timeBase, c.tempo};
        EXPECT_EQ(unitToTicks(u, 1, c.ms), c.ticks) << c.tempo << " " << c.ms;
        EXPECT_EQ(ticksToUnit(u, 1, c.backTicks), c.backMs) << c.tempo << " " << c.backTicks;
    }
}

TEST(Units, BendUnitsConvertThroughTheSensitivity) {
    EXPECT_EQ(toBendValue("1", 1, 2), 4096);
    EXPECT_EQ(toBendValue("-3", 1, 2), -8192);
    EXPECT_EQ(toBendValue("100000", 0, 2), 8191);
    EXPECT_EQ(toBendValue("12.9", 0, 2), 12);
    EXPECT_EQ(toBendValue("5", 7, 2), 8192);
    EXPECT_EQ(toBendValue("1", 1, 0), 8191);  // never divides by zero

    AddEventPage page;
    page.ValueMin = "-8192";
    page.ValueMax = "8191";
    changePitchBendUnit(page, 1, 2);
    EXPECT_EQ(page.ValueMin, "-2.00");
    EXPECT_EQ(page.ValueMax, " 2.00");
    changePitchBendUnit(page, 0, 2);
    EXPECT_EQ(page.ValueMin, "-8192");  // -8193 clamped
    EXPECT_EQ(page.ValueMax, "8191");

    page.MinimunDifference = "1";
    changeMinDiffUnit(page, 1, 2);
    EXPECT_EQ(page.MinimunDifference, " 0.00");
    changeMinDiffUnit(page, 0, 2);
    EXPECT_EQ(page.MinimunDifference, "1");
}

TEST(Curve, LinearRisesToOneAtTheDefaultSlider) {
    FunctionPage f;
    Curve c = computeCurve(f);
    EXPECT_EQ(c.points[0], 0);
    EXPECT_EQ(c.points[255], 127);  // 255 * 10 / 25 = 102 samples = x 1.0
    EXPECT_EQ(c.points[128], static_cast<int>(51 / 102.0 * 127));
    EXPECT_EQ(c.peak, 127);
    f.FlipX = true;
    Curve flipped = computeCurve(f);
    EXPECT_EQ(flipped.points[0], 127);
    EXPECT_EQ(flipped.points[255], 0);
    f.FlipX = false;
    f.FlipY = true;
    EXPECT_EQ(computeCurve(f).points[255], -127);
}

TEST(Curve, ShapesAbsAndAFlatCurve) {
    FunctionPage f;
    f.Function = 1;  // Sin, one period over the 256 points
    Curve sine = computeCurve(f);
    EXPECT_EQ(sine.points[0], 0);
    EXPECT_GT(sine.points[64], 120);
    EXPECT_LT(sine.points[191], -120);
    f.Abs = true;
    EXPECT_GT(computeCurve(f).points[191], 120);

    FunctionPage flat;
    flat.TrackBar1 = 0;
    Curve zero = computeCurve(flat);
    for (int p : zero.points) EXPECT_EQ(p, 0);
    EXPECT_EQ(zero.peak, 1);  // dividing by the peak stays defined
}

TEST(Curve, ExtremeCompositionSaturatesInsteadOfOverflowing) {
    FunctionPage f;
    f.F2 = true;
    f.Function2 = 4;  // x^2 up to 25
    f.TrackBar2 = 50;
    f.Function = 3;   // exp of -125
    f.TrackBar1 = -50;
    f.F3 = true;
    f.Function3 = 4;
    f.TrackBar3 = 50;
    Curve c = computeCurve(f);
    EXPECT_EQ(c.peak, 2000000000);
    for (int p : c.points) EXPECT_LE(std::abs(static_cast<long long>(p)), 2000000000LL);
    // Out-of-range sliders and missing choices still read inside the tables.
    FunctionPage odd;
    odd.TrackBar1 = 400;
    odd.Function = -1;
    EXPECT_EQ(computeCurve(odd).points[255], computeCurve(FunctionPage{.TrackBar1 = 50}).points[255]);
    // Readings with the saturated curve stay in range.
    AddValueMapping m;
    EXPECT_GE(addEventValue(c, m, 100, 255), 0);
    EXPECT_LE(addEventValue(c, m, 100, 255), 16383);
    EXPECT_TRUE(velocityCurveValue(c, 5, 10, INT32_MIN, INT32_MAX, false).has_value());
}

TEST(Curve, CurveIndexRepeatsEveryPeriod) {
    EXPECT_EQ(curveIndex(480, 480), 255);
    EXPECT_EQ(curveIndex(481, 480), 0);  // 1 * 255 / 480
    EXPECT_EQ(curveIndex(960, 480), 255);
    EXPECT_EQ(curveIndex(240, 480), 127);
    EXPECT_EQ(curveIndex(-5, 480), 0);
    EXPECT_EQ(curveIndex(5, 0), 0);
    EXPECT_EQ(curveIndex(INT64_C(1) << 40, 7), curveIndex(((INT64_C(1) << 40) - 1) % 7 + 1, 7));
}

TEST(Curve, AddEventValueScalesAndCuts) {
    Curve linear = computeCurve(FunctionPage{});
    AddValueMapping bend;  // -8192..8191, Scale
    EXPECT_EQ(addEventValue(linear, bend, 0, 480), 8191);
    EXPECT_EQ(addEventValue(linear, bend, 480, 480), 16382);
    AddValueMapping cut;
    cut.cutoff = true;
    cut.bendLo = -100;
    cut.bendHi = 100;
    EXPECT_EQ(addEventValue(linear, cut, 480, 480), 8292);  // 127 * 64 cut at +100

    FunctionPage neg;
    neg.FlipY = true;
    AddValueMapping expression;
    expression.pitchBend = false;
    expression.cutoff = true;
    expression.valueMin = 0;
    expression.valueMax = 127;
    EXPECT_EQ(addEventValue(computeCurve(neg), expression, 400, 480), 0);  // negative points write 0
    expression.cutoff = false;
    EXPECT_EQ(addEventValue(linear, expression, 480, 480), 127);
    EXPECT_EQ(addEventValue(linear, expression, 0, 480), 63);  // 127 * 127 / 254
}

TEST(Curve, VelocityControlShiftAndBendReadings) {
    FunctionPage flatPage;
    flatPage.TrackBar1 = 0;
    const Curve flat = computeCurve(flatPage);
    const Curve linear = computeCurve(FunctionPage{});
    EXPECT_EQ(velocityCurveValue(flat, 60, 127, 1, 127, false), 64);        // the offset of one stays
    EXPECT_EQ(velocityCurveValue(linear, 64, 127, 1, 127, true), 63);       // index 128, point 63
    EXPECT_EQ(velocityCurveValue(linear, 1, 127, 1, 127, true), 1);         // raised to the minimum
    EXPECT_EQ(velocityCurveValue(linear, 500, 127, 1, 127, true), 127);     // x clamped to the period
    EXPECT_FALSE(velocityCurveValue(linear, 5, 0, 1, 127, true).has_value());
    EXPECT_EQ(controlCurveValue(flat, 3, 127, -128, 127, false), -1);
    EXPECT_EQ(shiftCurveValue(linear, 0, 127, -10, 10), 0);
    EXPECT_EQ(shiftCurveValue(linear, 64, 127, -10, 10), 4);
    EXPECT_EQ(shiftCurveValue(linear, 127, 127, -10, 10), 10);
    EXPECT_EQ(shiftCurveValue(linear, -3000, 127, -10, 10), 0);  // a position past the bar table
    EXPECT_EQ(bendCurveValue(flat, 100, 8192, -8192, 8191, false), 8191);
    EXPECT_EQ(bendCurveValue(linear, -100, 8192, -8192, 8191, false), 8191);  // negative positions read point 0
    EXPECT_FALSE(bendCurveValue(linear, 1, 0, -8192, 8191, false).has_value());
}
