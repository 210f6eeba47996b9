#include "service/stats.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Case {
  const char* name;
  std::vector<double> values;
  double mean, sd, min, max;
};

// Reference figures computed by hand (sd with n - 1).
const Case kCases[] = {
    {"known series", {2, 4, 4, 4, 5, 5, 7, 9}, 5.0, 2.138089935299395, 2, 9},
    {"constant", {7, 7, 7, 7}, 7.0, 0.0, 7, 7},
    {"one value", {3.5}, 3.5, 0.0, 3.5, 3.5},
    {"large offset",
     {1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16},
     1e9 + 10,
     5.477225575051661,
     1e9 + 4,
     1e9 + 16},
};

TEST(RunningStats, MatchesTheReferenceFigures) {
  for (const Case& c : kCases) {
    RunningStats s;
    for (double v : c.values) s.Add(v);
    EXPECT_EQ(s.count, static_cast<long>(c.values.size())) << c.name;
    EXPECT_DOUBLE_EQ(s.mean, c.mean) << c.name;
    EXPECT_NEAR(s.Sd(), c.sd, 1e-9) << c.name;
    EXPECT_EQ(s.min, c.min) << c.name;
    EXPECT_EQ(s.max, c.max) << c.name;
    EXPECT_EQ(s.PeakToPeak(), c.max - c.min) << c.name;
  }
}

TEST(RunningStats, CapabilityAgainstLimits) {
  RunningStats s;
  for (double v : {9.0, 10.0, 11.0}) s.Add(v);  // mean 10, sd 1
  const Capability c = CapabilityOf(s, 7.0, 16.0);
  ASSERT_TRUE(c.valid);
  EXPECT_DOUBLE_EQ(c.cp, 1.5);
  EXPECT_DOUBLE_EQ(c.cpk, 1.0);
  EXPECT_FALSE(CapabilityOf(s, 16.0, 7.0).valid);  // limits the wrong way round
  RunningStats constant;
  for (double v : {5.0, 5.0}) constant.Add(v);
  EXPECT_FALSE(CapabilityOf(constant, 0.0, 10.0).valid);  // no spread
}

// The last 100 of 150 values against their own figures; the histogram of known values.
TEST(RecentValues, WindowAndHistogramOfKnownData) {
  RecentValues recent(100);
  for (int i = 1; i <= 150; ++i) recent.Add(1e9 + i);
  const RunningStats last = recent.Newest(100);  // 1e9 + 51 .. 1e9 + 150
  EXPECT_EQ(last.count, 100);
  EXPECT_DOUBLE_EQ(last.mean, 1e9 + 100.5);
  EXPECT_NEAR(last.Sd(), 29.011491975882016, 1e-9);
  EXPECT_EQ(last.min, 1e9 + 51);
  EXPECT_EQ(recent.Newest(3).mean, 1e9 + 149);

  const Histogram h = HistogramOf({{10, 2}, {11, 1}, {19, 4}}, 8.0, 20.0, 5);  // bins of 3
  EXPECT_EQ(h.width, 3.0);
  EXPECT_EQ(h.centres, (std::vector<double>{7, 10, 13, 16, 19}));
  EXPECT_EQ(h.counts, (std::vector<double>{0, 3, 0, 0, 4}));
}

}  // namespace
