// High-quality bicubic resampling of a streamed image into part of a canvas.
//
// Separable: each source row is filtered horizontally as it arrives (only the canvas columns
// covered), then added into the few output rows it contributes to. When shrinking, the kernel
// widens with the reduction factor, so every source pixel counts and nothing aliases. Memory
// follows the covered part of the canvas, not the source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/row_source.h"

namespace pixoria::platform::imaging {

// One axis of a draw: the destination span on the canvas, the source span in the (possibly
// shrunk-on-load) decoded image, both in pixels.
struct AxisMapping {
  double destinationStart = 0;
  double destinationLength = 0;
  int canvasLength = 0;
  double sourceStart = 0;
  double sourceLength = 0;
  int decodedLength = 0;
};

// The filter taps of every covered output pixel along one axis. Output i (canvas coordinate
// first + i) reads source pixels start[i] .. start[i] + length[i] - 1 with the weights at
// weights[i * taps].
struct AxisTaps {
  int first = 0;
  int count = 0;
  int taps = 0;
  std::vector<int> start;
  std::vector<int> length;
  std::vector<float> weights;
};

AxisTaps computeAxisTaps(const AxisMapping& axis);

// A 24-bit canvas to draw into.
struct CanvasView {
  std::uint8_t* rgb = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
};

// Reads rows from `source` until the last one the covered canvas needs, and writes the covered
// canvas pixels. Rows after that are never decoded.
GpStatus resampleInto(RowSource& source, const AxisTaps& columns, const AxisTaps& rows,
                      CanvasView canvas);

}  // namespace pixoria::platform::imaging
