// BMP: the 24-bit bottom-up form every reader knows.
#include <vector>

#include "imaging/encoders.h"

namespace pixoria::platform::imaging {
namespace {

void putLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

}  // namespace

bool writeBmp(const CanvasView& canvas, std::FILE* out) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(canvas.width) * 3 + 3) / 4 * 4;
  const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(canvas.height);
  std::vector<std::uint8_t> header;
  header.push_back('B');
  header.push_back('M');
  putLittle(header, 54 + pixelBytes, 4);
  putLittle(header, 0, 4);
  putLittle(header, 54, 4);
  putLittle(header, 40, 4);
  putLittle(header, static_cast<std::uint32_t>(canvas.width), 4);
  putLittle(header, static_cast<std::uint32_t>(canvas.height), 4);
  putLittle(header, 1, 2);
  putLittle(header, 24, 2);
  putLittle(header, 0, 4);
  putLittle(header, pixelBytes, 4);
  putLittle(header, 2835, 4);  // 72 dpi
  putLittle(header, 2835, 4);
  putLittle(header, 0, 4);
  putLittle(header, 0, 4);
  if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) {
    return false;
  }
  std::vector<std::uint8_t> row(stride, 0);
  for (int y = canvas.height - 1; y >= 0; --y) {
    const std::uint8_t* rgb = canvas.rgb + static_cast<std::size_t>(y) * canvas.stride;
    for (int x = 0; x < canvas.width; ++x) {
      row[3 * static_cast<std::size_t>(x)] = rgb[3 * x + 2];
      row[3 * static_cast<std::size_t>(x) + 1] = rgb[3 * x + 1];
      row[3 * static_cast<std::size_t>(x) + 2] = rgb[3 * x];
    }
    if (std::fwrite(row.data(), 1, row.size(), out) != row.size()) {
      return false;
    }
  }
  return true;
}

}  // namespace pixoria::platform::imaging
