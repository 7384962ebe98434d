// BMP, read by hand: uncompressed 1/4/8-bit palette, 16, 24 and 32-bit (plain or bit fields),
// bottom-up or top-down. Rows are read by position, so nothing larger than a row is held.
#include <array>
#include <bit>
#include <vector>

#include "imaging/decoders.h"
#include "imaging/image_limits.h"

namespace pixoria::platform::imaging {
namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

std::uint32_t little16(const std::uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8;
}
std::uint32_t little32(const std::uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
}

// One colour channel packed in a 16 or 32-bit pixel, widened to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (mask == 0) {
      return;
    }
    shift = std::countr_zero(mask);
    bits = std::popcount(mask);
  }
  std::uint8_t read(std::uint32_t pixel) const {
    if (bits == 0) {
      return 0;
    }
    std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) {
      return static_cast<std::uint8_t>(value >> (bits - 8));
    }
    return static_cast<std::uint8_t>(value * 255 / ((1u << bits) - 1));
  }
};

struct BmpLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint64_t pixelOffset = 0;
  std::uint64_t stride = 0;
  std::array<Channel, 3> channels;
  std::vector<std::array<std::uint8_t, 3>> palette;  // R, G, B
};

GpStatus readMasks(FileReader& file, const std::uint8_t* info, std::uint32_t infoSize,
                   std::uint32_t compression, BmpLayout& layout) {
  std::uint8_t masks[12];
  if (infoSize >= 52) {
    std::copy(info + 40, info + 52, masks);
  } else if (!file.readAt(14 + infoSize, masks, sizeof masks)) {
    return GpStatus::genericError;
  }
  if (compression == kRgb) {
    bool sixteen = layout.bitsPerPixel == 16;
    layout.channels = {Channel(sixteen ? 0x7C00 : 0xFF0000), Channel(sixteen ? 0x03E0 : 0xFF00),
                       Channel(sixteen ? 0x001F : 0xFF)};
  } else {
    layout.channels = {Channel(little32(masks)), Channel(little32(masks + 4)),
                       Channel(little32(masks + 8))};
  }
  return GpStatus::ok;
}

GpStatus readPalette(FileReader& file, std::uint32_t infoSize, std::uint32_t colours,
                     BmpLayout& layout) {
  std::uint32_t entrySize = infoSize == 12 ? 3 : 4;
  std::uint32_t count = colours ? colours : 1u << layout.bitsPerPixel;
  if (count > 256) {
    return GpStatus::genericError;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * entrySize);
  if (!file.readAt(14 + infoSize, bytes.data(), bytes.size())) {
    return GpStatus::genericError;
  }
  layout.palette.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* bgr = &bytes[static_cast<std::size_t>(i) * entrySize];
    layout.palette[i] = {bgr[2], bgr[1], bgr[0]};
  }
  return GpStatus::ok;
}

GpStatus readLayout(FileReader& file, BmpLayout& layout) {
  std::uint8_t head[14 + 64];
  if (!file.readAt(0, head, 18)) {
    return GpStatus::genericError;
  }
  std::uint32_t infoSize = little32(head + 14);
  if (infoSize != 12 && (infoSize < 40 || infoSize > 124)) {
    return GpStatus::genericError;
  }
  std::uint8_t* info = head + 14;
  std::size_t kept = std::min<std::size_t>(infoSize, 64);
  if (!file.readAt(14, info, kept)) {
    return GpStatus::genericError;
  }
  layout.pixelOffset = little32(head + 10);
  std::int32_t width = 0, height = 0;
  std::uint32_t compression = kRgb, colours = 0;
  if (infoSize == 12) {
    width = static_cast<std::int32_t>(little16(info + 4));
    height = static_cast<std::int32_t>(little16(info + 6));
    layout.bitsPerPixel = static_cast<int>(little16(info + 10));
  } else {
    width = static_cast<std::int32_t>(little32(info + 4));
    height = static_cast<std::int32_t>(little32(info + 8));
    layout.bitsPerPixel = static_cast<int>(little16(info + 14));
    compression = little32(info + 16);
    colours = little32(info + 32);
  }
  if (width <= 0 || height == 0 || height == INT32_MIN) {
    return GpStatus::genericError;
  }
  layout.topDown = height < 0;
  layout.width = static_cast<std::uint32_t>(width);
  layout.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
  if (!sizeWithinLimits(layout.width, layout.height)) {
    return GpStatus::outOfMemory;
  }
  layout.stride = (std::uint64_t{layout.width} * layout.bitsPerPixel + 31) / 32 * 4;

  switch (layout.bitsPerPixel) {
    case 1:
    case 4:
    case 8:
      if (compression != kRgb) {
        return GpStatus::notImplemented;  // RLE
      }
      return readPalette(file, infoSize, colours, layout);
    case 16:
    case 24:
    case 32:
      if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) {
        return GpStatus::notImplemented;
      }
      return layout.bitsPerPixel == 24 ? GpStatus::ok
                                       : readMasks(file, info, infoSize, compression, layout);
    default:
      return GpStatus::genericError;
  }
}

class BmpRows final : public RowSource {
 public:
  BmpRows(FileReader& file, BmpLayout layout)
      : file_(file), layout_(std::move(layout)), row_(layout_.stride) {
    width_ = static_cast<int>(layout_.width);
    height_ = static_cast<int>(layout_.height);
  }

  GpStatus readRow(std::uint8_t* rgb) override {
    if (nextRow_ >= height_) {
      return GpStatus::genericError;
    }
    std::uint64_t fileRow = layout_.topDown ? nextRow_ : height_ - 1 - nextRow_;
    ++nextRow_;
    if (!file_.readAt(layout_.pixelOffset + fileRow * layout_.stride, row_.data(), row_.size())) {
      return GpStatus::genericError;
    }
    for (int x = 0; x < width_; ++x) {
      pixel(x, rgb + 3 * x);
    }
    return GpStatus::ok;
  }

 private:
  void pixel(int x, std::uint8_t* rgb) const {
    const std::uint8_t* row = row_.data();
    int bits = layout_.bitsPerPixel;
    if (bits <= 8) {
      int perByte = 8 / bits;
      int shift = 8 - bits * (x % perByte + 1);
      unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
      auto colour =
          index < layout_.palette.size() ? layout_.palette[index] : std::array<std::uint8_t, 3>{};
      std::copy(colour.begin(), colour.end(), rgb);
      return;
    }
    if (bits == 24) {
      rgb[0] = row[3 * x + 2];
      rgb[1] = row[3 * x + 1];
      rgb[2] = row[3 * x];
      return;
    }
    std::uint32_t packed = bits == 16 ? little16(row + 2 * x) : little32(row + 4 * x);
    for (int c = 0; c < 3; ++c) {
      rgb[c] = layout_.channels[static_cast<std::size_t>(c)].read(packed);
    }
  }

  FileReader& file_;
  BmpLayout layout_;
  std::vector<std::uint8_t> row_;
  int nextRow_ = 0;
};

}  // namespace

GpStatus readBmpSize(FileReader& file, ImageSize& size) {
  BmpLayout layout;
  GpStatus status = readLayout(file, layout);
  if (status == GpStatus::ok) {
    size = {layout.width, layout.height};
  }
  return status;
}

GpStatus openBmpRows(FileReader& file, std::unique_ptr<RowSource>& rows) {
  BmpLayout layout;
  GpStatus status = readLayout(file, layout);
  if (status != GpStatus::ok) {
    return status;
  }
  if (layout.pixelOffset + layout.stride * layout.height > file.size()) {
    return GpStatus::genericError;  // truncated
  }
  rows = std::make_unique<BmpRows>(file, std::move(layout));
  return GpStatus::ok;
}

}  // namespace pixoria::platform::imaging
