// JFIF's YCbCr to RGB in libjpeg's 16-bit fixed point.
#pragma once

#include <cstdint>

namespace pixoria::platform::imaging {

inline std::uint8_t clampToByte(int value) {
  return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

inline void ycbcrToRgb(int y, int cb, int cr, std::uint8_t* rgb) {
  constexpr int kRedFromCr = 91881;     // 1.40200 * 2^16
  constexpr int kGreenFromCb = -22554;  // -0.34414 * 2^16
  constexpr int kGreenFromCr = -46802;  // -0.71414 * 2^16
  constexpr int kBlueFromCb = 116130;   // 1.77200 * 2^16
  constexpr int kHalf = 1 << 15;
  cb -= 128;
  cr -= 128;
  rgb[0] = clampToByte(y + ((kRedFromCr * cr + kHalf) >> 16));
  rgb[1] = clampToByte(y + ((kGreenFromCb * cb + kGreenFromCr * cr + kHalf) >> 16));
  rgb[2] = clampToByte(y + ((kBlueFromCb * cb + kHalf) >> 16));
}

}  // namespace pixoria::platform::imaging
