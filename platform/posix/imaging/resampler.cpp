#include "imaging/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pixoria::platform::imaging {
namespace {

// Catmull-Rom (Keys' cubic with a = -0.5): sharp, no overshoot beyond one small lobe.
float bicubic(double x) {
  x = std::fabs(x);
  if (x < 1) {
    return static_cast<float>((1.5 * x - 2.5) * x * x + 1);
  }
  if (x < 2) {
    return static_cast<float>(((-0.5 * x + 2.5) * x - 4) * x + 2);
  }
  return 0;
}

// The canvas pixels whose centres fall inside the destination span.
void coveredRange(const AxisMapping& axis, int& first, int& end) {
  double from = std::ceil(axis.destinationStart - 0.5);
  double to = std::ceil(axis.destinationStart + axis.destinationLength - 0.5);
  first = static_cast<int>(std::clamp(from, 0.0, static_cast<double>(axis.canvasLength)));
  end = static_cast<int>(std::clamp(to, 0.0, static_cast<double>(axis.canvasLength)));
}

}  // namespace

AxisTaps computeAxisTaps(const AxisMapping& axis) {
  AxisTaps result;
  int end = 0;
  coveredRange(axis, result.first, end);
  int lowest = std::max(0, static_cast<int>(std::floor(axis.sourceStart)));
  int highest = std::min(axis.decodedLength,
                         static_cast<int>(std::ceil(axis.sourceStart + axis.sourceLength))) -
                1;
  if (end <= result.first || highest < lowest) {
    return result;
  }

  double step = axis.sourceLength / axis.destinationLength;
  double scale = std::max(1.0, step);
  double radius = 2 * scale;
  result.count = end - result.first;
  result.taps = static_cast<int>(
      std::min(static_cast<double>(highest - lowest + 1), std::ceil(2 * radius) + 1));
  result.start.resize(static_cast<std::size_t>(result.count));
  result.length.resize(static_cast<std::size_t>(result.count));
  result.weights.assign(
      static_cast<std::size_t>(result.count) * static_cast<std::size_t>(result.taps), 0.0f);

  for (int i = 0; i < result.count; ++i) {
    double centre =
        axis.sourceStart + (result.first + i + 0.5 - axis.destinationStart) * step - 0.5;
    // Taps beyond the edges are dropped and the rest renormalised.
    int from =
        static_cast<int>(std::clamp(std::floor(centre - radius) + 1, static_cast<double>(lowest),
                                    static_cast<double>(highest)));
    int to =
        static_cast<int>(std::clamp(std::ceil(centre + radius) - 1, static_cast<double>(lowest) - 1,
                                    static_cast<double>(highest)));
    to = std::min(to, from + result.taps - 1);
    if (to < from) {
      from = to = static_cast<int>(std::clamp(std::round(centre), static_cast<double>(lowest),
                                              static_cast<double>(highest)));
    }
    float* weights =
        &result.weights[static_cast<std::size_t>(i) * static_cast<std::size_t>(result.taps)];
    double sum = 0;
    for (int s = from; s <= to; ++s) {
      sum += weights[s - from] = bicubic((s - centre) / scale);
    }
    if (std::fabs(sum) < 1e-6) {
      std::fill(weights, weights + (to - from + 1), 0.0f);
      weights[static_cast<int>(std::clamp(std::round(centre), static_cast<double>(from),
                                          static_cast<double>(to))) -
              from] = 1;
      sum = 1;
    }
    for (int s = 0; s <= to - from; ++s) {
      weights[s] = static_cast<float>(weights[s] / sum);
    }
    // Every window has the same number of taps, so the inner loops have a fixed length: a window
    // near the far edge starts earlier and leads with zero weights.
    int start = std::max(lowest, std::min(from, highest - result.taps + 1));
    std::copy_backward(weights, weights + (to - from + 1), weights + (to - start + 1));
    std::fill(weights, weights + (from - start), 0.0f);
    result.start[static_cast<std::size_t>(i)] = start;
    result.length[static_cast<std::size_t>(i)] = to - start + 1;
  }
  return result;
}

namespace {

typedef float Floats4 __attribute__((vector_size(16)));

// An AVX2 clone beside the baseline one, picked at load time on x86-64.
#if defined(__x86_64__) && !defined(PIXORIA_NO_TARGET_CLONES)
#define PIXORIA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PIXORIA_VECTOR_CLONES
#endif

// Room after a row of sums for the fourth lane of the last pixel's vector.
constexpr std::size_t kRowPadding = 1;

// Loops over blocks of a fixed width, which the compiler turns into vector instructions.
constexpr std::size_t kBlock = 16;

// One output row a source row contributes to, with the weight it carries there.
struct Contribution {
  float* sum;
  float weight;
};

// Adds a decoded row into every output row it contributes to, converting each byte once and
// walking the row once, in blocks the compiler vectorises (with AVX2 where the processor has it).
PIXORIA_VECTOR_CLONES void addRow(const std::uint8_t* row, std::size_t count,
                                  const Contribution* to, int contributions) {
  std::size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    float values[kBlock];
    for (std::size_t j = 0; j < kBlock; ++j) {
      values[j] = static_cast<float>(row[i + j]);
    }
    for (int c = 0; c < contributions; ++c) {
      float* __restrict sum = to[c].sum + i;
      const float weight = to[c].weight;
      for (std::size_t j = 0; j < kBlock; ++j) {
        sum[j] += weight * values[j];
      }
    }
  }
  for (; i < count; ++i) {
    for (int c = 0; c < contributions; ++c) {
      to[c].sum[i] += to[c].weight * static_cast<float>(row[i]);
    }
  }
}

// Filters one vertically-filtered row (RGB floats from the first needed source column) into
// canvas pixels.
void filterColumns(const AxisTaps& columns, int firstColumn, const float* sum, std::uint8_t* out) {
  const std::size_t taps = static_cast<std::size_t>(columns.taps);
  for (int i = 0; i < columns.count; ++i) {
    const float* weights = &columns.weights[static_cast<std::size_t>(i) * taps];
    const float* pixel = sum + 3 * static_cast<std::size_t>(
                                       columns.start[static_cast<std::size_t>(i)] - firstColumn);
    // R, G, B and the next pixel's R (ignored) in one vector: a row of sums has room for it.
    Floats4 rgb = {0, 0, 0, 0};
    for (std::size_t k = 0; k < taps; ++k, pixel += 3) {
      Floats4 value;
      std::memcpy(&value, pixel, sizeof value);
      rgb += weights[k] * value;
    }
    for (int c = 0; c < 3; ++c) {
      out[3 * i + c] = static_cast<std::uint8_t>(std::clamp(rgb[c] + 0.5f, 0.0f, 255.0f));
    }
  }
}

// The most output rows that are open (started, not finished) at once.
int mostOpenRows(const AxisTaps& rows) {
  int most = 1;
  int later = 0;
  for (int y = 0; y < rows.count; ++y) {
    int lastSource =
        rows.start[static_cast<std::size_t>(y)] + rows.length[static_cast<std::size_t>(y)] - 1;
    later = std::max(later, y);
    while (later + 1 < rows.count &&
           rows.start[static_cast<std::size_t>(later + 1)] <= lastSource) {
      ++later;
    }
    most = std::max(most, later - y + 1);
  }
  return most;
}

int lastTap(const AxisTaps& axis, int i) {
  return axis.start[static_cast<std::size_t>(i)] + axis.length[static_cast<std::size_t>(i)] - 1;
}

}  // namespace

// Vertical first: each decoded row, cut to the needed columns, is added into the open output rows
// it contributes to (a few, whatever the source size); a finished output row is then filtered
// horizontally into the canvas. The vertical pass is plain vector arithmetic on whole rows, and
// the costlier horizontal pass runs once per canvas row, not once per source row.
GpStatus resampleInto(RowSource& source, const AxisTaps& columns, const AxisTaps& rows,
                      CanvasView canvas) {
  if (columns.count == 0 || rows.count == 0) {
    return GpStatus::ok;
  }
  const int firstColumn = columns.start.front();
  const int lastColumn = columns.start.back() + columns.taps - 1;
  const std::size_t span = static_cast<std::size_t>(lastColumn - firstColumn + 1) * 3;
  const int ring = mostOpenRows(rows);
  const std::size_t slot = span + kRowPadding;
  std::vector<float> sums(slot * static_cast<std::size_t>(ring), 0.0f);
  std::vector<Contribution> to(static_cast<std::size_t>(ring));
  source.restrictColumns(firstColumn, lastColumn);
  if (source.firstColumn() > firstColumn ||
      source.firstColumn() + source.deliveredWidth() <= lastColumn) {
    return GpStatus::genericError;
  }
  std::vector<std::uint8_t> decoded(static_cast<std::size_t>(source.deliveredWidth()) * 3);
  const std::uint8_t* needed =
      decoded.data() + static_cast<std::size_t>(firstColumn - source.firstColumn()) * 3;

  const int firstSource = rows.start.front();
  const int lastSource = lastTap(rows, rows.count - 1);
  GpStatus skipped = source.skipRows(firstSource);
  if (skipped != GpStatus::ok) {
    return skipped;
  }
  int finished = 0;  // output rows before this one are on the canvas
  for (int s = firstSource; s <= lastSource; ++s) {
    GpStatus status = source.readRow(decoded.data());
    if (status != GpStatus::ok) {
      return status;
    }
    int contributions = 0;
    for (int y = finished; y < rows.count && rows.start[static_cast<std::size_t>(y)] <= s; ++y) {
      int tap = s - rows.start[static_cast<std::size_t>(y)];
      float weight =
          rows.weights[static_cast<std::size_t>(y) * static_cast<std::size_t>(rows.taps) +
                       static_cast<std::size_t>(tap)];
      if (tap < rows.length[static_cast<std::size_t>(y)] && weight != 0) {
        to[static_cast<std::size_t>(contributions++)] = {
            &sums[static_cast<std::size_t>(y % ring) * slot], weight};
      }
    }
    addRow(needed, span, to.data(), contributions);
    for (; finished < rows.count && lastTap(rows, finished) <= s; ++finished) {
      float* sum = &sums[static_cast<std::size_t>(finished % ring) * slot];
      std::uint8_t* out = canvas.rgb +
                          static_cast<std::size_t>(rows.first + finished) * canvas.stride +
                          static_cast<std::size_t>(columns.first) * 3;
      filterColumns(columns, firstColumn, sum, out);
      std::fill(sum, sum + span, 0.0f);
    }
  }
  return GpStatus::ok;
}

}  // namespace pixoria::platform::imaging
