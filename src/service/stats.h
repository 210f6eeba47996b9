// Statistics of the measured values: running figures of one quantity, process
// capability against limits, and the four quantities of a measurement frame together.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "shell/globals.h"

// Count, mean, sample standard deviation (n - 1), min and max of a series, updated value
// by value (Welford's method: no sum of squares, so large offsets lose no precision).
struct RunningStats {
  long count = 0;
  double mean = 0.0;
  double m2 = 0.0;  // sum of squared deviations from the mean
  double min = 0.0;
  double max = 0.0;

  void Add(double x);
  double Sd() const;  // 0 for fewer than two values
  double PeakToPeak() const;
};

// Process capability of a series against the limits low < high:
// Cp = (high - low) / 6 sd, Cpk = min(high - mean, mean - low) / 3 sd.
struct Capability {
  bool valid = false;  // at least two values, a spread, and low < high
  double cp = 0.0;
  double cpk = 0.0;
};
Capability CapabilityOf(const RunningStats& s, double low, double high);

// The quantities of a measurement frame: the value in pixels and in micrometres, and the
// left and right edge.
struct MeasurementStats {
  RunningStats valuePx, valueUm, left, right;
  // Adds the frame last decoded into the measurement variables (Mvalue, umValue, Ledge,
  // Redge).
  void AddLastFrame();
};

// The last `capacity` values of a series; a new value drops the oldest.
class RecentValues {
 public:
  explicit RecentValues(size_t capacity) : ring_(capacity) {}
  void Add(double x);
  void Clear();
  size_t Size() const { return size_; }
  // Figures of the newest `n` values (of all kept when fewer), computed afresh.
  RunningStats Newest(size_t n) const;
  // The newest `n` values (all kept when fewer), oldest first.
  std::vector<double> NewestValues(size_t n) const;

 private:
  std::vector<double> ring_;
  size_t next_ = 0;  // where the next value goes
  size_t size_ = 0;
};

// How often each whole value occurs (the histogram's data).
using ValueCounts = std::map<long long, long>;

// The quantities of the measurement frames since a reset: the figures since the reset and
// the newest kKept values of each, for the figures over the last 100 or 1000 frames.
struct FrameSeries {
  static constexpr size_t kKept = 1000;
  MeasurementStats sinceReset;
  RecentValues valuePx{kKept}, valueUm{kKept}, left{kKept}, right{kKept};
  ValueCounts valuePxCounts;  // since the reset
  void AddLastFrame();
  void Clear();
  // Figures of the four quantities over the newest `frames` (0: since the reset), in the
  // order value in pixels, value in micrometres, left edge, right edge.
  void Figures(size_t frames, RunningStats out[4]) const;
  // The value in pixels over the newest `frames` (0: since the reset).
  ValueCounts ValueCountsOf(size_t frames) const;
};

// Histogram bars of whole values: bins `width` wide (a whole number), each centred on
// `centres[i]`, holding `counts[i]` values. The bins cover the values and the range
// low..high, in at most `maxBins` bins.
struct Histogram {
  double width = 1.0;
  std::vector<double> centres, counts;
};
Histogram HistogramOf(const ValueCounts& values, double low, double high, int maxBins);
