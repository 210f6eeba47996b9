// Pure computations of the bar graph and the rolling graph.
#include "display/geometry.h"

u16 DisplayPosition(u16 evalMode, u16 hwClass, u16 ledge, u16 redge) {
  const int centre = (static_cast<int>(ledge) + static_cast<int>(redge)) / 2;
  switch (evalMode) {
    case 0:
      return hwClass == 1 ? ledge : static_cast<u16>(centre);
    case 1:
      return hwClass == 1 ? redge : static_cast<u16>(centre);
    default:
      if (ledge == 0 || redge == 0) return 1;
      return static_cast<u16>(centre);
  }
}

u16 ClampDisplayPosition(u16 d, u16 pixB, u16 pixE, u16 n) {
  if (d < pixB) d = pixB;
  if (d > pixE) d = pixE;
  if (d < 1) d = 1;
  if (d > n) d = n;
  return d;
}

bool EdgeBar(u16 edcnt, u16 ledge, u16 redge, u16 mvstart, u16 mvend, u16 pixE, Span* bar) {
  if (edcnt == 0) return false;
  if (edcnt == 1) {
    // One edge: the object lies on the side where the measurement window opens.
    if (mvstart < mvend) {
      bar->x1 = ledge;
      bar->x2 = pixE;
    } else {
      bar->x1 = 1.0;
      bar->x2 = ledge;
    }
    return true;
  }
  bar->x1 = ledge;
  bar->x2 = redge;
  return true;
}

namespace {
// Keeps the part of [x1, x2] that lies on the axis 1..N; false when none does.
bool ClipToAxis(int x1, int x2, int n, Span* span) {
  if (x2 < 1 || x1 > n) return false;
  span->x1 = x1 < 1 ? 1 : x1;
  span->x2 = x2 > n ? n : x2;
  return true;
}
}  // namespace

int ToleranceBands(u16 evalMode, u16 edcnt, int d, int setPoint, int tolerance, int n,
                   Span bands[2]) {
  int count = 0;
  if (evalMode == 2) {
    // Width mode: P is the nominal width, D the centre; each edge has its own band.
    if (edcnt == 0) return 0;
    const int h = setPoint / 2;
    const int t = tolerance / 2;
    if (ClipToAxis(d - h - t, d - h + t, n, &bands[count])) ++count;
    if (ClipToAxis(d + h - t, d + h + t, n, &bands[count])) ++count;
    return count;
  }
  if (ClipToAxis(setPoint - tolerance, setPoint + tolerance, n, &bands[count])) ++count;
  return count;
}

int AnalogueIndicator(u16 anaMode, u16 mvalue, u16 anaMax, u16 anaMin) {
  switch (anaMode) {
    case 2:
      return anaMax;
    case 3:
      return anaMin;
    case 4:
      return static_cast<int>(anaMax) - static_cast<int>(anaMin);
    default:
      return mvalue;
  }
}

Limits BarLimits(int setPoint, int tolUp, int tolLow, int n, bool clampToAxis) {
  Limits limits{setPoint + tolUp, setPoint - tolLow};
  if (clampToAxis) {
    if (limits.upper > n) limits.upper = n;
    if (limits.lower < 1) limits.lower = 1;
  }
  return limits;
}

Limits RollLimits(int setPoint, int tolUp, int tolLow, int n) {
  Limits limits{setPoint + tolUp, setPoint - tolLow};
  if (limits.upper > n - 1) limits.upper = n - 1;
  if (limits.lower < 1) limits.lower = 1;
  return limits;
}

bool OutOfTolerance(int mvalue, const Limits& limits) {
  return mvalue > limits.upper || mvalue < limits.lower;
}

AnaloguePair AnaloguePairFor(u16 anaMode, u16 mvalue, u16 anaMax, u16 anaMin, int n) {
  AnaloguePair pair{n - 1, 1};
  switch (anaMode) {
    case 0:
    case 1:
      pair.lo = mvalue;
      pair.hi = mvalue;
      break;
    case 2:
      pair.lo = mvalue;
      pair.hi = anaMax;
      break;
    case 3:
      pair.lo = (anaMin == n - 1) ? 1 : anaMin;
      pair.hi = mvalue;
      break;
    case 4:
      pair.lo = anaMin;
      pair.hi = anaMax;
      break;
    default:
      break;
  }
  return pair;
}

ZoomRange RollZoom(int setPoint, int tolUp, int tolLow, int mvalue, int n) {
  ZoomRange zoom;
  if (tolLow < 40) {
    zoom.lo = setPoint - 40;
    if (mvalue < zoom.lo) zoom.lo = mvalue - 60;
  } else {
    zoom.lo = setPoint - 2 * tolLow;
    if (mvalue < zoom.lo) zoom.lo = mvalue - 100;
  }
  if (tolUp < 40) {
    zoom.hi = setPoint + 40;
    if (mvalue > zoom.hi) zoom.hi = mvalue + 60;
  } else {
    zoom.hi = setPoint + 2 * tolUp;
    if (mvalue > zoom.hi) zoom.hi = mvalue + 100;
  }
  if (zoom.hi > n - 1) zoom.hi = n - 1;
  if (zoom.lo < 1) zoom.lo = 1;
  return zoom;
}

double ToleranceMillimetres(u32 slope, unsigned t, double divisor) {
  return static_cast<double>(slope) * static_cast<double>(t) / divisor;
}

bool PotentiometerSetsTolerance(u16 hardwareMode) {
  return hardwareMode == 1 || hardwareMode == 3;
}

Tolerances D303Tolerances(u16 hardwareMode, u16 sensorTol, u16 up, u16 low) {
  if (PotentiometerSetsTolerance(hardwareMode)) return {sensorTol, sensorTol};
  return {up, low};
}
