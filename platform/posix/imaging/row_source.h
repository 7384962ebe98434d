// A decoded image delivered one row at a time, top to bottom, as 8-bit R, G, B with any alpha
// already composited onto black (what drawing it into a black 24-bit canvas gives).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixoria/platform/imaging.h"

namespace pixoria::platform::imaging {

class RowSource {
 public:
  virtual ~RowSource() = default;

  // The size of the rows delivered, which a decoder that shrinks on load makes smaller than the
  // image's own size.
  int width() const { return width_; }
  int height() const { return height_; }

  // Asks for columns first .. last only, before the first row is read. A decoder that can skip
  // the others may deliver fewer columns: from firstColumn(), deliveredWidth() of them.
  virtual void restrictColumns(int /*first*/, int /*last*/) {}
  int firstColumn() const { return firstColumn_; }
  int deliveredWidth() const { return deliveredWidth_ ? deliveredWidth_ : width_; }

  // Fills `rgb` (deliveredWidth() * 3 bytes) with the next row. Any status but ok ends the decode.
  virtual GpStatus readRow(std::uint8_t* rgb) = 0;

  // Passes over `count` rows; decoders that can skip work for them do.
  virtual GpStatus skipRows(int count);

 protected:
  int firstColumn_ = 0;
  int deliveredWidth_ = 0;
  int width_ = 0;
  int height_ = 0;
};

inline GpStatus RowSource::skipRows(int count) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(deliveredWidth()) * 3);
  for (int i = 0; i < count; ++i) {
    GpStatus status = readRow(row.data());
    if (status != GpStatus::ok) {
      return status;
    }
  }
  return GpStatus::ok;
}

// Multiplies colour by alpha, 8 bits each: the colour left after drawing over black.
inline std::uint8_t overBlack(std::uint8_t colour, std::uint8_t alpha) {
  unsigned product = unsigned{colour} * alpha + 128;
  return static_cast<std::uint8_t>((product + (product >> 8)) >> 8);
}

// Converts `count` RGBA pixels to RGB over black.
inline void compositeRgbaOverBlack(const std::uint8_t* rgba, std::uint8_t* rgb, int count) {
  for (int i = 0; i < count; ++i, rgba += 4, rgb += 3) {
    rgb[0] = overBlack(rgba[0], rgba[3]);
    rgb[1] = overBlack(rgba[1], rgba[3]);
    rgb[2] = overBlack(rgba[2], rgba[3]);
  }
}

}  // namespace pixoria::platform::imaging
