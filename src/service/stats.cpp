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

void RecentValues::Add(double x) {
  if (ring_.empty()) return;
  ring_[next_] = x;
  next_ = (next_ + 1) % ring_.size();
  size_ = std::min(size_ + 1, ring_.size());
}

void RecentValues::Clear() {
  next_ = size_ = 0;
}

std::vector<double> RecentValues::NewestValues(size_t n) const {
  const size_t count = std::min(n, size_);
  std::vector<double> values;
  values.reserve(count);
  for (size_t k = count; k > 0; --k)
    values.push_back(ring_[(next_ + ring_.size() - k) % ring_.size()]);
  return values;
}

RunningStats RecentValues::Newest(size_t n) const {
  RunningStats s;
  for (double x : NewestValues(n)) s.Add(x);
  return s;
}

void FrameSeries::AddLastFrame() {
  sinceReset.AddLastFrame();
  valuePx.Add(Mvalue);
  valueUm.Add(static_cast<double>(umValue));
  left.Add(Ledge);
  right.Add(Redge);
  ++valuePxCounts[Mvalue];
}

void FrameSeries::Clear() {
  sinceReset = MeasurementStats{};
  for (RecentValues* r : {&valuePx, &valueUm, &left, &right}) r->Clear();
  valuePxCounts.clear();
}

void FrameSeries::Figures(size_t frames, RunningStats out[4]) const {
  if (frames == 0) {
    out[0] = sinceReset.valuePx;
    out[1] = sinceReset.valueUm;
    out[2] = sinceReset.left;
    out[3] = sinceReset.right;
    return;
  }
  out[0] = valuePx.Newest(frames);
  out[1] = valueUm.Newest(frames);
  out[2] = left.Newest(frames);
  out[3] = right.Newest(frames);
}

ValueCounts FrameSeries::ValueCountsOf(size_t frames) const {
  if (frames == 0) return valuePxCounts;
  ValueCounts counts;
  for (double x : valuePx.NewestValues(frames)) ++counts[static_cast<long long>(x)];
  return counts;
}

namespace {
// The multiple of `width` at or below `x`.
long long FloorTo(long long x, long long width) {
  const long long q = x / width;
  return (x % width != 0 && x < 0 ? q - 1 : q) * width;
}
}  // namespace

Histogram HistogramOf(const ValueCounts& values, double low, double high, int maxBins) {
  Histogram h;
  if (values.empty() || maxBins < 1) return h;
  long long lo = values.begin()->first, hi = values.rbegin()->first;
  if (low < high) {
    lo = std::min(lo, static_cast<long long>(std::floor(low)));
    hi = std::max(hi, static_cast<long long>(std::ceil(high)));
  }
  const long long width = std::max(1LL, (hi - lo + maxBins) / maxBins);
  const long long start = FloorTo(lo, width);
  const long long bins = (hi - start) / width + 1;
  h.width = static_cast<double>(width);
  h.counts.assign(static_cast<size_t>(bins), 0.0);
  for (long long k = 0; k < bins; ++k)
    h.centres.push_back(static_cast<double>(start + k * width) + (h.width - 1.0) / 2.0);
  for (const auto& [value, count] : values)
    h.counts[static_cast<size_t>((value - start) / width)] += count;
  return h;
}
