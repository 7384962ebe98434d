// The inverse DCT of a block's lowest scale x scale frequencies: the block shrunk to scale x scale
// samples on the way, as libjpeg's scaled decoding does. The DC term is left out, so that a
// constant error in a block's DC value can be corrected after the transform.
#pragma once

#include <array>
#include <cstdint>

namespace pixoria::platform::imaging {

inline constexpr int kMaxTransformScale = 4;
inline constexpr int kMaxKeptCoefficients = kMaxTransformScale * kMaxTransformScale;

class ScaledBlockTransform {
 public:
  // `quant` in natural order; scale 1 .. kMaxTransformScale.
  ScaledBlockTransform(int scale, const std::array<std::uint16_t, 64>& quant);

  // Where the coefficient at zigzag position k (0 .. 79; past 63 is past the block) is kept:
  // 0 .. scale * scale - 1, or scale * scale for one that does not count.
  const std::array<std::uint8_t, 80>& slots() const { return slots_; }

  // `coefficients` as slots() places them, each below 2^15 in magnitude; quantisers below 2^8.
  // Writes scale * scale samples, eight times their value around zero (level shift and DC left
  // out), saturated to 16 bits.
  void apply(const std::int32_t* coefficients, std::int16_t* samples) const;

 private:
  template <int N>
  void applyScaled(const std::int32_t* coefficients, std::int16_t* samples) const;

  int scale_;
  std::array<std::uint8_t, 80> slots_{};
  // A block's samples padded to whole vectors of four.
  static constexpr int lanesFor(int scale) { return (scale * scale + 3) / 4 * 4; }

  // Vectors of four, as GCC and Clang provide them on every target.
  using Float4 = float __attribute__((vector_size(16)));
  using Int4 = std::int32_t __attribute__((vector_size(16)));

  // [slot * lanesFor(scale) + sample]: what a coefficient of 1 in that slot adds to each sample.
  alignas(16) std::array<float, kMaxKeptCoefficients * kMaxKeptCoefficients> patterns_{};
};

}  // namespace pixoria::platform::imaging
