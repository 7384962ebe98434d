// Damaged, hostile and impossible inputs: the load or the draw fails with a status, memory stays
// bounded, and the destination keeps the bytes it had.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

const std::string kOldWallpaper = "the previous wallpaper, whole";

long peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

Picture noise(int width, int height) {
  return makePicture(width, height, [](int x, int y) {
    unsigned v = static_cast<unsigned>(x * 7919 + y * 104729) * 2654435761u;
    return Rgb{static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 255),
               static_cast<int>((v >> 8) & 255)};
  });
}

std::string jpegBytes(const TempFolder& folder, int width, int height) {
  writeJpeg(folder.file("real.jpg"), noise(width, height));
  return readBytes(folder.file("real.jpg"));
}

// A real JPEG whose frame header claims another size.
std::string withDeclaredJpegSize(std::string jpeg, int width, int height) {
  std::size_t frame = jpeg.find("\xFF\xC0", 2);
  jpeg[frame + 5] = static_cast<char>(height >> 8);
  jpeg[frame + 6] = static_cast<char>(height & 255);
  jpeg[frame + 7] = static_cast<char>(width >> 8);
  jpeg[frame + 8] = static_cast<char>(width & 255);
  return jpeg;
}

std::string pngHeaderDeclaring(std::uint32_t width, std::uint32_t height) {
  std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  for (std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      png += static_cast<char>((v >> shift) & 255);
    }
  }
  png += std::string("\x08\x02\0\0\0\0\0\0\0", 9);  // 8-bit RGB, a wrong CRC, no data
  return png;
}

std::string bmpHeaderDeclaring(std::int32_t width, std::int32_t height, std::uint16_t bits) {
  std::string bmp = "BM";
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      bmp += static_cast<char>((v >> (8 * i)) & 255);
    }
  };
  put(54 + 16, 4), put(0, 4), put(54, 4);
  put(40, 4), put(static_cast<std::uint32_t>(width), 4), put(static_cast<std::uint32_t>(height), 4),
      put(1, 2);
  put(bits, 2), put(0, 4), put(16, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
  return bmp + std::string(16, '\x7F');
}

struct BadInput {
  const char* name;
  std::function<std::string(const TempFolder&)> bytes;
};

class BadImage : public testing::TestWithParam<BadInput> {};

TEST_P(BadImage, FailsAndLeavesTheDestinationWhole) {
  TempFolder folder;
  writeBytes(folder.file("image.jpg"), kOldWallpaper);
  writeBytes(folder.file("download.jpg"), GetParam().bytes(folder));
  long before = peakResidentKiB();

  EXPECT_NE(fitLikeTheAgent(folder.file("download.jpg"), folder.file("image.jpg"), 1920, 1080),
            pf::GpStatus::ok);
  EXPECT_TRUE(readBytes(folder.file("image.jpg")) == kOldWallpaper) << "the old file is replaced";
  EXPECT_LT(peakResidentKiB() - before, 64 * 1024) << "decoding memory must stay bounded";
  std::vector<std::string> names = folder.names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"download.jpg", "image.jpg", "real.jpg"}))
      << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadImage,
    testing::Values(BadInput{"Empty", [](const TempFolder& f) { return (jpegBytes(f, 8, 8), ""); }},
                    BadInput{"TextNamedJpg",
                             [](const TempFolder& f) {
                               return (jpegBytes(f, 8, 8), std::string("<html>Not found</html>\n"));
                             }},
                    BadInput{"TruncatedJpeg",
                             [](const TempFolder& f) {
                               std::string jpeg = jpegBytes(f, 800, 600);
                               return jpeg.substr(0, jpeg.size() * 2 / 5);
                             }},
                    BadInput{"JpegDeclaringHugeSize",
                             [](const TempFolder& f) {
                               return withDeclaredJpegSize(jpegBytes(f, 64, 64), 65000, 65000);
                             }},
                    BadInput{"JpegDeclaringMoreRowsThanItHas",
                             [](const TempFolder& f) {
                               return withDeclaredJpegSize(jpegBytes(f, 640, 64), 640, 4000);
                             }},
                    BadInput{"CorruptPng",
                             [](const TempFolder& f) {
                               writePng(f.file("real.jpg"), noise(200, 100));
                               std::string png = readBytes(f.file("real.jpg"));
                               png[png.find("IDAT") + 40] ^= 0x55;
                               return png;
                             }},
                    BadInput{"PngDeclaring100000Squared",
                             [](const TempFolder& f) {
                               return (jpegBytes(f, 8, 8), pngHeaderDeclaring(100000, 100000));
                             }},
                    BadInput{"BmpWithAbsurdSize",
                             [](const TempFolder& f) {
                               return (jpegBytes(f, 8, 8),
                                       bmpHeaderDeclaring(0x7FFFFFFF, -0x7FFFFFFF, 24));
                             }},
                    BadInput{"BmpWithMissingPixels",
                             [](const TempFolder& f) {
                               return (jpegBytes(f, 8, 8), bmpHeaderDeclaring(1000, 1000, 32));
                             }},
                    BadInput{"BmpWithUnknownDepth",
                             [](const TempFolder& f) {
                               return (jpegBytes(f, 8, 8), bmpHeaderDeclaring(2, 2, 7));
                             }}),
    [](const testing::TestParamInfo<BadInput>& info) { return info.param.name; });

// Only the rows the canvas needs are decoded: a tall picture on a wide screen keeps its top part,
// so losing the end of the file does not matter.
TEST(TruncatedJpeg, DrawsWhenTheMissingPartIsOffTheCanvas) {
  TempFolder folder;
  writeJpeg(folder.file("tall.jpg"), noise(400, 1200));
  std::string jpeg = readBytes(folder.file("tall.jpg"));
  writeBytes(folder.file("download.jpg"), jpeg.substr(0, jpeg.size() * 3 / 4));
  EXPECT_EQ(fitLikeTheAgent(folder.file("download.jpg"), folder.file("image.jpg"), 800, 600),
            pf::GpStatus::ok);
}

// A failed load leaves both sizes 0; the caller's arithmetic then gives NaN or infinite sizes.
TEST(DrawImageRectRect, RejectsDegenerateRectangles) {
  TempFolder folder;
  writePng(folder.file("small.png"), noise(16, 16));
  pf::ImagePtr image, canvas;
  pf::GraphicsPtr graphics;
  EXPECT_EQ(pf::loadImageFromFile(folder.file("absent.jpg"), image), pf::GpStatus::fileNotFound);
  ASSERT_EQ(pf::loadImageFromFile(folder.file("small.png"), image), pf::GpStatus::ok);
  ASSERT_EQ(pf::createBitmap(64, 64, canvas), pf::GpStatus::ok);
  ASSERT_EQ(pf::getImageGraphicsContext(canvas.get(), graphics), pf::GpStatus::ok);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  auto draw = [&](pf::Image* source, float dw, float dh, float sw, float sh) {
    return pf::drawImageRectRect(graphics.get(), source, 0, 0, dw, dh, 0, 0, sw, sh);
  };
  EXPECT_NE(draw(image.get(), 64, 64, 0, 0), pf::GpStatus::ok);
  EXPECT_NE(draw(image.get(), 64, nan, 16, 16), pf::GpStatus::ok);
  EXPECT_NE(draw(image.get(), 64, inf, 16, 16), pf::GpStatus::ok);
  EXPECT_NE(draw(image.get(), 0, 64, 16, 16), pf::GpStatus::ok);
  EXPECT_NE(draw(nullptr, 64, 64, 16, 16), pf::GpStatus::ok);
  EXPECT_EQ(draw(image.get(), 64, 64, 16, 16), pf::GpStatus::ok);
}

TEST(SaveImageToFile, FailsIntoAMissingFolderOrOverAFolder) {
  TempFolder folder;
  pf::ImagePtr canvas;
  ASSERT_EQ(pf::createBitmap(32, 16, canvas), pf::GpStatus::ok);
  std::vector<pf::ImageCodecInfo> encoders;
  ASSERT_EQ(pf::getImageEncoders(encoders), pf::GpStatus::ok);
  ASSERT_FALSE(encoders.empty());
  EXPECT_NE(pf::saveImageToFile(canvas.get(), folder.file("missing/image.jpg"), encoders[0].clsid),
            pf::GpStatus::ok);
  writeBytes(folder.file("real.jpg"), "");
  EXPECT_NE(pf::saveImageToFile(canvas.get(), folder.file(""), encoders[0].clsid),
            pf::GpStatus::ok);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"real.jpg"});
}

}  // namespace
}  // namespace pixoria::test
