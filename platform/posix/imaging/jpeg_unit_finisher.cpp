#include "imaging/jpeg_unit_finisher.h"

#include "imaging/ycbcr_to_rgb.h"

namespace pixoria::platform::imaging {

JpegUnitFinisher::JpegUnitFinisher(const JpegScanLayout& layout) : layout_(layout) {
  std::array<int, 3> blocksSoFar{};
  for (int c = 0; c < layout_.componentCount; ++c) {
    const JpegComponentLayout& component = layout_.components[static_cast<std::size_t>(c)];
    horizontalShift_[static_cast<std::size_t>(c)] =
        component.horizontal == layout_.maxHorizontal ? 0 : 1;
    verticalShift_[static_cast<std::size_t>(c)] = component.vertical == layout_.maxVertical ? 0 : 1;
  }
  fullRate_ = layout_.maxHorizontal == 1 && layout_.maxVertical == 1;
  for (int b = 0; b < layout_.blocksPerMcu; ++b) {
    int c = layout_.blockComponent[static_cast<std::size_t>(b)];
    int index = blocksSoFar[static_cast<std::size_t>(c)]++;
    int across = layout_.components[static_cast<std::size_t>(c)].horizontal;
    blockRow_[static_cast<std::size_t>(b)] = index / across;
    blockColumn_[static_cast<std::size_t>(b)] = index % across;
  }
}

void JpegUnitFinisher::finish(const JpegPiece& piece, const JpegPieceLink& link, std::int64_t first,
                              std::int64_t end, std::uint8_t* out, std::size_t stride) const {
  switch (layout_.scale) {
    case 1:
      return finishScaled<1>(piece, link, first, end, out, stride);
    case 2:
      return finishScaled<2>(piece, link, first, end, out, stride);
    case 3:
      return finishScaled<3>(piece, link, first, end, out, stride);
    default:
      return finishScaled<4>(piece, link, first, end, out, stride);
  }
}

template <int N>
void JpegUnitFinisher::finishScaled(const JpegPiece& piece, const JpegPieceLink& link,
                                    std::int64_t first, std::int64_t end, std::uint8_t* out,
                                    std::size_t stride) const {
  const std::size_t unitBytes = static_cast<std::size_t>(layout_.maxHorizontal * N) * 3;
  for (std::int64_t mcu = first; mcu < end; ++mcu, out += unitBytes) {
    const std::int16_t* values = piece.mcus.at(mcu - link.base);
    if (fullRate_) {
      finishFullRateUnit<N>(values, link, out, stride);
    } else {
      finishUnit<N>(values, link, out, stride);
    }
  }
}

int JpegUnitFinisher::blockLevel(const std::int16_t* block, int component,
                                 const JpegPieceLink& link) const {
  auto dc = static_cast<std::int16_t>(static_cast<std::uint16_t>(
      static_cast<std::uint32_t>(block[0]) + link.dcOffset[static_cast<std::size_t>(component)]));
  return static_cast<int>(dc) * layout_.components[static_cast<std::size_t>(component)].quant[0] +
         1024 + 4;
}

// Three blocks at the same rate (or one, grey): each sample straight to a pixel.
template <int N>
void JpegUnitFinisher::finishFullRateUnit(const std::int16_t* values, const JpegPieceLink& link,
                                          std::uint8_t* out, std::size_t stride) const {
  constexpr int kStride = 1 + N * N;
  if (layout_.componentCount == 1) {
    int level = blockLevel(values, 0, link);
    for (int y = 0; y < N; ++y, out += stride) {
      for (int x = 0; x < N; ++x) {
        std::uint8_t grey = clampToByte((values[1 + y * N + x] + level) >> 3);
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = grey;
      }
    }
    return;
  }
  int luma = blockLevel(values, 0, link);
  int blue = blockLevel(values + kStride, 1, link);
  int red = blockLevel(values + 2 * kStride, 2, link);
  for (int y = 0; y < N; ++y, out += stride) {
    for (int x = 0; x < N; ++x) {
      int i = 1 + y * N + x;
      ycbcrToRgb(clampToByte((values[i] + luma) >> 3),
                 clampToByte((values[kStride + i] + blue) >> 3),
                 clampToByte((values[2 * kStride + i] + red) >> 3), out + 3 * x);
    }
  }
}

// Subsampled components: each block's samples into the unit's own small planes, then every pixel
// converted to RGB with chroma at half rate repeated.
template <int N>
void JpegUnitFinisher::finishUnit(const std::int16_t* values, const JpegPieceLink& link,
                                  std::uint8_t* out, std::size_t stride) const {
  constexpr int kSide = 2 * N;  // the largest plane: two blocks a side
  std::uint8_t planes[3][kSide * kSide];
  for (int b = 0; b < layout_.blocksPerMcu; ++b, values += 1 + N * N) {
    int c = layout_.blockComponent[static_cast<std::size_t>(b)];
    int level = blockLevel(values, c, link);
    std::uint8_t* corner = &planes[c][blockRow_[static_cast<std::size_t>(b)] * N * kSide +
                                      blockColumn_[static_cast<std::size_t>(b)] * N];
    for (int y = 0; y < N; ++y) {
      for (int x = 0; x < N; ++x) {
        corner[y * kSide + x] = clampToByte((values[1 + y * N + x] + level) >> 3);
      }
    }
  }
  const int height = layout_.maxVertical * N, width = layout_.maxHorizontal * N;
  for (int y = 0; y < height; ++y, out += stride) {
    const std::uint8_t* rows[3];
    for (int c = 0; c < layout_.componentCount; ++c) {
      rows[c] = planes[c] + (y >> verticalShift_[static_cast<std::size_t>(c)]) * kSide;
    }
    if (layout_.componentCount == 1) {
      for (int x = 0; x < width; ++x) {
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = rows[0][x];
      }
      continue;
    }
    for (int x = 0; x < width; ++x) {
      ycbcrToRgb(rows[0][x >> horizontalShift_[0]], rows[1][x >> horizontalShift_[1]],
                 rows[2][x >> horizontalShift_[2]], out + 3 * x);
    }
  }
}

}  // namespace pixoria::platform::imaging
