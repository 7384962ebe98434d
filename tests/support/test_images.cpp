#include "support/test_images.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace pixoria::test {
namespace {

// The test's UTF-8 path for the standard streams: a narrow name would be read in the ANSI code
// page on Windows, and a user folder such as "李华" would not be found.
std::filesystem::path utf8Path(const std::string& path) {
  return {std::u8string(path.begin(), path.end())};
}

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

}  // namespace

bool writeBmp(const std::string& path, int width, int height, const PixelFunction& pixel) {
  const std::uint32_t rowSize = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowSize * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> bytes{'B', 'M'};
  putLittleEndian(bytes, 54 + pixelBytes, 4);
  putLittleEndian(bytes, 0, 4);
  putLittleEndian(bytes, 54, 4);
  putLittleEndian(bytes, 40, 4);
  putLittleEndian(bytes, static_cast<std::uint32_t>(width), 4);
  putLittleEndian(bytes, static_cast<std::uint32_t>(height), 4);
  putLittleEndian(bytes, 1, 2);
  putLittleEndian(bytes, 24, 2);
  for (int i = 0; i < 6; ++i) {
    putLittleEndian(bytes, 0, 4);
  }
  for (int y = height - 1; y >= 0; --y) {  // bottom-up rows
    const std::size_t rowStart = bytes.size();
    for (int x = 0; x < width; ++x) {
      const Rgb rgb = pixel(x, y);
      bytes.insert(bytes.end(), {rgb.b, rgb.g, rgb.r});
    }
    bytes.resize(rowStart + rowSize, 0);
  }
  std::ofstream file(utf8Path(path), std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

std::string readFileBytes(const std::string& path) {
  std::ifstream file(utf8Path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool writeFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(utf8Path(path), std::ios::binary | std::ios::trunc);
  file << bytes;
  return static_cast<bool>(file);
}

std::string makeTemporaryFolder() {
  // A random name, created exclusively: create_directory is false when the name is taken.
  std::random_device random;
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  for (int attempt = 0; attempt < 100 && !error; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "pixoria-test-%08x", static_cast<unsigned>(random()));
    const std::filesystem::path folder = base / name;
    if (std::filesystem::create_directory(folder, error)) {
      return folder.string();
    }
  }
  return {};
}

void removeFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::remove_all(folder, error);
}

}  // namespace pixoria::test
