// A unit's decoded blocks made into RGB pixels: each block's DC value corrected by its piece's
// offset, the level shift and clamping applied, chroma sampled at half the rate repeated.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "imaging/jpeg_piece.h"
#include "imaging/jpeg_piece_link.h"
#include "imaging/jpeg_scan_layout.h"

namespace pixoria::platform::imaging {

class JpegUnitFinisher {
 public:
  explicit JpegUnitFinisher(const JpegScanLayout& layout);

  // The bytes of one unit along a row of pixels.
  std::size_t unitBytes() const {
    return static_cast<std::size_t>(layout_.maxHorizontal * layout_.scale) * 3;
  }

  // Units first .. end - 1 of `piece`, all in one row of units, side by side from `out` on, in
  // rows of pixels `stride` bytes apart.
  void finish(const JpegPiece& piece, const JpegPieceLink& link, std::int64_t first,
              std::int64_t end, std::uint8_t* out, std::size_t stride) const;

 private:
  template <int N>
  void finishScaled(const JpegPiece& piece, const JpegPieceLink& link, std::int64_t first,
                    std::int64_t end, std::uint8_t* out, std::size_t stride) const;
  int blockLevel(const std::int16_t* block, int component, const JpegPieceLink& link) const;
  template <int N>
  void finishFullRateUnit(const std::int16_t* values, const JpegPieceLink& link, std::uint8_t* out,
                          std::size_t stride) const;
  template <int N>
  void finishUnit(const std::int16_t* values, const JpegPieceLink& link, std::uint8_t* out,
                  std::size_t stride) const;

  const JpegScanLayout& layout_;
  // 1 for a component sampled at half the largest rate along that axis, else 0.
  std::array<int, 3> horizontalShift_{};
  std::array<int, 3> verticalShift_{};
  bool fullRate_ = true;  // every component at the largest rate: no planes needed
  // Where each block of a unit goes in its component's plane, in blocks.
  std::array<int, kMaxBlocksPerMcu> blockRow_{};
  std::array<int, kMaxBlocksPerMcu> blockColumn_{};
};

}  // namespace pixoria::platform::imaging
