// Statistics of the measured values: running figures of one quantity, process
// capability against limits, and the four quantities of a measurement frame together.
#pragma once

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
