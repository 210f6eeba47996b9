// Range corrections of the evaluation-window and tolerance fields.
#include "gui/corrections.h"

namespace {
// A pixel number held in the unsigned 16-bit range.
u16 ToWord(int v) {
  if (v < 0) return 0;
  if (v > 0xFFFF) return 0xFFFF;
  return static_cast<u16>(v);
}
}  // namespace

EdgeCorrection CorrectEdgeBegin(u16 v, u16 pixB, u16 pixE) {
  EdgeCorrection c{v, false};
  if (c.value < pixB) {
    c.value = pixB;
    c.store = true;
  }
  if (c.value > pixE) {
    c.value = ToWord(static_cast<int>(pixE) - 1);
    c.store = true;
  }
  return c;
}

EdgeCorrection CorrectEdgeEnd(u16 v, u16 pixB, u16 pixE) {
  EdgeCorrection c{v, false};
  if (c.value > pixE) {
    c.value = pixE;
    c.store = true;
  }
  if (c.value < pixB) {
    c.value = ToWord(static_cast<int>(pixB) + 1);
    c.store = true;
  }
  return c;
}

u16 BoundToleranceUp(u16 v, u16 setPoint, u16 n) {
  if (static_cast<int>(setPoint) + v > n) return ToWord(static_cast<int>(n) - setPoint - 1);
  return v;
}

u16 BoundToleranceLow(u16 v, u16 setPoint) {
  if (v > setPoint) return ToWord(static_cast<int>(setPoint) - 1);
  return v;
}
