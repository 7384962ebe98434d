#include "pixoria/common/image_fitting.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "agent/fit_to_screen.h"
#include "pixoria/fake/fake_platform.h"
#include "pixoria/platform/imaging.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr Rgb kRed{220, 30, 30};
constexpr Rgb kBlue{30, 30, 220};
constexpr Rgb kBlack{0, 0, 0};

// A decoded copy of a saved file, drawn 1:1 onto a canvas of its own size.
struct Decoded {
  pf::ImagePtr canvas;
  pf::BitmapPixels pixels{};

  Rgb at(int x, int y) const {
    const std::uint8_t* p = pixels.rgb + static_cast<std::size_t>(y) * pixels.stride + 3 * x;
    return {p[0], p[1], p[2]};
  }
};

bool decode(const std::string& path, Decoded& decoded) {
  pf::ImagePtr image;
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  if (pf::loadImageFromFile(path, image) != pf::GpStatus::ok ||
      pf::getImageWidth(image.get(), w) != pf::GpStatus::ok ||
      pf::getImageHeight(image.get(), h) != pf::GpStatus::ok ||
      pf::createBitmap(static_cast<int>(w), static_cast<int>(h), decoded.canvas) !=
          pf::GpStatus::ok) {
    return false;
  }
  pf::GraphicsPtr graphics;
  pf::getImageGraphicsContext(decoded.canvas.get(), graphics);
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  return pf::drawImageRectRect(graphics.get(), image.get(), 0, 0, fw, fh, 0, 0, fw, fh) ==
             pf::GpStatus::ok &&
         pf::getBitmapPixels(decoded.canvas.get(), decoded.pixels);
}

// JPEG at quality 75 moves flat colours by a few levels.
::testing::AssertionResult near(Rgb actual, Rgb expected) {
  const int tolerance = 12;
  if (std::abs(actual.r - expected.r) <= tolerance &&
      std::abs(actual.g - expected.g) <= tolerance &&
      std::abs(actual.b - expected.b) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "got (" << static_cast<int>(actual.r) << "," << static_cast<int>(actual.g) << ","
         << static_cast<int>(actual.b) << ") want (" << static_cast<int>(expected.r) << ","
         << static_cast<int>(expected.g) << "," << static_cast<int>(expected.b) << ")";
}

class ImageFittingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::resetPlatform();
    folder = makeTemporaryFolder();
  }
  void TearDown() override { removeFolder(folder); }

  std::string path(const std::string& name) const { return folder + "/" + name; }

  std::string folder;
};

TEST_F(ImageFittingTest, LandscapeScreenMatchesTheWidthAndLeavesBlackRowsBelow) {
  ASSERT_TRUE(writeBmp(path("wide.jpg"), 4000, 2000, [](int, int) { return kRed; }));
  fitImageToScreen(path("wide.jpg"), path("image.jpg"));
  Decoded out;
  ASSERT_TRUE(decode(path("image.jpg"), out));
  ASSERT_EQ(out.pixels.width, 1920);
  ASSERT_EQ(out.pixels.height, 1080);
  EXPECT_TRUE(near(out.at(960, 0), kRed));
  EXPECT_TRUE(near(out.at(1919, 950), kRed));
  EXPECT_TRUE(near(out.at(0, 968), kBlack));  // drawn at 1920 x 960
  EXPECT_TRUE(near(out.at(1919, 1079), kBlack));
  EXPECT_EQ(fake::debugOutput(), "Image converted and saved\n");
  EXPECT_TRUE(fake::messageBoxes().empty());
}

TEST_F(ImageFittingTest, TallImagesAreCutAtTheBottomAndWideOnesAtTheRightOfAPortraitScreen) {
  // Three bands: only source rows (or columns) 0 to 562 reach a canvas of 1080.
  const auto band = [](int position) {
    return position < 400 ? kRed : position < 600 ? kBlue : Rgb{30, 220, 30};
  };
  // 1000 x 1500 on 1920 x 1080 is drawn at 1920 x 2880: canvas row 1079 shows source row 562.
  ASSERT_TRUE(writeBmp(path("tall.bmp"), 1000, 1500, [&](int, int y) { return band(y); }));
  fitImageToScreen(path("tall.bmp"), path("image.jpg"));
  Decoded out;
  ASSERT_TRUE(decode(path("image.jpg"), out));
  EXPECT_TRUE(near(out.at(0, 0), kRed));
  EXPECT_TRUE(near(out.at(1919, 700), kRed));    // source row 364
  EXPECT_TRUE(near(out.at(1919, 1079), kBlue));  // source row 562; the green band never shows

  // 2000 x 1000 on a 1080 x 1920 portrait screen is drawn at 3840 x 1920: the left 1080 columns.
  fake::setScreenSize(1080, 1920);
  ASSERT_TRUE(writeBmp(path("wide.bmp"), 2000, 1000, [&](int x, int) { return band(x); }));
  fitImageToScreen(path("wide.bmp"), path("portrait.jpg"));
  ASSERT_TRUE(decode(path("portrait.jpg"), out));
  ASSERT_EQ(out.pixels.width, 1080);
  ASSERT_EQ(out.pixels.height, 1920);
  EXPECT_TRUE(near(out.at(0, 1919), kRed));
  EXPECT_TRUE(near(out.at(1079, 0), kBlue));  // source column 562
}

TEST_F(ImageFittingTest, UnreadableSourcesFailTheDrawingAndKeepTheLastGoodFile) {
  ASSERT_TRUE(writeFileBytes(path("image.jpg"), "last good image"));
  writeFileBytes(path("empty.jpg"), "");
  writeFileBytes(path("text.jpg"), "this is not an image\n");
  fitImageToScreen(path("empty.jpg"), path("image.jpg"));
  fitImageToScreen(path("text.jpg"), path("image.jpg"));
  fitImageToScreen(path("missing.jpg"), path("image.jpg"));
  ASSERT_EQ(fake::messageBoxes().size(), 3u);
  EXPECT_EQ(fake::messageBoxes()[0].text, "Failed to crop the image");
  EXPECT_EQ(fake::messageBoxes()[0].title, "Error");
  EXPECT_EQ(readFileBytes(path("image.jpg")), "last good image");
}

TEST_F(ImageFittingTest, ASaveIntoAMissingFolderIsReported) {
  ASSERT_TRUE(writeBmp(path("small.bmp"), 40, 20, [](int, int) { return kBlue; }));
  fitImageToScreen(path("small.bmp"), path("missing/image.jpg"));
  EXPECT_EQ(fake::debugOutput(), "Conversion failed. Status\n");
}

TEST_F(ImageFittingTest, TheConfigurationApplicationTracesTheSizes) {
  ASSERT_TRUE(writeBmp(path("wide.bmp"), 400, 200, [](int, int) { return kBlue; }));
  fitImage(path("wide.bmp"), path("image2.jpg"), 1920, 1080, FitVariant::configurationApp);
  EXPECT_EQ(fake::debugOutput(), path("wide.bmp") +
                                     "\nImage Width: 400\nImage Height: 200\n"
                                     "Image Ratio: 0.500000\nNew Image Width: 1920\n"
                                     "New Image Height: 960\nImage converted and saved\n");
}

TEST_F(ImageFittingTest, TheConfigurationApplicationSavesAnUnmeasurableImageUnscaled) {
  ASSERT_TRUE(writeFileBytes(path("image2.jpg"), "last good image"));
  writeFileBytes(path("broken.jpg"), "\xFF\xD8\xFF garbage");
  fitImage(path("broken.jpg"), path("image2.jpg"), 1920, 1080, FitVariant::configurationApp);
  const std::string& trace = fake::debugOutput();
  EXPECT_NE(trace.find("Image Width: 0\nImage Height: 0\nImage Ratio: "), std::string::npos);
  EXPECT_EQ(trace.find("New Image Width"), std::string::npos);
  EXPECT_NE(trace.find("Conversion failed. Status\n"), std::string::npos);
  EXPECT_TRUE(fake::messageBoxes().empty());
  EXPECT_EQ(readFileBytes(path("image2.jpg")), "last good image");
}

// Each kind of failure reaches the caller as its own result, with the destination left as it was
// and no message box: telling the user is the caller's business (the agent once per picture, the
// application in its own log).
TEST_F(ImageFittingTest, EachOutcomeIsReturnedAndNoneIsShown) {
  ASSERT_TRUE(writeBmp(path("small.bmp"), 40, 20, [](int, int) { return kBlue; }));
  writeFileBytes(path("text.jpg"), "this is not an image\n");
  writeFileBytes(path("broken.jpg"), "\xFF\xD8\xFF garbage");
  const struct {
    const char* source;
    const char* destination;
    FitVariant variant;
    FitResult expected;
  } cases[] = {
      {"small.bmp", "image.jpg", FitVariant::agent, FitResult::fitted},
      {"text.jpg", "image.jpg", FitVariant::agent, FitResult::notDrawn},
      {"small.bmp", "missing/image.jpg", FitVariant::agent, FitResult::notSaved},
      {"broken.jpg", "image.jpg", FitVariant::configurationApp, FitResult::notSaved},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " -> " + c.destination);
    ASSERT_TRUE(writeFileBytes(path("image.jpg"), "last good image"));
    EXPECT_EQ(fitImage(path(c.source), path(c.destination), 64, 36, c.variant), c.expected);
    const bool replaced = readFileBytes(path("image.jpg")) != "last good image";
    EXPECT_EQ(replaced, c.expected == FitResult::fitted);
  }
  EXPECT_TRUE(fake::messageBoxes().empty());
}

}  // namespace
}  // namespace pixoria::test
