// How a speculatively decoded piece fits into the scan: which units it serves and the constants
// that make its DC values right.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/jpeg_piece.h"

namespace pixoria::platform::imaging {

struct JpegPieceLink {
  std::int64_t firstMcu = 0;                // the first unit of the scan this piece serves
  std::int64_t base = 0;                    // scan unit = piece unit + base
  std::array<std::uint32_t, 3> dcOffset{};  // add to the piece's DC values, modulo 2^32
};

// Where `before` (already linked) and `after` reach the same unit start, `after` decodes the
// scan exactly. Finds the first such start and links `after` there; false when the two never
// meet within their recorded starts.
bool linkJpegPieces(const JpegPiece& before, const JpegPieceLink& beforeLink,
                    const JpegPiece& after, JpegPieceLink& afterLink);

// The piece's units from `first` on that can be trusted: up to its first invalid unit or the end
// of what it decoded.
std::int64_t trustedMcuLimit(const JpegPiece& piece, std::int64_t first);

}  // namespace pixoria::platform::imaging
