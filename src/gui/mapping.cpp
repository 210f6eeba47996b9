// Panel mapping: moves the parameter set between the words of a frame layout and the
// controls of the three pages and the main panel, one read and one write operation per
// layout (default, D303, MX400).
#include "gui/mapping.h"

#include <string>

#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "shell/colors.h"

namespace {

// The control of one layout slot; panel == nullptr: the slot has no control.
struct SlotCtrl {
  int* panel;
  int control;
};

// Slots 0..14 of each layout.
const SlotCtrl kDefaultSlots[15] = {
    {&pPara2, PARA2_POWER},    {&pPara2, PARA2_POWERMODE}, {&pPara1, PARA1_POLARITY},
    {&pPara1, PARA1_EVALMODE}, {&pHandle, MAIN_EBEG},      {&pHandle, MAIN_EEND},
    {&pPara2, PARA2_SETPOINT}, {&pPara1, PARA1_TOLERANCE}, {&pPara1, PARA1_AVERAGE},
    {&pPara1, PARA1_TRIGMODE}, {&pPara1, PARA1_ANAMODE},   {&pPara1, PARA1_OPTION5},
    {&pCalib, CALIB_OPMODE},   {&pPara1, PARA1_HWMODE},    {&pPara2, PARA2_THRESHOLD},
};
const SlotCtrl kD303Slots[15] = {
    {&pPara2, PARA2_POWER},    {&pPara2, PARA2_POWERMODE},    {&pPara1, PARA1_POLARITY},
    {&pPara1, PARA1_EVALMODE}, {&pHandle, MAIN_EBEG},         {&pHandle, MAIN_EEND},
    {&pPara2, PARA2_SETPOINT}, {&pPara1, PARA1_TOLERANCE_UP}, {&pPara1, PARA1_TOLERANCE},
    {&pPara1, PARA1_AVERAGE},  {&pPara1, PARA1_TRIGMODE},     {&pPara1, PARA1_ANAMODE},
    {&pCalib, CALIB_OPMODE},   {&pPara1, PARA1_HWMODE},       {&pPara2, PARA2_THRESHOLD},
};
const SlotCtrl kMX400Slots[15] = {
    {&pPara2, PARA2_POWER},    {&pPara2, PARA2_POWERMODE},    {&pPara1, PARA1_POLARITY},
    {&pPara1, PARA1_EVALMODE}, {&pHandle, MAIN_EBEG},         {&pHandle, MAIN_EEND},
    {&pPara2, PARA2_SETPOINT}, {&pPara1, PARA1_TOLERANCE_UP}, {&pPara1, PARA1_TOLERANCE},
    {&pPara1, PARA1_AVERAGE},  {&pPara1, PARA1_TRIGMODE},     {&pPara1, PARA1_ANAMODE},
    {&pPara1, PARA1_HOLD},     {&pPara2, PARA2_THRESHOLD},    {nullptr, 0},
};

const SlotCtrl* SlotsOf(Layout layout) {
  switch (layout) {
    case LAYOUT_D303:
      return kD303Slots;
    case LAYOUT_MX400:
      return kMX400Slots;
    default:
      return kDefaultSlots;
  }
}

// Slot of the video threshold: 14 (default, D303) or 13 (MX400).
int ThresholdSlot(Layout layout) {
  return layout == LAYOUT_MX400 ? 13 : 14;
}

// Fixed-point scale of the slope: 16384 = 1.0 (default) or 1024 = 1.0 (D303, MX400).
double SlopeScale(Layout layout) {
  return layout == LAYOUT_DEFAULT ? 16384.0 : 1024.0;
}

// Largest averaging the layout keeps: 1024 (default) or 256 (D303, MX400).
u16 AveragingCap(Layout layout) {
  return layout == LAYOUT_DEFAULT ? 1024 : 256;
}

// The slope last written into the slope control. Single precision cannot hold every
// 32-bit slope, so while the control still shows what was written, the read takes the
// word written, not the one the shown value rounds back to.
struct ShownSlope {
  bool valid = false;
  float shown = 0.0f;
  double scale = 0.0;
  u32 word = 0;
};
ShownSlope g_shownSlope;

// The slope word of the value the control shows: truncated toward zero, a value outside
// the 32-bit range held at its limit.
u32 SlopeWordOf(float slope, double scale) {
  if (g_shownSlope.valid && slope == g_shownSlope.shown && scale == g_shownSlope.scale)
    return g_shownSlope.word;
  const double scaled = slope * scale;
  if (scaled >= 4294967295.0) return 4294967295u;
  if (scaled > 0.0) return static_cast<u32>(scaled);
  return 0;
}

// The averaging drop-down offers the powers of two up to the layout's cap, so that no
// item is one the next write would correct away.
void OfferAveragingItems(Layout layout) {
  ClearListCtrl(pPara1, PARA1_AVERAGE);
  for (int v = 1; v <= AveragingCap(layout); v *= 2) {
    InsertListItem(pPara1, PARA1_AVERAGE, -1, std::to_string(v).c_str(), v);
  }
}

void ReadPanel(Layout layout) {
  const SlotCtrl* slots = SlotsOf(layout);
  const int base = LayoutBase(layout);
  for (int s = 0; s < 15; ++s) {
    if (slots[s].panel == nullptr) continue;
    u16 value = parameter[base + s];
    GetCtrlVal(*slots[s].panel, slots[s].control, &value);
    parameter[base + s] = value;
  }

  int offset = OffsetWord();
  GetCtrlVal(pCalib, CALIB_OFFSET, &offset);
  SetOffsetWord(offset);

  float slope = 0.0f;
  GetCtrlVal(pCalib, CALIB_SLOPE, &slope);
  SetSlopeWord(SlopeWordOf(slope, SlopeScale(layout)));

  FillThresholdLine(parameter[base + ThresholdSlot(layout)]);
}

void WritePanel(Layout layout) {
  CorrectLayoutWords(layout);

  const SlotCtrl* slots = SlotsOf(layout);
  const int base = LayoutBase(layout);
  const u32 slope = SlopeWord();
  const float shownSlope = static_cast<float>(slope / SlopeScale(layout));
  g_shownSlope = {true, shownSlope, SlopeScale(layout), slope};

  OfferAveragingItems(layout);
  for (int s = 0; s < 15; ++s) {
    if (slots[s].panel == nullptr) continue;
    SetCtrlVal(*slots[s].panel, slots[s].control, parameter[base + s]);
  }
  SetCtrlVal(pCalib, CALIB_SLOPE, shownSlope);
  SetCtrlVal(pCalib, CALIB_OFFSET, OffsetWord());

  FillThresholdLine(parameter[base + ThresholdSlot(layout)]);

  SetAxisScalingMode(pHandle, MAIN_BAR_GRAPH, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);

  ShowLayoutTolerances(layout);

  // Evaluation window and the whole pixel range in the bar graph.
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 2, parameter[base + 4], 0.75);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 3, parameter[base + 5], 0.75);
  PlotRectangle(pHandle, MAIN_BAR_GRAPH, 0.0, 0.0, ccdvirtpixel, 1.0, COLOR_GREY, COLOR_GREY);

  if (layout == LAYOUT_DEFAULT) PlotSetPointBand();
  if (layout == LAYOUT_D303) DimToleranceFields(parameter[31]);
}

}  // namespace

void CorrectLayoutWords(Layout layout) {
  u16* w = &parameter[LayoutBase(layout)];
  const u16 maxPixel = ccdvirtpixel;

  // Slots 0..5, the same in every layout except the E-END fallback.
  if (w[0] > 1000) w[0] = 500;
  if (w[1] > 1) w[1] = 1;
  if (w[2] > 1) w[2] = 1;
  if (w[3] > 3) w[3] = 4;
  if (w[4] > maxPixel) w[4] = 1;
  if (w[5] > maxPixel) w[5] = maxPixel;
  if (w[5] == 0) w[5] = (layout == LAYOUT_D303) ? 256 : 1;

  switch (layout) {
    case LAYOUT_DEFAULT:
      if (w[7] > maxPixel) w[7] = maxPixel;
      if (w[7] < 1) w[7] = 1;
      if (w[8] > AveragingCap(layout)) w[8] = AveragingCap(layout);
      if (w[9] > 2) w[9] = 0;
      if (w[10] > 7) w[10] = 0;
      if (w[11] > 1) w[11] = 0;
      if (w[13] > 3) w[13] = 3;
      break;
    case LAYOUT_D303:
      if (w[7] > maxPixel) w[7] = maxPixel;
      if (w[7] < 1) w[7] = 1;
      if (w[8] < 1) w[8] = 1;
      if (w[9] > AveragingCap(layout)) w[9] = AveragingCap(layout);
      if (w[10] > 2) w[10] = 0;
      if (w[11] > 7) w[11] = 0;
      if (w[13] > 3) w[13] = 3;
      break;
    case LAYOUT_MX400:
      if (w[7] > maxPixel) w[7] = maxPixel;
      if (w[8] < 1) w[8] = 1;
      if (w[9] > AveragingCap(layout)) w[9] = AveragingCap(layout);
      if (w[10] > 2) w[10] = 0;
      if (w[11] > 7) w[11] = 0;
      if (w[12] > 1000) w[12] = 1000;
      break;
  }

  u16& threshold = w[ThresholdSlot(layout)];
  if (threshold < 10) threshold = 10;
  if (threshold > 950) threshold = 950;
}

int SlotLabel(Layout layout, int slot, char* label, int size) {
  label[0] = '\0';
  if (slot < 0 || slot >= 15) return 0;
  const SlotCtrl& ctrl = SlotsOf(layout)[slot];
  if (ctrl.panel == nullptr) return 0;
  GetCtrlAttribute(*ctrl.panel, ctrl.control, ATTR_LABEL_TEXT, label, size);
  return label[0] != '\0' ? 1 : 0;
}

void ShowLayoutTolerances(Layout layout) {
  if (layout == LAYOUT_DEFAULT) {
    ShowTolerancesInMillimetres(parameter[10], parameter[10], 16384000.0);
  } else {
    const int base = LayoutBase(layout);
    ShowTolerancesInMillimetres(parameter[base + 7], parameter[base + 8], 1024000.0);
  }
}

void PlotSetPointBand() {
  const int setPoint = parameter[9];
  const int tolerance = parameter[10];
  PlotRectangle(pHandle, MAIN_BAR_GRAPH, setPoint - tolerance, 0.0, setPoint + tolerance, 0.25,
                COLOR_GREEN, COLOR_GREEN);
}

void FillThresholdLine(u16 threshold) {
  const u16 level = static_cast<u16>(static_cast<u32>(ADCMAX) * threshold / 100u);
  for (u16& element : thdArray) element = level;
}

void GetPanelValues() {
  ReadPanel(LAYOUT_DEFAULT);
}
void GetPanelValuesD303() {
  ReadPanel(LAYOUT_D303);
}
void GetPanelValuesMX400() {
  ReadPanel(LAYOUT_MX400);
}
void SetPanelValues() {
  WritePanel(LAYOUT_DEFAULT);
}
void SetPanelValuesD303() {
  WritePanel(LAYOUT_D303);
}
void SetPanelValuesMX400() {
  WritePanel(LAYOUT_MX400);
}

void GetPanelValuesLive() {
  switch (LiveLayout()) {
    case LAYOUT_MX400:
      GetPanelValuesMX400();
      break;
    case LAYOUT_DEFAULT:
      GetPanelValues();
      break;
    default:
      GetPanelValuesD303();
      break;
  }
}

void SetPanelValuesLive() {
  switch (LiveLayout()) {
    case LAYOUT_MX400:
      SetPanelValuesMX400();
      break;
    case LAYOUT_DEFAULT:
      SetPanelValues();
      break;
    default:
      SetPanelValuesD303();
      break;
  }
}
