// Real image files for tests, written without the code under test: 24-bit BMP is simple enough
// to write by hand, and every decoder reads it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pixoria::test {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

using PixelFunction = std::function<Rgb(int x, int y)>;

// Writes a width x height 24-bit BMP whose pixel (x, y) is pixel(x, y). False on an I/O error.
bool writeBmp(const std::string& path, int width, int height, const PixelFunction& pixel);

// A file's bytes, or empty when it cannot be read.
std::string readFileBytes(const std::string& path);
bool writeFileBytes(const std::string& path, const std::string& bytes);

// A fresh empty folder under the system's temporary folder, removed by the caller.
std::string makeTemporaryFolder();
void removeFolder(const std::string& folder);

}  // namespace pixoria::test
