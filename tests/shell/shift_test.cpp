#include <gtest/gtest.h>

#include "shell/shell.h"

TEST(Shift, HistoryMovesSixPlacesTowardsTheOldEndInPlace) {
  double a[600];
  for (int i = 0; i < 600; ++i) a[i] = i + 1;
  ASSERT_EQ(Shift(a, 600, -6, a), 0);
  EXPECT_EQ(a[0], 7);
  EXPECT_EQ(a[593], 600);
  for (int i = 594; i < 600; ++i) EXPECT_EQ(a[i], 0) << i;
}

TEST(Shift, TowardsHigherIndicesInPlace) {
  double a[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(Shift(a, 5, 2, a), 0);
  const double expected[5] = {0, 0, 1, 2, 3};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a[i], expected[i]) << i;
}

TEST(Shift, ErrorsLeaveTheOutputUnchanged) {
  double in[4] = {1, 2, 3, 4};
  double out[4] = {9, 9, 9, 9};
  EXPECT_EQ(Shift(in, 4, 4, out), -20102);
  EXPECT_EQ(Shift(in, 4, -4, out), -20102);
  EXPECT_EQ(Shift(in, 0, 1, out), -20003);
  for (double v : out) EXPECT_EQ(v, 9);
  EXPECT_EQ(Copy1D(in, 0, out), -20003);
  EXPECT_EQ(Shift(in, 4, 0, out), 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], in[i]);
}
