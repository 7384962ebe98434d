// Fitting on GDI+ under Wine, whose headless screen is 1024x768: a wide image is scaled to the
// screen's width at the top of a black canvas, saved as JPEG in place of the old file.
#include <windows.h>
// The Windows headers below need windows.h before them.
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "agent/fit_to_screen.h"
#include "pixoria/platform/imaging.h"
#include "pixoria/platform/screen.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;
namespace flat = Gdiplus::DllExports;

constexpr Rgb kRed{220, 30, 30};
constexpr Rgb kBlue{30, 30, 220};
constexpr Rgb kBlack{0, 0, 0};

// A saved file read back with GDI+ itself, pixel by pixel.
class ReadBack {
 public:
  explicit ReadBack(const std::string& path) {
    const std::wstring wide = std::filesystem::path(path).wstring();
    flat::GdipCreateBitmapFromFile(wide.c_str(), &bitmap_);
  }
  ~ReadBack() {
    if (bitmap_ != nullptr) {
      flat::GdipDisposeImage(bitmap_);
    }
  }
  bool loaded() const { return bitmap_ != nullptr; }
  UINT width() const {
    UINT value = 0;
    flat::GdipGetImageWidth(bitmap_, &value);
    return value;
  }
  UINT height() const {
    UINT value = 0;
    flat::GdipGetImageHeight(bitmap_, &value);
    return value;
  }
  Rgb at(int x, int y) const {
    Gdiplus::ARGB argb = 0;
    flat::GdipBitmapGetPixel(bitmap_, x, y, &argb);
    return {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
            static_cast<std::uint8_t>(argb)};
  }

 private:
  Gdiplus::GpBitmap* bitmap_ = nullptr;
};

// JPEG at quality 75 moves flat colours by a few levels.
::testing::AssertionResult closeTo(Rgb actual, Rgb expected) {
  const int tolerance = 16;
  if (std::abs(actual.r - expected.r) <= tolerance &&
      std::abs(actual.g - expected.g) <= tolerance &&
      std::abs(actual.b - expected.b) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "got (" << int{actual.r} << ", " << int{actual.g} << ", " << int{actual.b} << ")";
}

class FittingWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pf::gdiplusStartup(token), pf::GpStatus::ok);
    folder = makeTemporaryFolder();
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    pf::gdiplusShutdown(token);
    removeFolder(folder);
  }
  std::uintptr_t token = 0;
  std::string folder;
};

TEST_F(FittingWin32Test, AWideImageFillsTheWidthWithBlackRowsBelow) {
  ASSERT_EQ(pf::getSystemMetrics(pf::SystemMetric::screenWidth), 1024);
  ASSERT_EQ(pf::getSystemMetrics(pf::SystemMetric::screenHeight), 768);
  const std::string source = folder + "\\temp_image.jpg";  // a BMP, whatever the name says
  ASSERT_TRUE(writeBmp(source, 4000, 2000, [](int x, int) { return x < 2000 ? kRed : kBlue; }));
  const std::string destination = folder + "\\image.jpg";
  ASSERT_TRUE(writeFileBytes(destination, "the previous image"));

  fitImageToScreen(source, destination);

  const ReadBack fitted(destination);
  ASSERT_TRUE(fitted.loaded());
  EXPECT_EQ(fitted.width(), 1024u);
  EXPECT_EQ(fitted.height(), 768u);
  // 4000x2000 becomes 1024x512 at the top; rows 512 to 767 stay black.
  EXPECT_TRUE(closeTo(fitted.at(100, 10), kRed));
  EXPECT_TRUE(closeTo(fitted.at(400, 500), kRed));
  EXPECT_TRUE(closeTo(fitted.at(700, 250), kBlue));
  EXPECT_TRUE(closeTo(fitted.at(1020, 505), kBlue));
  EXPECT_TRUE(closeTo(fitted.at(10, 520), kBlack));
  EXPECT_TRUE(closeTo(fitted.at(1000, 767), kBlack));

  // The JPEG was written beside the destination and renamed over it: nothing else is left.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"image.jpg", "temp_image.jpg"}));
}

// On a screen larger than 1920x1080 (run on a 2560x1440 Xvfb by fitting_large_screen_win32_test;
// skipped on the null driver's 1024x768) a large picture, as Bing's UHD renditions are, is fitted
// to every physical pixel of it.
TEST_F(FittingWin32Test, ALargeScreenGetsAPictureOfItsOwnSize) {
  const int width = pf::getSystemMetrics(pf::SystemMetric::screenWidth);
  const int height = pf::getSystemMetrics(pf::SystemMetric::screenHeight);
  if (width <= 1920 && height <= 1080) {
    GTEST_SKIP() << "the screen is " << width << "x" << height;
  }
  const std::string source = folder + "\\temp_image.jpg";
  ASSERT_TRUE(writeBmp(source, 3840, 2160, [](int x, int) { return x < 1920 ? kRed : kBlue; }));
  const std::string destination = folder + "\\image.jpg";
  ASSERT_TRUE(fitImageToScreen(source, destination));
  const ReadBack fitted(destination);
  ASSERT_TRUE(fitted.loaded());
  EXPECT_EQ(fitted.width(), static_cast<unsigned>(width));
  EXPECT_EQ(fitted.height(), static_cast<unsigned>(height));
  EXPECT_TRUE(closeTo(fitted.at(10, 10), kRed));
  EXPECT_TRUE(closeTo(fitted.at(static_cast<unsigned>(width) - 10, 10), kBlue));
}

TEST_F(FittingWin32Test, TheJpegEncoderIsListedAndBadFilesFailToLoad) {
  std::vector<pf::ImageCodecInfo> encoders;
  ASSERT_EQ(pf::getImageEncoders(encoders), pf::GpStatus::ok);
  const auto jpeg =
      std::find_if(encoders.begin(), encoders.end(),
                   [](const pf::ImageCodecInfo& codec) { return codec.mimeType == "image/jpeg"; });
  ASSERT_NE(jpeg, encoders.end());
  EXPECT_EQ(jpeg->clsid.size(), 38u);  // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"

  const std::string notAnImage = folder + "\\broken.jpg";
  ASSERT_TRUE(writeFileBytes(notAnImage, std::string("\xFF\xD8\xFF garbage", 11)));
  pf::ImagePtr image;
  EXPECT_NE(pf::loadImageFromFile(notAnImage, image), pf::GpStatus::ok);
  EXPECT_EQ(image, nullptr);
  EXPECT_NE(pf::loadImageFromFile(folder + "\\absent.png", image), pf::GpStatus::ok);
}

}  // namespace
}  // namespace pixoria::test
