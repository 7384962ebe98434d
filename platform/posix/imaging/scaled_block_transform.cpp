#include "imaging/scaled_block_transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pixoria::platform::imaging {
namespace {

// Natural (row-major) position of each zigzag position.
constexpr std::array<std::uint8_t, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

}  // namespace

ScaledBlockTransform::ScaledBlockTransform(int scale, const std::array<std::uint16_t, 64>& quant)
    : scale_(scale) {
  std::array<double, kMaxKeptCoefficients> dequant{};
  auto discard = static_cast<std::uint8_t>(scale * scale);
  slots_.fill(discard);
  for (int k = 0; k < 64; ++k) {
    int natural = kZigzagToNatural[static_cast<std::size_t>(k)];
    int v = natural / 8, u = natural % 8;
    if (v < scale && u < scale) {
      slots_[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v * scale + u);
      dequant[static_cast<std::size_t>(v * scale + u)] = quant[static_cast<std::size_t>(natural)];
    }
  }
  // The 8-point IDCT's normalisation, sampled at scale points: each sample stands for the mean
  // of 8 / scale pixels. Samples come out eight times their value.
  std::array<double, kMaxTransformScale * kMaxTransformScale> basis{};  // [x * scale + u]
  for (int x = 0; x < scale; ++x) {
    for (int u = 0; u < scale; ++u) {
      double weight = u == 0 ? std::numbers::sqrt2 / 2 : 1.0;
      double angle = (2 * x + 1) * u * std::numbers::pi / (2 * scale);
      basis[static_cast<std::size_t>(x * scale + u)] =
          weight / 2 * std::cos(angle) * std::sqrt(8.0);
    }
  }
  // Each kept coefficient's contribution to the samples, dequantisation included.
  for (int slot = 0; slot < scale * scale; ++slot) {
    int v = slot / scale, u = slot % scale;
    for (int y = 0; y < scale; ++y) {
      for (int x = 0; x < scale; ++x) {
        double value = dequant[static_cast<std::size_t>(slot)] *
                       basis[static_cast<std::size_t>(y * scale + v)] *
                       basis[static_cast<std::size_t>(x * scale + u)];
        patterns_[static_cast<std::size_t>(slot * lanesFor(scale) + y * scale + x)] =
            static_cast<float>(value);
      }
    }
  }
}

// Sums the coefficients' patterns in vectors of four floats, then rounds. No branches on the data
// (which coefficients are zero is unpredictable). With coefficients below 2^15 and quantisers
// below 2^8 every sum fits an int.
template <int N>
void ScaledBlockTransform::applyScaled(const std::int32_t* coefficients,
                                       std::int16_t* samples) const {
  // Smooth blocks (most chroma blocks) keep no AC coefficient at all.
  std::int32_t any = 0;
  for (int slot = 1; slot < N * N; ++slot) {
    any |= coefficients[slot];
  }
  if (any == 0) {
    std::fill(samples, samples + N * N, std::int16_t{0});
    return;
  }
  constexpr int kVectors = lanesFor(N) / 4;
  const auto* patterns = reinterpret_cast<const Float4*>(patterns_.data());
  // Two sets of sums, odd and even slots, halve the chains of dependent additions.
  Float4 sums[kVectors] = {};
  Float4 oddSums[kVectors] = {};
  for (int slot = 1; slot < N * N; ++slot) {
    Float4 coefficient = Float4{} + static_cast<float>(coefficients[slot]);
    Float4* into = slot % 2 ? oddSums : sums;
    for (int v = 0; v < kVectors; ++v) {
      into[v] += coefficient * patterns[slot * kVectors + v];
    }
  }
  for (int v = 0; v < kVectors; ++v) {
    sums[v] += oddSums[v];
  }
  for (int v = 0; v < kVectors; ++v) {
    // To nearest for |sum| < 2^16: offset to positive, then truncate.
    Int4 rounded = __builtin_convertvector(sums[v] + 65536.5f, Int4) - 65536;
    rounded = rounded < -32768 ? Int4{} - 32768 : rounded;
    rounded = rounded > 32767 ? Int4{} + 32767 : rounded;
    for (int i = 0; i < 4 && v * 4 + i < N * N; ++i) {
      samples[v * 4 + i] = static_cast<std::int16_t>(rounded[i]);
    }
  }
}

void ScaledBlockTransform::apply(const std::int32_t* coefficients, std::int16_t* samples) const {
  switch (scale_) {
    case 1:
      samples[0] = 0;
      return;
    case 2:
      return applyScaled<2>(coefficients, samples);
    case 3:
      return applyScaled<3>(coefficients, samples);
    default:
      return applyScaled<4>(coefficients, samples);
  }
}

}  // namespace pixoria::platform::imaging
