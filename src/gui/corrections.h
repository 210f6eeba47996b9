// Range corrections of the evaluation-window and tolerance fields. Pure functions;
// the callbacks write the result back into the field.
#pragma once

#include "shell/globals.h"

struct EdgeCorrection {
  u16 value = 0;
  bool store = false;  // the corrected value goes into the parameter word as well
};

// E-BEG: below pixB becomes pixB, then above pixE becomes pixE - 1 (never below 0).
EdgeCorrection CorrectEdgeBegin(u16 v, u16 pixB, u16 pixE);
// E-END: above pixE becomes pixE, then below pixB becomes pixB + 1 (never above 65535).
EdgeCorrection CorrectEdgeEnd(u16 v, u16 pixB, u16 pixE);
// Tolerance-up: when P + v is above N, v = N - P - 1 (0 when the set-point lies at or
// beyond the end of the axis).
u16 BoundToleranceUp(u16 v, u16 setPoint, u16 n);
// Tolerance-low: above P becomes P - 1 (0 when P is 0).
u16 BoundToleranceLow(u16 v, u16 setPoint);
