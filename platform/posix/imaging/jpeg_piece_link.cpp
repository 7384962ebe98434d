#include "imaging/jpeg_piece_link.h"

#include <algorithm>

namespace pixoria::platform::imaging {

bool linkJpegPieces(const JpegPiece& before, const JpegPieceLink& beforeLink,
                    const JpegPiece& after, JpegPieceLink& afterLink) {
  // Both lists are in stream order: walk them together.
  auto tail = before.tail.begin();
  auto head = after.head.begin();
  while (tail != before.tail.end() && head != after.head.end()) {
    if (tail->position < head->position) {
      ++tail;
    } else if (head->position < tail->position) {
      ++head;
    } else {
      afterLink.firstMcu = beforeLink.base + tail->mcu;
      afterLink.base = afterLink.firstMcu - head->mcu;
      for (std::size_t c = 0; c < 3; ++c) {
        afterLink.dcOffset[c] = static_cast<std::uint32_t>(tail->dc[c]) + beforeLink.dcOffset[c] -
                                static_cast<std::uint32_t>(head->dc[c]);
      }
      return afterLink.firstMcu > beforeLink.firstMcu;
    }
  }
  return false;
}

std::int64_t trustedMcuLimit(const JpegPiece& piece, std::int64_t first) {
  if (piece.tooManyBad) {
    return first;
  }
  auto bad = std::lower_bound(piece.badMcus.begin(), piece.badMcus.end(), first);
  std::int64_t limit = piece.mcus.count();
  return bad == piece.badMcus.end() ? limit : std::min(limit, *bad);
}

}  // namespace pixoria::platform::imaging
