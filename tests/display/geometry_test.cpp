// The pure rules of the bar graph, the rolling graph and the field corrections.
#include "display/geometry.h"

#include <gtest/gtest.h>

#include "gui/corrections.h"

TEST(DisplayPosition, ByEvaluationModeAndSensorClass) {
  // Edge class: mode 0 shows the left edge, mode 1 the right edge, mode 2 the centre.
  EXPECT_EQ(DisplayPosition(0, 1, 100, 200), 100);
  EXPECT_EQ(DisplayPosition(1, 1, 100, 200), 200);
  EXPECT_EQ(DisplayPosition(2, 1, 100, 200), 150);
  // Peak class and unidentified sensors: the centre, rounded down.
  EXPECT_EQ(DisplayPosition(0, 2, 101, 200), 150);
  EXPECT_EQ(DisplayPosition(1, 2, 101, 200), 150);
  EXPECT_EQ(DisplayPosition(0, 0, 101, 200), 150);
  // Mode 2 and any other mode: a missing edge puts it at pixel 1.
  EXPECT_EQ(DisplayPosition(2, 1, 0, 200), 1);
  EXPECT_EQ(DisplayPosition(2, 1, 300, 0), 1);
  EXPECT_EQ(DisplayPosition(7, 2, 0, 0), 1);
  EXPECT_EQ(DisplayPosition(3, 1, 40, 60), 50);
  // Mode 0 of the peak class does not treat a missing edge specially.
  EXPECT_EQ(DisplayPosition(0, 2, 0, 200), 100);
  // The centre of two edges near the top of the 16-bit range does not overflow.
  EXPECT_EQ(DisplayPosition(2, 1, 65535, 65533), 65534);
}

TEST(DisplayPosition, ClampedToWindowThenAxis) {
  EXPECT_EQ(ClampDisplayPosition(1, 10, 4000, 4096), 10);       // below pixB
  EXPECT_EQ(ClampDisplayPosition(4050, 10, 4000, 4096), 4000);  // above pixE
  EXPECT_EQ(ClampDisplayPosition(0, 0, 4000, 4096), 1);         // below 1
  EXPECT_EQ(ClampDisplayPosition(5000, 1, 6000, 4096), 4096);   // above N
  EXPECT_EQ(ClampDisplayPosition(2000, 1, 4096, 4096), 2000);
  // A missing edge in mode 2 with pixB 20 ends at pixB.
  EXPECT_EQ(ClampDisplayPosition(DisplayPosition(2, 1, 0, 5), 20, 4096, 4096), 20);
}

TEST(EdgeBar, ByEdgeCount) {
  Span bar;
  EXPECT_FALSE(EdgeBar(0, 100, 200, 0, 0, 4096, &bar));
  ASSERT_TRUE(EdgeBar(1, 300, 0, 1, 2, 4096, &bar));  // mvstart < mvend: to the right
  EXPECT_DOUBLE_EQ(bar.x1, 300);
  EXPECT_DOUBLE_EQ(bar.x2, 4096);
  ASSERT_TRUE(EdgeBar(1, 300, 0, 2, 2, 4096, &bar));  // equal: to the left
  EXPECT_DOUBLE_EQ(bar.x1, 1);
  EXPECT_DOUBLE_EQ(bar.x2, 300);
  ASSERT_TRUE(EdgeBar(1, 300, 0, 5, 2, 3000, &bar));
  EXPECT_DOUBLE_EQ(bar.x1, 1);
  EXPECT_DOUBLE_EQ(bar.x2, 300);
  ASSERT_TRUE(EdgeBar(1, 300, 0, 1, 2, 3000, &bar));  // right end is pixE, not N
  EXPECT_DOUBLE_EQ(bar.x2, 3000);
  ASSERT_TRUE(EdgeBar(2, 100, 200, 9, 1, 4096, &bar));
  EXPECT_DOUBLE_EQ(bar.x1, 100);
  EXPECT_DOUBLE_EQ(bar.x2, 200);
  ASSERT_TRUE(EdgeBar(5, 100, 200, 0, 0, 4096, &bar));
  EXPECT_DOUBLE_EQ(bar.x1, 100);
  EXPECT_DOUBLE_EQ(bar.x2, 200);
}

TEST(ToleranceBands, WidthModeAndOtherModesClippedToAxis) {
  Span b[2];
  // Width mode: one band per edge around D -/+ P/2.
  ASSERT_EQ(ToleranceBands(2, 2, 500, 100, 10, 4096, b), 2);
  EXPECT_DOUBLE_EQ(b[0].x1, 445);
  EXPECT_DOUBLE_EQ(b[0].x2, 455);
  EXPECT_DOUBLE_EQ(b[1].x1, 545);
  EXPECT_DOUBLE_EQ(b[1].x2, 555);
  // Odd values are halved rounding down: H = 50, T = 5.
  ASSERT_EQ(ToleranceBands(2, 2, 500, 101, 11, 4096, b), 2);
  EXPECT_DOUBLE_EQ(b[0].x1, 445);
  EXPECT_DOUBLE_EQ(b[1].x2, 555);
  // No edges: no bands in width mode, but the band around P in the other modes.
  EXPECT_EQ(ToleranceBands(2, 0, 500, 100, 10, 4096, b), 0);
  ASSERT_EQ(ToleranceBands(0, 0, 500, 100, 10, 4096, b), 1);
  EXPECT_DOUBLE_EQ(b[0].x1, 90);
  EXPECT_DOUBLE_EQ(b[0].x2, 110);
  ASSERT_EQ(ToleranceBands(5, 3, 1, 2000, 50, 4096, b), 1);
  EXPECT_DOUBLE_EQ(b[0].x1, 1950);
  EXPECT_DOUBLE_EQ(b[0].x2, 2050);
  // Clipped at both ends of the axis.
  ASSERT_EQ(ToleranceBands(0, 2, 1, 5, 10, 4096, b), 1);
  EXPECT_DOUBLE_EQ(b[0].x1, 1);
  EXPECT_DOUBLE_EQ(b[0].x2, 15);
  ASSERT_EQ(ToleranceBands(1, 2, 1, 4090, 10, 4096, b), 1);
  EXPECT_DOUBLE_EQ(b[0].x1, 4080);
  EXPECT_DOUBLE_EQ(b[0].x2, 4096);
  // A band wholly off the axis is not shown; in width mode only the other one remains.
  EXPECT_EQ(ToleranceBands(0, 2, 1, 5000, 10, 4096, b), 0);
  ASSERT_EQ(ToleranceBands(2, 2, 20, 100, 10, 4096, b), 1);
  EXPECT_DOUBLE_EQ(b[0].x1, 65);
  EXPECT_DOUBLE_EQ(b[0].x2, 75);
}

TEST(AnalogueIndicator, ByMode) {
  EXPECT_EQ(AnalogueIndicator(2, 7, 10, 30), 10);
  EXPECT_EQ(AnalogueIndicator(3, 7, 10, 30), 30);
  EXPECT_EQ(AnalogueIndicator(4, 7, 10, 30), -20);  // may be negative
  EXPECT_EQ(AnalogueIndicator(0, 7, 10, 30), 7);
  EXPECT_EQ(AnalogueIndicator(1, 7, 10, 30), 7);
  EXPECT_EQ(AnalogueIndicator(9, 7, 10, 30), 7);
}

TEST(ToleranceTest, BarAndRollLimits) {
  // Default bar graph: P = 5, tol = 10 gives L = -5, so 0 passes.
  Limits bar = BarLimits(5, 10, 10, 4096, false);
  EXPECT_EQ(bar.lower, -5);
  EXPECT_FALSE(OutOfTolerance(0, bar));
  // MX400 clamps L to 1, so 0 fails.
  Limits mx = BarLimits(5, 10, 10, 4096, true);
  EXPECT_EQ(mx.lower, 1);
  EXPECT_TRUE(OutOfTolerance(0, mx));
  EXPECT_EQ(BarLimits(4090, 10, 10, 4096, true).upper, 4096);
  EXPECT_EQ(BarLimits(4090, 10, 10, 4096, false).upper, 4100);
  // Borders belong to the window.
  Limits w = BarLimits(100, 10, 20, 4096, false);
  EXPECT_FALSE(OutOfTolerance(110, w));
  EXPECT_TRUE(OutOfTolerance(111, w));
  EXPECT_FALSE(OutOfTolerance(80, w));
  EXPECT_TRUE(OutOfTolerance(79, w));
  // Rolling graph: U at most N - 1, L at least 1.
  Limits roll = RollLimits(5, 10, 10, 4096);
  EXPECT_EQ(roll.lower, 1);
  EXPECT_FALSE(OutOfTolerance(1, roll));
  roll = RollLimits(4090, 10, 10, 4096);
  EXPECT_EQ(roll.upper, 4095);
  EXPECT_TRUE(OutOfTolerance(4096, roll));
  roll = RollLimits(2000, 10, 50, 4096);
  EXPECT_EQ(roll.upper, 2010);
  EXPECT_EQ(roll.lower, 1950);
}

TEST(AnaloguePair, ByMode) {
  const int n = 4096;
  auto pair = AnaloguePairFor(0, 700, 900, 100, n);
  EXPECT_EQ(pair.lo, 700);
  EXPECT_EQ(pair.hi, 700);
  pair = AnaloguePairFor(1, 700, 900, 100, n);
  EXPECT_EQ(pair.lo, 700);
  EXPECT_EQ(pair.hi, 700);
  pair = AnaloguePairFor(2, 700, 900, 100, n);
  EXPECT_EQ(pair.lo, 700);
  EXPECT_EQ(pair.hi, 900);
  pair = AnaloguePairFor(3, 700, 900, 100, n);
  EXPECT_EQ(pair.lo, 100);
  EXPECT_EQ(pair.hi, 700);
  pair = AnaloguePairFor(3, 700, 900, 4095, n);  // anaMin = N - 1 shows 1
  EXPECT_EQ(pair.lo, 1);
  EXPECT_EQ(pair.hi, 700);
  pair = AnaloguePairFor(4, 700, 900, 100, n);
  EXPECT_EQ(pair.lo, 100);
  EXPECT_EQ(pair.hi, 900);
  pair = AnaloguePairFor(4, 700, 900, 4095, n);  // only mode 3 replaces N - 1
  EXPECT_EQ(pair.lo, 4095);
  pair = AnaloguePairFor(7, 700, 900, 100, n);  // unknown mode: the start values
  EXPECT_EQ(pair.lo, 4095);
  EXPECT_EQ(pair.hi, 1);
}

TEST(RollZoom, AroundSetPoint) {
  const int n = 4096, p = 2000;
  auto z = RollZoom(p, 39, 39, p, n);
  EXPECT_EQ(z.lo, p - 40);
  EXPECT_EQ(z.hi, p + 40);
  z = RollZoom(p, 40, 40, p, n);
  EXPECT_EQ(z.lo, p - 80);
  EXPECT_EQ(z.hi, p + 80);
  z = RollZoom(p, 20, 20, p + 50, n);  // value beyond the narrow range
  EXPECT_EQ(z.hi, p + 110);
  EXPECT_EQ(z.lo, p - 40);
  z = RollZoom(p, 20, 20, p - 50, n);
  EXPECT_EQ(z.lo, p - 110);
  z = RollZoom(p, 100, 100, p + 250, n);  // value beyond the wide range
  EXPECT_EQ(z.hi, p + 350);
  z = RollZoom(p, 100, 100, p - 250, n);
  EXPECT_EQ(z.lo, p - 350);
  // D303 with tolerance-up 10 and tolerance-low 50.
  z = RollZoom(p, 10, 50, p, n);
  EXPECT_EQ(z.lo, p - 100);
  EXPECT_EQ(z.hi, p + 40);
  z = RollZoom(p, 10, 50, p - 150, n);
  EXPECT_EQ(z.lo, p - 250);
  z = RollZoom(p, 10, 50, p + 45, n);
  EXPECT_EQ(z.hi, p + 105);
  // Clamped to 1 .. N - 1.
  z = RollZoom(4090, 39, 39, 4090, n);
  EXPECT_EQ(z.hi, 4095);
  z = RollZoom(10, 39, 39, 10, n);
  EXPECT_EQ(z.lo, 1);
  // A set-point beyond the axis gives an inverted range, passed on as it is.
  z = RollZoom(6000, 10, 10, 6000, n);
  EXPECT_EQ(z.hi, 4095);
  EXPECT_EQ(z.lo, 5960);
}

TEST(ToleranceMillimetres, FixedPointSlope) {
  EXPECT_DOUBLE_EQ(ToleranceMillimetres(16384, 100, 16384000.0), 0.1);
  EXPECT_DOUBLE_EQ(ToleranceMillimetres(1024, 50, 1024000.0), 0.05);
  EXPECT_DOUBLE_EQ(ToleranceMillimetres(1024, 2095, 1024000.0), 2.095);
  // No 32-bit overflow of S x t.
  EXPECT_DOUBLE_EQ(ToleranceMillimetres(0xFFFFFFFFu, 65535, 1024000.0),
                   4294967295.0 * 65535.0 / 1024000.0);
}

// Hardware operation modes 1 and 3 (potentiometer on): the sensor's tolerance for both
// limits; 0, 2 and any other mode: the panel's tolerance-up and tolerance-low.
TEST(D303Tolerances, ByHardwareMode) {
  for (u16 mode : {1, 3}) {
    EXPECT_TRUE(PotentiometerSetsTolerance(mode));
    const Tolerances t = D303Tolerances(mode, 7, 10, 50);
    EXPECT_EQ(t.up, 7);
    EXPECT_EQ(t.low, 7);
  }
  for (u16 mode : {0, 2, 4, 65535}) {
    EXPECT_FALSE(PotentiometerSetsTolerance(mode));
    const Tolerances t = D303Tolerances(mode, 7, 10, 50);
    EXPECT_EQ(t.up, 10);
    EXPECT_EQ(t.low, 50);
  }
}

TEST(FieldCorrections, EvaluationWindow) {
  EdgeCorrection c = CorrectEdgeBegin(0, 1, 4096);
  EXPECT_EQ(c.value, 1);
  EXPECT_TRUE(c.store);
  c = CorrectEdgeBegin(5000, 1, 4096);
  EXPECT_EQ(c.value, 4095);
  EXPECT_TRUE(c.store);
  c = CorrectEdgeBegin(4096, 1, 4096);  // equal to pixE stays
  EXPECT_EQ(c.value, 4096);
  EXPECT_FALSE(c.store);
  c = CorrectEdgeBegin(300, 1, 4096);
  EXPECT_EQ(c.value, 300);
  EXPECT_FALSE(c.store);
  c = CorrectEdgeEnd(5000, 1, 4096);
  EXPECT_EQ(c.value, 4096);
  EXPECT_TRUE(c.store);
  c = CorrectEdgeEnd(0, 1, 4096);
  EXPECT_EQ(c.value, 2);
  EXPECT_TRUE(c.store);
  c = CorrectEdgeEnd(1, 1, 4096);  // equal to pixB stays
  EXPECT_EQ(c.value, 1);
  EXPECT_FALSE(c.store);
  // Degenerate ranges never wrap around the 16-bit range.
  c = CorrectEdgeBegin(3, 0, 0);
  EXPECT_EQ(c.value, 0);
  EXPECT_TRUE(c.store);
  c = CorrectEdgeBegin(0, 0, 0);
  EXPECT_EQ(c.value, 0);
  c = CorrectEdgeEnd(3, 65535, 0);
  EXPECT_EQ(c.value, 65535);
  // pixB above pixE: both rules apply in their order.
  c = CorrectEdgeBegin(5, 10, 8);
  EXPECT_EQ(c.value, 7);
  c = CorrectEdgeEnd(9, 10, 8);
  EXPECT_EQ(c.value, 11);
}

TEST(FieldCorrections, Tolerances) {
  // Set-point 2000 on a 4096 axis: tolerance-up 2500 becomes 2095.
  EXPECT_EQ(BoundToleranceUp(2500, 2000, 4096), 2095);
  EXPECT_EQ(BoundToleranceUp(2096, 2000, 4096), 2096);  // P + v equal to N stays
  EXPECT_EQ(BoundToleranceUp(2097, 2000, 4096), 2095);
  EXPECT_EQ(BoundToleranceLow(2001, 2000), 1999);
  EXPECT_EQ(BoundToleranceLow(2000, 2000), 2000);
  // Set-point at or beyond the end of the axis, or 0: never wraps to 65535.
  EXPECT_EQ(BoundToleranceUp(10, 4096, 4096), 0);
  EXPECT_EQ(BoundToleranceUp(10, 5000, 4096), 0);
  EXPECT_EQ(BoundToleranceUp(0, 4095, 4096), 0);
  EXPECT_EQ(BoundToleranceUp(1, 4095, 4096), 1);
  EXPECT_EQ(BoundToleranceUp(2, 4095, 4096), 0);
  EXPECT_EQ(BoundToleranceLow(5, 0), 0);
  EXPECT_EQ(BoundToleranceLow(0, 0), 0);
  // 16-bit operands: P + v above 65535 is still compared correctly.
  EXPECT_EQ(BoundToleranceUp(65535, 100, 4096), 3995);
}
