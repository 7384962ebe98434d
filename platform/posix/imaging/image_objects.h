// What the opaque Image and Graphics handles hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/unique_fd.h"
#include "imaging/decoders.h"
#include "pixoria/platform/imaging.h"

namespace pixoria::platform {

// Either a loaded file (header read, the descriptor kept open for the decode) or a canvas.
class Image {
 public:
  bool isCanvas() const { return !file.valid(); }

  std::uint32_t width = 0;
  std::uint32_t height = 0;

  // A loaded file.
  posix::UniqueFd file;
  imaging::ImageFormat format = imaging::ImageFormat::jpeg;

  // A canvas: 24-bit rows, top to bottom.
  std::size_t stride = 0;
  std::vector<std::uint8_t> pixels;
};

class Graphics {
 public:
  Image* canvas = nullptr;
  InterpolationMode interpolation = InterpolationMode::highQualityBicubic;
  SmoothingMode smoothing = SmoothingMode::highQuality;
};

}  // namespace pixoria::platform
