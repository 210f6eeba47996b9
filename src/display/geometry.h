// Pure computations of the measurement graphs: where the bar graph puts its cursor,
// edge bar and tolerance bands, and what the rolling graph plots for one frame.
// No engine calls here, so every rule can be checked on its own.
#pragma once

#include "shell/colors.h"
#include "shell/globals.h"

// An x range on the pixel axis.
struct Span {
  double x1 = 0.0;
  double x2 = 0.0;
};

// Display position D of the bar graph by the evaluation mode: edge class (HWTYPE 1)
// modes 0 and 1 show the left or right edge; every other case the centre between the
// edges, and mode 2 (or any other mode) with a missing edge (0) shows pixel 1.
u16 DisplayPosition(u16 evalMode, u16 hwClass, u16 ledge, u16 redge);

// D held inside the evaluation window and the axis, in this order: pixB, pixE, 1, N.
u16 ClampDisplayPosition(u16 d, u16 pixB, u16 pixE, u16 n);

// The red edge bar by the number of edges found. Returns false when there is none.
bool EdgeBar(u16 edcnt, u16 ledge, u16 redge, u16 mvstart, u16 mvend, u16 pixE, Span* bar);

// The green tolerance bands of the default layout, clipped to the x axis 1..N.
// Returns how many bands are shown (0, 1 or 2) and fills bands[0..count-1].
int ToleranceBands(u16 evalMode, u16 edcnt, int d, int setPoint, int tolerance, int n,
                   Span bands[2]);

// Indicator 19 by the analogue-output mode: 2 anaMax, 3 anaMin, 4 anaMax - anaMin,
// any other mode the measured value.
int AnalogueIndicator(u16 anaMode, u16 mvalue, u16 anaMax, u16 anaMin);

// Tolerance window around the set-point.
struct Limits {
  int upper = 0;
  int lower = 0;
};
// Bar-graph limits U = P + Tu, L = P - Tl; `clampToAxis` (MX400) keeps U <= N, L >= 1.
Limits BarLimits(int setPoint, int tolUp, int tolLow, int n, bool clampToAxis);
// Rolling-graph limits: U = P + Tu at most N - 1, L = P - Tl at least 1.
Limits RollLimits(int setPoint, int tolUp, int tolLow, int n);
// The tolerance test: true when the value lies outside the limits (red indicator).
bool OutOfTolerance(int mvalue, const Limits& limits);

// The two analogue traces of the rolling graph (trace 5 = lo, trace 6 = hi).
struct AnaloguePair {
  int lo = 0;
  int hi = 0;
};
AnaloguePair AnaloguePairFor(u16 anaMode, u16 mvalue, u16 anaMax, u16 anaMin, int n);

// The zoom range of the rolling graph around the set-point, clamped to 1..N-1.
struct ZoomRange {
  int lo = 0;
  int hi = 0;
};
ZoomRange RollZoom(int setPoint, int tolUp, int tolLow, int mvalue, int n);

// A tolerance in pixels shown in millimetres: S x t / divisor in double precision
// (divisor 16384000.0 in the default layout, 1024000.0 in D303 and MX400).
double ToleranceMillimetres(u32 slope, unsigned t, double divisor);

// Hardware operation modes 1 and 3 switch the sensor's potentiometer on: the sensor sets
// the tolerance itself (the panel's tolerance fields are dimmed, the D303 graphs take the
// tolerance the sensor reports).
bool PotentiometerSetsTolerance(u16 hardwareMode);

// Tolerance-up and tolerance-low of the D303 graphs: the sensor's `tol` for both while the
// potentiometer sets it, else the panel's words.
struct Tolerances {
  int up = 0;
  int low = 0;
};
Tolerances D303Tolerances(u16 hardwareMode, u16 sensorTol, u16 up, u16 low);
