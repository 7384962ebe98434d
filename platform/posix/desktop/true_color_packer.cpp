#include "true_color_packer.h"

#include <bit>

namespace pixoria::platform {
namespace {

constexpr int kMaxChannelBits = 16;

bool placeChannel(unsigned long mask, ChannelPlacement& placement) {
  if (mask == 0 || mask > 0xFFFFFFFFul) {
    return false;
  }
  placement.shift = std::countr_zero(mask);
  placement.bits = std::popcount(mask);
  const unsigned long contiguous = ((1ul << placement.bits) - 1) << placement.shift;
  return placement.bits <= kMaxChannelBits && contiguous == mask;
}

std::uint32_t scaleChannel(std::uint8_t value, const ChannelPlacement& placement) {
  std::uint32_t scaled = value;
  if (placement.bits <= 8) {
    scaled >>= 8 - placement.bits;
  } else {
    // Repeat the high bits into the low ones so that 0xFF becomes all ones.
    scaled = (scaled << (placement.bits - 8)) | (scaled >> (16 - placement.bits));
  }
  return scaled << placement.shift;
}

}  // namespace

bool TrueColorPacker::create(unsigned long redMask, unsigned long greenMask, unsigned long blueMask,
                             int bitsPerPixel, bool mostSignificantByteFirst,
                             TrueColorPacker& packer) {
  TrueColorPacker made;
  if (!placeChannel(redMask, made.red_) || !placeChannel(greenMask, made.green_) ||
      !placeChannel(blueMask, made.blue_)) {
    return false;
  }
  if ((redMask & greenMask) != 0 || (redMask & blueMask) != 0 || (greenMask & blueMask) != 0) {
    return false;
  }
  if (bitsPerPixel != 24 && bitsPerPixel != 32) {
    return false;
  }
  const unsigned long used = redMask | greenMask | blueMask;
  if (bitsPerPixel == 24 && used > 0xFFFFFFul) {
    return false;
  }
  made.bytesPerPixel_ = bitsPerPixel / 8;
  made.mostSignificantByteFirst_ = mostSignificantByteFirst;
  packer = made;
  return true;
}

std::uint32_t TrueColorPacker::pixel(std::uint8_t red, std::uint8_t green,
                                     std::uint8_t blue) const {
  return scaleChannel(red, red_) | scaleChannel(green, green_) | scaleChannel(blue, blue_);
}

void TrueColorPacker::packRow(const std::uint8_t* rgb, int width, std::uint8_t* out) const {
  for (int column = 0; column < width; ++column, rgb += 3, out += bytesPerPixel_) {
    const std::uint32_t word = pixel(rgb[0], rgb[1], rgb[2]);
    for (int byte = 0; byte < bytesPerPixel_; ++byte) {
      const int significance = mostSignificantByteFirst_ ? bytesPerPixel_ - 1 - byte : byte;
      out[byte] = static_cast<std::uint8_t>(word >> (8 * significance));
    }
  }
}

}  // namespace pixoria::platform
