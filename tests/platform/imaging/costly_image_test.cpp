// Small files that would cost a great deal to decode: many progressive scans, a lossless WebP
// of a huge size. They are refused, quickly and within the memory bound; files just inside the
// bounds still draw.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/test_images.h"

// jpeglib.h uses FILE and size_t without declaring them.
#include <jpeglib.h>

namespace pixoria::test {
namespace {

namespace pf = platform;

long peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Every scan adds one bit of precision to one band: the DC, then the AC coefficients 1..n one at
// a time, each in ten steps (the first with the low nine bits dropped, then one refinement per
// bit). That is 10 + 10 * n scans, all valid.
std::vector<jpeg_scan_info> bitByBitScans(int acCoefficients) {
  std::vector<jpeg_scan_info> scans;
  for (int band = 0; band <= acCoefficients; ++band) {
    scans.push_back({1, {0, 0, 0, 0}, band, band, 0, 9});
    for (int bit = 9; bit > 0; --bit) {
      scans.push_back({1, {0, 0, 0, 0}, band, band, bit, bit - 1});
    }
  }
  return scans;
}

void writeGreyJpegWithScans(const std::string& path, int acCoefficients) {
  const int side = 64;
  std::vector<std::uint8_t> pixels(side * side);
  for (int i = 0; i < side * side; ++i) {
    pixels[i] = static_cast<std::uint8_t>(i * 37 + i / side * 11);
  }
  std::vector<jpeg_scan_info> scans = bitByBitScans(acCoefficients);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = side;
  info.image_height = side;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  info.scan_info = scans.data();
  info.num_scans = static_cast<int>(scans.size());
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = &pixels[static_cast<std::size_t>(info.next_scanline) * side];
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

TEST(ProgressiveJpeg, FiveHundredScansDrawAndMoreAreRefused) {
  TempFolder folder;
  writeGreyJpegWithScans(folder.file("500.jpg"), 49);
  writeGreyJpegWithScans(folder.file("510.jpg"), 50);
  EXPECT_EQ(fitLikeTheAgent(folder.file("500.jpg"), folder.file("image.jpg"), 320, 200),
            pf::GpStatus::ok);
  EXPECT_NE(fitLikeTheAgent(folder.file("510.jpg"), folder.file("image.jpg"), 320, 200),
            pf::GpStatus::ok);
}

// VP8L's bits are read from the lowest bit of each byte up.
class LsbBitWriter {
 public:
  void put(std::uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (used_ % 8 == 0) {
        bytes_.push_back(0);
      }
      bytes_.back() = static_cast<char>(bytes_.back() | (((value >> i) & 1) << (used_ % 8)));
      ++used_;
    }
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int used_ = 0;
};

std::string littleEndian32(std::size_t value) {
  std::string out;
  for (int i = 0; i < 4; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 255);
  }
  return out;
}

// A lossless WebP of one opaque colour: every prefix code has a single symbol, so a pixel costs
// no bits at all and any size fits in a few bytes.
std::string flatLosslessWebp(int width, int height) {
  LsbBitWriter bits;
  bits.put(0x2F, 8);  // signature
  bits.put(static_cast<std::uint32_t>(width - 1), 14);
  bits.put(static_cast<std::uint32_t>(height - 1), 14);
  bits.put(0, 1);  // no alpha
  bits.put(0, 3);  // version
  bits.put(0, 1);  // no transform
  bits.put(0, 1);  // no colour cache
  bits.put(0, 1);  // one set of prefix codes for the whole image
  // Green, red, blue, alpha, distance: a simple code of one symbol each.
  for (std::uint32_t symbol : {0u, 0u, 200u, 255u, 0u}) {
    bits.put(1, 1);  // simple code
    bits.put(0, 1);  // one symbol
    bits.put(1, 1);  // of eight bits
    bits.put(symbol, 8);
  }
  std::string data = bits.bytes() + std::string(8, '\0');
  const std::string chunk = "VP8L" + littleEndian32(data.size()) + data;
  return "RIFF" + littleEndian32(4 + chunk.size()) + "WEBP" + chunk;
}

TEST(LosslessWebp, WholeImageMustFitTheByteCap) {
  TempFolder folder;
  writeBytes(folder.file("small.webp"), flatLosslessWebp(300, 200));
  Picture canvas = drawIntoCanvas(folder.file("small.webp"), 30, 20, 0, 0, 30, 20);
  ASSERT_EQ(canvas.width, 30) << "the crafted file must be a valid WebP";
  EXPECT_EQ(canvas.at(15, 10).b, 200);

  // 16383 x 16383 x 4 bytes is a gigabyte, though the pixel count is within the streamed bound.
  writeBytes(folder.file("huge.webp"), flatLosslessWebp(16383, 16383));
  const long before = peakResidentKiB();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(fitLikeTheAgent(folder.file("huge.webp"), folder.file("image.jpg"), 1920, 1080),
            pf::GpStatus::ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_LT(peakResidentKiB() - before, 64 * 1024) << "decoding memory must stay bounded";
  // Larger than the canvas, which is what the old check looked at, and within the cap.
  writeBytes(folder.file("large.webp"), flatLosslessWebp(2048, 2048));
  EXPECT_EQ(fitLikeTheAgent(folder.file("large.webp"), folder.file("image.jpg"), 640, 480),
            pf::GpStatus::ok);
}

}  // namespace
}  // namespace pixoria::test
