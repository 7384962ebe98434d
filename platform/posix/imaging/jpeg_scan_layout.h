// What a decoder needs to know of a baseline JPEG's single interleaved scan, taken from the header
// libjpeg has read: the block layout of a minimum coded unit, the Huffman and quantisation
// tables, and the scale the image is decoded at.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "imaging/huffman_table.h"
#include "imaging/jpeg_error.h"

namespace pixoria::platform::imaging {

inline constexpr int kMaxBlocksPerMcu = 10;

struct JpegComponentLayout {
  int horizontal = 1;  // sampling factors
  int vertical = 1;
  int dcTable = 0;
  int acTable = 0;
  std::array<std::uint16_t, 64> quant{};  // natural order
};

struct JpegScanLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int scale = 8;  // decoded at scale/8: every block gives scale x scale samples
  int componentCount = 0;
  std::array<JpegComponentLayout, 3> components;
  int maxHorizontal = 1;
  int maxVertical = 1;
  int mcusPerRow = 0;
  int mcuRows = 0;
  int blocksPerMcu = 0;
  std::array<std::uint8_t, kMaxBlocksPerMcu> blockComponent{};
  std::array<HuffmanTable, 4> dcTables;
  std::array<HuffmanTable, 4> acTables;

  std::int64_t mcuCount() const { return static_cast<std::int64_t>(mcusPerRow) * mcuRows; }
  int outputWidth() const {
    return static_cast<int>((static_cast<std::uint64_t>(width) * static_cast<unsigned>(scale) + 7) /
                            8);
  }
  int outputHeight() const {
    return static_cast<int>(
        (static_cast<std::uint64_t>(height) * static_cast<unsigned>(scale) + 7) / 8);
  }
};

// The layout of the scan libjpeg stopped at in jpeg_read_header, decoded at scale/8; nothing for
// anything but 8-bit baseline Huffman YCbCr or greyscale in one interleaved scan without restart
// markers, with sampling factors of 1 or 2 that divide the largest.
std::optional<JpegScanLayout> describeBaselineScan(const jpeg_decompress_struct& info, int scale);

}  // namespace pixoria::platform::imaging
