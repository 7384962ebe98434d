// The pixels of a GDI+ canvas, for code that copies them elsewhere (the application's preview).
// GDI+ keeps 24-bit pixels as B, G, R and may hold them anywhere, so they are read through
// LockBits into a buffer of this thread, in the R, G, B order that imaging.h promises. The
// pointer stays valid until the next call on the same thread, which covers the one caller: it
// copies the rows at once.
#include <windows.h>
// The Windows headers below need windows.h before them.
#include <gdiplus.h>

#include <new>
#include <utility>
#include <vector>

#include "pixoria/platform/imaging.h"

namespace pixoria::platform {

namespace {

namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

// The rows' bytes swapped from B, G, R to R, G, B, in place.
void swapRedAndBlue(std::uint8_t* rows, int width, int height, std::size_t stride) {
  for (int y = 0; y < height; ++y) {
    std::uint8_t* pixel = rows + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x, pixel += 3) {
      std::swap(pixel[0], pixel[2]);
    }
  }
}

}  // namespace

bool getBitmapPixels(Image* bitmap, BitmapPixels& pixels) {
  auto* image = reinterpret_cast<gp::GpImage*>(bitmap);
  gp::ImageType type = gp::ImageTypeUnknown;
  if (image == nullptr || flat::GdipGetImageType(image, &type) != gp::Ok ||
      type != gp::ImageTypeBitmap) {
    return false;
  }
  UINT width = 0;
  UINT height = 0;
  flat::GdipGetImageWidth(image, &width);
  flat::GdipGetImageHeight(image, &height);
  if (width == 0 || height == 0) {
    return false;
  }
  static thread_local std::vector<std::uint8_t> buffer;
  const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
  try {
    buffer.assign(stride * height, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // LockBits copies into the caller's buffer when asked to (ImageLockModeUserInputBuf).
  gp::BitmapData data{};
  data.Width = width;
  data.Height = height;
  data.Stride = static_cast<INT>(stride);
  data.PixelFormat = PixelFormat24bppRGB;
  data.Scan0 = buffer.data();
  const gp::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  auto* gpBitmap = static_cast<gp::GpBitmap*>(image);
  if (flat::GdipBitmapLockBits(gpBitmap, &whole,
                               gp::ImageLockModeRead | gp::ImageLockModeUserInputBuf,
                               PixelFormat24bppRGB, &data) != gp::Ok) {
    return false;
  }
  flat::GdipBitmapUnlockBits(gpBitmap, &data);
  swapRedAndBlue(buffer.data(), static_cast<int>(width), static_cast<int>(height), stride);
  pixels = {buffer.data(), static_cast<int>(width), static_cast<int>(height), stride};
  return true;
}

}  // namespace pixoria::platform
