// Bounds on what an untrusted image may make the decoders allocate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixoria::platform::imaging {

// Largest side an image may declare; every format we read fits in 16 bits except PNG and BMP.
inline constexpr std::uint32_t kMaxImageSide = 65535;
// Largest pixel count a streamed image may declare (18000 x 10000 photographs fit).
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 28;
// Largest buffer a decoder may hold for a whole image (progressive JPEG coefficients, interlaced
// PNG, GIF frames, WebP).
inline constexpr std::size_t kMaxWholeImageBytes = std::size_t{256} << 20;
// Most scans a JPEG may have. Each scan of a progressive file makes libjpeg walk every
// coefficient of the image again, so thousands of tiny scans cost minutes; real encoders write
// about ten. The bound is djpeg's -maxscans.
inline constexpr int kMaxJpegScans = 500;
// Largest canvas createBitmap makes.
inline constexpr std::uint64_t kMaxCanvasPixels = std::uint64_t{1} << 26;
// Largest WebP file read into memory.
inline constexpr std::uint64_t kMaxWebpFileBytes = std::uint64_t{64} << 20;

inline bool sizeWithinLimits(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

}  // namespace pixoria::platform::imaging
