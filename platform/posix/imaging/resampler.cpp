#include "imaging/resampler.h"

#include <algorithm>
#include <cmath>

namespace pixoria::platform::imaging {
namespace {

// Catmull-Rom (Keys' cubic with a = -0.5): sharp, no overshoot beyond one small lobe.
float bicubic(double x) {
  x = std::fabs(x);
  if (x < 1)
    return float((1.5 * x - 2.5) * x * x + 1);
  if (x < 2)
    return float(((-0.5 * x + 2.5) * x - 4) * x + 2);
  return 0;
}

// The canvas pixels whose centres fall inside the destination span.
void coveredRange(const AxisMapping& axis, int& first, int& end) {
  double from = std::ceil(axis.destinationStart - 0.5);
  double to = std::ceil(axis.destinationStart + axis.destinationLength - 0.5);
  first = int(std::clamp(from, 0.0, double(axis.canvasLength)));
  end = int(std::clamp(to, 0.0, double(axis.canvasLength)));
}

}  // namespace

AxisTaps computeAxisTaps(const AxisMapping& axis) {
  AxisTaps result;
  int end = 0;
  coveredRange(axis, result.first, end);
  int lowest = std::max(0, int(std::floor(axis.sourceStart)));
  int highest =
      std::min(axis.decodedLength, int(std::ceil(axis.sourceStart + axis.sourceLength))) - 1;
  if (end <= result.first || highest < lowest)
    return result;

  double step = axis.sourceLength / axis.destinationLength;
  double scale = std::max(1.0, step);
  double radius = 2 * scale;
  result.count = end - result.first;
  result.taps = int(std::min(double(highest - lowest + 1), std::ceil(2 * radius) + 1));
  result.start.resize(std::size_t(result.count));
  result.length.resize(std::size_t(result.count));
  result.weights.assign(std::size_t(result.count) * std::size_t(result.taps), 0.0f);

  for (int i = 0; i < result.count; ++i) {
    double centre =
        axis.sourceStart + (result.first + i + 0.5 - axis.destinationStart) * step - 0.5;
    // Taps beyond the edges are dropped and the rest renormalised.
    int from = int(std::clamp(std::floor(centre - radius) + 1, double(lowest), double(highest)));
    int to = int(std::clamp(std::ceil(centre + radius) - 1, double(lowest) - 1, double(highest)));
    to = std::min(to, from + result.taps - 1);
    if (to < from)
      from = to = int(std::clamp(std::round(centre), double(lowest), double(highest)));
    float* weights = &result.weights[std::size_t(i) * std::size_t(result.taps)];
    double sum = 0;
    for (int s = from; s <= to; ++s)
      sum += weights[s - from] = bicubic((s - centre) / scale);
    if (std::fabs(sum) < 1e-6) {
      std::fill(weights, weights + (to - from + 1), 0.0f);
      weights[int(std::clamp(std::round(centre), double(from), double(to))) - from] = 1;
      sum = 1;
    }
    for (int s = 0; s <= to - from; ++s)
      weights[s] = float(weights[s] / sum);
    result.start[std::size_t(i)] = from;
    result.length[std::size_t(i)] = to - from + 1;
  }
  return result;
}

namespace {

void filterRow(const AxisTaps& columns, const std::uint8_t* source, float* out) {
  for (int i = 0; i < columns.count; ++i) {
    const float* weights = &columns.weights[std::size_t(i) * std::size_t(columns.taps)];
    const std::uint8_t* pixel = source + 3 * std::size_t(columns.start[std::size_t(i)]);
    float r = 0, g = 0, b = 0;
    for (int k = 0; k < columns.length[std::size_t(i)]; ++k, pixel += 3) {
      r += weights[k] * pixel[0];
      g += weights[k] * pixel[1];
      b += weights[k] * pixel[2];
    }
    out[3 * i] = r;
    out[3 * i + 1] = g;
    out[3 * i + 2] = b;
  }
}

void addScaled(float* sum, const float* row, float weight, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    sum[i] += weight * row[i];
}

void storeRow(const float* sum, std::uint8_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    float value = std::clamp(sum[i] + 0.5f, 0.0f, 255.0f);
    out[i] = static_cast<std::uint8_t>(value);
  }
}

// The most output rows that are open (started, not finished) at once.
int mostOpenRows(const AxisTaps& rows) {
  int most = 1;
  int later = 0;
  for (int y = 0; y < rows.count; ++y) {
    int lastSource = rows.start[std::size_t(y)] + rows.length[std::size_t(y)] - 1;
    later = std::max(later, y);
    while (later + 1 < rows.count && rows.start[std::size_t(later + 1)] <= lastSource)
      ++later;
    most = std::max(most, later - y + 1);
  }
  return most;
}

}  // namespace

GpStatus resampleInto(RowSource& source, const AxisTaps& columns, const AxisTaps& rows,
                      CanvasView canvas) {
  if (columns.count == 0 || rows.count == 0)
    return GpStatus::ok;
  const std::size_t rowFloats = std::size_t(columns.count) * 3;
  const int ring = mostOpenRows(rows);
  std::vector<float> sums(rowFloats * std::size_t(ring), 0.0f);
  std::vector<float> filtered(rowFloats);
  std::vector<std::uint8_t> decoded(std::size_t(source.width()) * 3);

  const int firstSource = rows.start.front();
  const int lastSource = rows.start.back() + rows.length.back() - 1;
  int finished = 0;  // output rows before this one are on the canvas
  for (int s = 0; s <= lastSource; ++s) {
    GpStatus status = source.readRow(decoded.data());
    if (status != GpStatus::ok)
      return status;
    if (s < firstSource)
      continue;
    filterRow(columns, decoded.data(), filtered.data());
    for (int y = finished; y < rows.count && rows.start[std::size_t(y)] <= s; ++y) {
      int tap = s - rows.start[std::size_t(y)];
      if (tap >= rows.length[std::size_t(y)])
        continue;
      float weight = rows.weights[std::size_t(y) * std::size_t(rows.taps) + std::size_t(tap)];
      addScaled(&sums[std::size_t(y % ring) * rowFloats], filtered.data(), weight, rowFloats);
    }
    while (finished < rows.count &&
           rows.start[std::size_t(finished)] + rows.length[std::size_t(finished)] - 1 <= s) {
      float* sum = &sums[std::size_t(finished % ring) * rowFloats];
      std::uint8_t* out = canvas.rgb + std::size_t(rows.first + finished) * canvas.stride +
                          std::size_t(columns.first) * 3;
      storeRow(sum, out, rowFloats);
      std::fill(sum, sum + rowFloats, 0.0f);
      ++finished;
    }
  }
  return GpStatus::ok;
}

}  // namespace pixoria::platform::imaging
