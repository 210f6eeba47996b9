// Range corrections of the three layouts, the video step table and the threshold line,
// without panels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "com232/com232.h"
#include "gui/gui.h"
#include "gui/mapping.h"
#include "shell/globals.h"

namespace {

// Fills the whole set with a marker so that writes outside a layout show up.
void FillSet(u16 marker) {
  for (u16& w : parameter) w = marker;
}

// Sets the 15 slots of a layout.
void SetSlots(Layout layout, const u16 (&slots)[15]) {
  std::memcpy(&parameter[LayoutBase(layout)], slots, sizeof slots);
}

std::vector<u16> Slots(Layout layout) {
  const int base = LayoutBase(layout);
  return std::vector<u16>(&parameter[base], &parameter[base + 15]);
}

// Every word outside [base, base + 15) still holds the marker.
void ExpectOnlyLayoutTouched(Layout layout, u16 marker) {
  const int base = LayoutBase(layout);
  for (int i = 0; i < 64; ++i) {
    if (i >= base && i < base + 15) continue;
    EXPECT_EQ(parameter[i], marker) << "word " << i;
  }
}

class CorrectionsTest : public ::testing::Test {
 protected:
  void SetUp() override { ccdvirtpixel = 4096; }
};

}  // namespace

TEST(VideoStepTable, EveryListedSubpixelCountAndTheUnlistedOnes) {
  const struct {
    u16 virtpixel;
    double step;
  } table[] = {{256, 1},  {512, 2},  {768, 3},   {1024, 4},  {1180, 5},  {1280, 5},
               {1536, 6}, {2048, 8}, {2360, 10}, {2560, 10}, {4096, 16}, {8192, 32}};
  for (const auto& row : table) EXPECT_EQ(VideoStep(row.virtpixel), row.step) << row.virtpixel;
  for (u16 unlisted : {0, 1, 255, 257, 1023, 1025, 3000, 4095, 4097, 8191, 16384, 65535})
    EXPECT_EQ(VideoStep(unlisted), 0.0) << unlisted;
}

TEST_F(CorrectionsTest, DefaultLayoutWordsInRangeStayAsTheyAre) {
  FillSet(0xBEEF);
  const u16 good[15] = {1000, 1, 1, 3, 4096, 4096, 77, 4096, 1024, 2, 7, 1, 9, 3, 950};
  SetSlots(LAYOUT_DEFAULT, good);
  CorrectLayoutWords(LAYOUT_DEFAULT);
  EXPECT_EQ(Slots(LAYOUT_DEFAULT), std::vector<u16>(good, good + 15));
  ExpectOnlyLayoutTouched(LAYOUT_DEFAULT, 0xBEEF);

  const u16 low[15] = {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 10};
  SetSlots(LAYOUT_DEFAULT, low);
  CorrectLayoutWords(LAYOUT_DEFAULT);
  EXPECT_EQ(Slots(LAYOUT_DEFAULT), std::vector<u16>(low, low + 15));
}

TEST_F(CorrectionsTest, DefaultLayoutOutOfRangeWords) {
  FillSet(0xBEEF);
  const u16 bad[15] = {1001, 2, 2, 5, 4097, 4097, 65535, 4097, 1025, 3, 8, 2, 65535, 4, 951};
  SetSlots(LAYOUT_DEFAULT, bad);
  CorrectLayoutWords(LAYOUT_DEFAULT);
  // power -> 500 (the start value), evaluation mode -> 4, E-BEG -> 1 (not the maximum),
  // trigger and analogue modes and option 5 -> 0; set-point and receiver mode unchecked.
  const std::vector<u16> expected = {500,  1, 1, 4, 1,     4096, 65535, 4096,
                                     1024, 0, 0, 0, 65535, 3,    950};
  EXPECT_EQ(Slots(LAYOUT_DEFAULT), expected);
  ExpectOnlyLayoutTouched(LAYOUT_DEFAULT, 0xBEEF);

  // E-END 0 becomes 1, the tolerance 0 becomes 1, a threshold of 5 becomes 10.
  const u16 zero[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5};
  SetSlots(LAYOUT_DEFAULT, zero);
  CorrectLayoutWords(LAYOUT_DEFAULT);
  EXPECT_EQ(parameter[8], 1);
  EXPECT_EQ(parameter[10], 1);
  EXPECT_EQ(parameter[17], 10);
  parameter[17] = 2000;
  CorrectLayoutWords(LAYOUT_DEFAULT);
  EXPECT_EQ(parameter[17], 950);
}

TEST_F(CorrectionsTest, D303LayoutOutOfRangeWords) {
  FillSet(0xBEEF);
  const u16 bad[15] = {1001, 2, 2, 4, 4097, 4097, 65535, 4097, 0, 257, 3, 8, 65535, 4, 951};
  SetSlots(LAYOUT_D303, bad);
  CorrectLayoutWords(LAYOUT_D303);
  const std::vector<u16> expected = {500, 1,   1, 4, 1,     4096, 65535, 4096,
                                     1,   256, 0, 0, 65535, 3,    950};
  EXPECT_EQ(Slots(LAYOUT_D303), expected);
  ExpectOnlyLayoutTouched(LAYOUT_D303, 0xBEEF);

  // E-END 0 becomes 256 in this layout; tolerance-up 0 becomes 1; threshold 9 becomes 10.
  const u16 zero[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9};
  SetSlots(LAYOUT_D303, zero);
  CorrectLayoutWords(LAYOUT_D303);
  EXPECT_EQ(parameter[23], 256);
  EXPECT_EQ(parameter[25], 1);
  EXPECT_EQ(parameter[26], 1);
  EXPECT_EQ(parameter[32], 10);

  const u16 good[15] = {1000, 1, 1, 3, 4096, 4096, 9, 4096, 1, 256, 2, 7, 1, 3, 950};
  SetSlots(LAYOUT_D303, good);
  CorrectLayoutWords(LAYOUT_D303);
  EXPECT_EQ(Slots(LAYOUT_D303), std::vector<u16>(good, good + 15));
}

TEST_F(CorrectionsTest, MX400LayoutOutOfRangeWordsAndTheCarriedWord) {
  FillSet(0xBEEF);
  ccdvirtpixel = 1024;
  const u16 bad[15] = {1001, 2, 2, 4, 1025, 1025, 65535, 1025, 0, 257, 3, 8, 1001, 951, 65535};
  SetSlots(LAYOUT_MX400, bad);
  CorrectLayoutWords(LAYOUT_MX400);
  // Hold time above 1000 -> 1000; the threshold sits in slot 13; word 47 is carried as is.
  const std::vector<u16> expected = {500, 1,   1, 4, 1,    1024, 65535, 1024,
                                     1,   256, 0, 0, 1000, 950,  65535};
  EXPECT_EQ(Slots(LAYOUT_MX400), expected);
  ExpectOnlyLayoutTouched(LAYOUT_MX400, 0xBEEF);

  // Tolerance-up has no lower bound here; E-END 0 becomes 1.
  const u16 zero[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0};
  SetSlots(LAYOUT_MX400, zero);
  CorrectLayoutWords(LAYOUT_MX400);
  EXPECT_EQ(parameter[38], 1);
  EXPECT_EQ(parameter[40], 0);
  EXPECT_EQ(parameter[41], 1);
  EXPECT_EQ(parameter[46], 10);
  EXPECT_EQ(parameter[47], 0);
}

TEST_F(CorrectionsTest, PixelLimitsFollowTheSubpixelCount) {
  ccdvirtpixel = 1024;
  parameter[7] = 1024;  // E-BEG at the maximum stays
  parameter[8] = 1025;
  parameter[10] = 2000;
  CorrectLayoutWords(LAYOUT_DEFAULT);
  EXPECT_EQ(parameter[7], 1024);
  EXPECT_EQ(parameter[8], 1024);
  EXPECT_EQ(parameter[10], 1024);
  parameter[7] = 1025;
  CorrectLayoutWords(LAYOUT_DEFAULT);
  EXPECT_EQ(parameter[7], 1);
}

TEST(ThresholdLine, EveryElementIsFullScaleTimesThresholdPercentTruncated) {
  const u16 savedADC = ADCMAX;
  ADCMAX = 255;
  FillThresholdLine(40);
  EXPECT_TRUE(
      std::all_of(std::begin(thdArray), std::end(thdArray), [](u16 v) { return v == 102; }));
  FillThresholdLine(10);
  EXPECT_TRUE(std::all_of(std::begin(thdArray), std::end(thdArray),
                          [](u16 v) { return v == 25; }));  // 25.5 truncated
  ADCMAX = 1024;
  FillThresholdLine(950);
  EXPECT_TRUE(
      std::all_of(std::begin(thdArray), std::end(thdArray), [](u16 v) { return v == 9728; }));
  ADCMAX = savedADC;
}
