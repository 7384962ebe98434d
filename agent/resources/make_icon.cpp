// Writes PixoriaHelper's .ico from the icon drawing the Linux tray shows, so both platforms show
// the same picture. Runs on the build machine: make_icon <output.ico>
//
// Each image is a 32-bit DIB (bottom-up BGRA with alpha, then an all-clear AND mask), the form
// every Windows version reads.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "tray/icon_pixmap.h"

namespace {

// 16 is the small-icon size at 100 %; the others serve higher scales and the larger views.
constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64};

void put(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

std::vector<std::uint8_t> iconImage(int size) {
  const std::vector<std::uint8_t> argb = pixoria::platform::drawIconArgb(size);
  const auto side = static_cast<std::uint32_t>(size);
  const std::uint32_t maskRow = ((side + 31) / 32) * 4;
  std::vector<std::uint8_t> bytes;
  put(bytes, 40, 4);  // BITMAPINFOHEADER
  put(bytes, side, 4);
  put(bytes, side * 2, 4);  // colour rows and mask rows
  put(bytes, 1, 2);
  put(bytes, 32, 2);
  put(bytes, 0, 4);  // BI_RGB
  put(bytes, side * side * 4 + maskRow * side, 4);
  for (int i = 0; i < 4; ++i) {
    put(bytes, 0, 4);
  }
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &argb[(static_cast<std::size_t>(y) * side + x) * 4];
      bytes.insert(bytes.end(), {p[3], p[2], p[1], p[0]});
    }
  }
  bytes.resize(bytes.size() + maskRow * side, 0);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
    return 2;
  }
  constexpr std::uint32_t count = std::size(kSizes);
  std::vector<std::vector<std::uint8_t>> images;
  for (const int size : kSizes) {
    images.push_back(iconImage(size));
  }
  std::vector<std::uint8_t> file;
  put(file, 0, 2);
  put(file, 1, 2);  // an icon, not a cursor
  put(file, count, 2);
  std::uint32_t offset = 6 + 16 * count;
  for (std::uint32_t i = 0; i < count; ++i) {
    file.push_back(static_cast<std::uint8_t>(kSizes[i] % 256));
    file.push_back(static_cast<std::uint8_t>(kSizes[i] % 256));
    put(file, 0, 2);  // no palette, reserved
    put(file, 1, 2);
    put(file, 32, 2);
    put(file, static_cast<std::uint32_t>(images[i].size()), 4);
    put(file, offset, 4);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) {
    file.insert(file.end(), image.begin(), image.end());
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return out ? 0 : 1;
}
