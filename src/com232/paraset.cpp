// The parameter set, its three frame layouts and the parameter packet pp.
#include "com232/com232.h"

namespace {
constexpr int HALF1_FIRST = 48;  // words 48..58 travel as data words 0..10 of half 1
constexpr int HALF1_COUNT = 11;
constexpr int SLOPE_LOW = 60;  // words 60..63 travel as data words 11..14 of half 1
}  // namespace

Layout LiveLayout() {
  if (hwtype == 400) return LAYOUT_MX400;
  if (softversion < 303) return LAYOUT_DEFAULT;
  return LAYOUT_D303;
}

int LayoutBase(Layout layout) {
  switch (layout) {
    case LAYOUT_D303:
      return 18;
    case LAYOUT_MX400:
      return 33;
    default:
      return 3;
  }
}

void CopyVarsToPP(u16 half) {
  if (half == 0) {
    const int base = LayoutBase(LiveLayout());
    for (int s = 0; s < 15; ++s) pp[s] = parameter[base + s];
    return;
  }
  for (int i = 0; i < HALF1_COUNT; ++i) pp[i] = parameter[HALF1_FIRST + i];
  for (int i = 0; i < 4; ++i) pp[HALF1_COUNT + i] = parameter[SLOPE_LOW + i];
}

void CopyPPtoVars(u16 half) {
  if (half == 0) {
    const int base = LayoutBase(LiveLayout());
    for (int s = 0; s < 15; ++s) parameter[base + s] = pp[s];
    return;
  }
  for (int i = 0; i < HALF1_COUNT; ++i) parameter[HALF1_FIRST + i] = pp[i];
  for (int i = 0; i < 4; ++i) parameter[SLOPE_LOW + i] = pp[HALF1_COUNT + i];
}

void CopyVarsToWords(u16 words[SET_WORDS]) {
  for (u16 half = 0; half < 2; ++half) {
    CopyVarsToPP(half);
    for (int i = 0; i < 15; ++i) words[15 * half + i] = pp[i];
  }
}

void CopyWordsToVars(const u16 words[SET_WORDS]) {
  for (u16 half = 0; half < 2; ++half) {
    for (int i = 0; i < 15; ++i) pp[i] = words[15 * half + i];
    CopyPPtoVars(half);
  }
}

void CopyPPtoRAWVars() {
  Ledge = pp[0];
  Redge = pp[1];
  Mvalue = pp[2];
  umValue = static_cast<u32>(pp[3]) + 65536u * pp[4];
  parameter[39] = pp[5];
  parameter[9] = pp[5];
  parameter[24] = pp[5];
  tol = pp[6];
  edcnt = pp[7];
  mvstart = pp[8];
  mvend = pp[9];
  dynpow = pp[10];
  anaMax = pp[11];
  anaMin = pp[12];
  in0 = pp[13];
  videoMax = pp[14];
  raw15 = pp[15];
}

u32 SlopeWord() {
  return static_cast<u32>(parameter[60]) | static_cast<u32>(parameter[61]) << 16;
}

void SetSlopeWord(u32 slope) {
  parameter[60] = static_cast<u16>(slope & 0xFFFF);
  parameter[61] = static_cast<u16>(slope >> 16);
}

int OffsetWord() {
  const u32 raw = static_cast<u32>(parameter[62]) | static_cast<u32>(parameter[63]) << 16;
  return static_cast<int>(raw);
}

void SetOffsetWord(int offset) {
  const u32 raw = static_cast<u32>(offset);
  parameter[62] = static_cast<u16>(raw & 0xFFFF);
  parameter[63] = static_cast<u16>(raw >> 16);
}
