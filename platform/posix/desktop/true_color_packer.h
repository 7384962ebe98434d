// Turns rows of R,G,B bytes into the pixel words of a TrueColor visual: each channel scaled to
// its mask's width and shifted into place, stored in the image's byte order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixoria::platform {

struct ChannelPlacement {
  int shift = 0;  // lowest bit of the mask
  int bits = 0;   // width of the mask
};

class TrueColorPacker {
 public:
  // False for a layout this packer cannot write: masks that are empty, not contiguous, wider than
  // 16 bits or overlapping, or pixels other than 24 or 32 bits.
  static bool create(unsigned long redMask, unsigned long greenMask, unsigned long blueMask,
                     int bitsPerPixel, bool mostSignificantByteFirst, TrueColorPacker& packer);

  std::uint32_t pixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

  // Writes `width` pixels from `rgb` (3 bytes each) into `out` (bytesPerPixel() each).
  void packRow(const std::uint8_t* rgb, int width, std::uint8_t* out) const;

  int bytesPerPixel() const { return bytesPerPixel_; }

 private:
  ChannelPlacement red_;
  ChannelPlacement green_;
  ChannelPlacement blue_;
  int bytesPerPixel_ = 4;
  bool mostSignificantByteFirst_ = false;
};

}  // namespace pixoria::platform
