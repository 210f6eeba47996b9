#include "service/stats.h"

#include <algorithm>
#include <cmath>

void RunningStats::Add(double x) {
  ++count;
  if (count == 1) {
    min = max = mean = x;
    m2 = 0.0;
    return;
  }
  const double delta = x - mean;
  mean += delta / static_cast<double>(count);
  m2 += delta * (x - mean);
  min = std::min(min, x);
  max = std::max(max, x);
}

double RunningStats::Sd() const {
  return count < 2 ? 0.0 : std::sqrt(m2 / static_cast<double>(count - 1));
}

double RunningStats::PeakToPeak() const {
  return max - min;
}

Capability CapabilityOf(const RunningStats& s, double low, double high) {
  Capability c;
  const double sd = s.Sd();
  if (s.count < 2 || !(sd > 0.0) || !(low < high)) return c;
  c.valid = true;
  c.cp = (high - low) / (6.0 * sd);
  c.cpk = std::min(high - s.mean, s.mean - low) / (3.0 * sd);
  return c;
}

void MeasurementStats::AddLastFrame() {
  valuePx.Add(Mvalue);
  valueUm.Add(static_cast<double>(umValue));
  left.Add(Ledge);
  right.Add(Redge);
}
