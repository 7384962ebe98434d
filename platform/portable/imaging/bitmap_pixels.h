// Read access to the pixels of a canvas made by createBitmap, for the desktop backends that hand
// a drawn canvas to the display server.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixoria/platform/imaging.h"

namespace pixoria::platform {

// Rows top to bottom, 3 bytes per pixel in the order R, G, B; `stride` bytes from one row to the
// next. The pointer stays valid while the bitmap lives and is not drawn into.
struct BitmapPixels {
  const std::uint8_t* rgb;
  int width;
  int height;
  std::size_t stride;
};

// False when `bitmap` is null or is a loaded image file rather than a canvas.
bool getBitmapPixels(Image* bitmap, BitmapPixels& pixels);

}  // namespace pixoria::platform
