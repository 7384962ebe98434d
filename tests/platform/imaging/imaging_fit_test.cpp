// The agent's fitting sequence on real JPEG and PNG files: what lands on the canvas, where, and
// what is saved.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

// A smooth picture whose colour tells where a pixel came from: red grows to the right, blue
// downwards.
Rgb gradientAt(double x, double y, int width, int height) {
  return {static_cast<int>(std::lround(255.0 * x / (width - 1))), 128,
          static_cast<int>(std::lround(255.0 * y / (height - 1)))};
}

Picture gradient(int width, int height) {
  return makePicture(width, height, [&](int x, int y) { return gradientAt(x, y, width, height); });
}

// Compares sampled pixels (every `step`) against `expected`; nullopt-like black outside.
void expectCanvas(const Picture& canvas, const std::function<bool(int, int, Rgb&)>& expected,
                  int tolerance, int step = 7) {
  int mismatches = 0;
  for (int y = 0; y < canvas.height; y += step) {
    for (int x = 0; x < canvas.width; x += step) {
      Rgb want;
      if (!expected(x, y, want)) {
        continue;
      }
      Rgb got = canvas.at(x, y);
      if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
          std::abs(got.b - want.b) > tolerance) {
        if (++mismatches <= 3) {
          ADD_FAILURE() << "at " << x << "," << y << " got " << got.r << "," << got.g << ","
                        << got.b << " want " << want.r << "," << want.g << "," << want.b;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

struct Geometry {
  int sourceWidth, sourceHeight, screenWidth, screenHeight, drawnWidth, drawnHeight;
};

class FitGeometry : public testing::TestWithParam<Geometry> {};

// The picture is scaled to the screen's longer side, anchored top-left; the rest is black and what
// extends past the canvas is cut off. The saved file always has the screen's size.
TEST_P(FitGeometry, DrawsTheScaledPictureTopLeftOnBlack) {
  const Geometry g = GetParam();
  TempFolder folder;
  writeJpeg(folder.file("download.jpg"), gradient(g.sourceWidth, g.sourceHeight));
  ASSERT_EQ(fitLikeTheAgent(folder.file("download.jpg"), folder.file("image.jpg"), g.screenWidth,
                            g.screenHeight),
            pf::GpStatus::ok);
  Picture saved = readJpeg(folder.file("image.jpg"));
  ASSERT_EQ(saved.width, g.screenWidth);
  ASSERT_EQ(saved.height, g.screenHeight);

  const double scaleX = static_cast<double>(g.sourceWidth) / g.drawnWidth;
  const double scaleY = static_cast<double>(g.sourceHeight) / g.drawnHeight;
  expectCanvas(
      saved,
      [&](int x, int y, Rgb& want) {
        if (x >= g.drawnWidth + 16 || y >= g.drawnHeight + 16) {  // past JPEG's ringing
          want = {0, 0, 0};
          return true;
        }
        if (x < 3 || y < 3 || x >= g.drawnWidth - 8 || y >= g.drawnHeight - 8) {
          return false;
        }
        want = gradientAt((x + 0.5) * scaleX - 0.5, (y + 0.5) * scaleY - 0.5, g.sourceWidth,
                          g.sourceHeight);
        return true;
      },
      6);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, FitGeometry,
    testing::Values(Geometry{4000, 2000, 1920, 1080, 1920, 960},   // bottom 120 rows black
                    Geometry{1000, 1500, 1920, 1080, 1920, 2880},  // only the top 1080 rows
                    Geometry{4000, 2000, 1080, 1920, 3840, 1920},  // only the left 1080 columns
                    Geometry{300, 200, 1280, 1024, 1280, 853}));   // enlarged

TEST(FitImage, DecodesByContentNotByName) {
  TempFolder folder;
  writePng(folder.file("download.jpg"), gradient(640, 360));
  ASSERT_EQ(fitLikeTheAgent(folder.file("download.jpg"), folder.file("image.jpg"), 1280, 720),
            pf::GpStatus::ok);
  Picture saved = readJpeg(folder.file("image.jpg"));
  ASSERT_EQ(saved.width, 1280);
  ASSERT_EQ(saved.height, 720);
  Rgb middle = saved.at(640, 360);
  EXPECT_NEAR(middle.r, 128, 6);
  EXPECT_NEAR(middle.g, 128, 6);
  EXPECT_NEAR(middle.b, 128, 6);
}

// The X11 backend fills the screen: scaled to cover, centred, so the destination starts left of
// and above the canvas and ends past it.
// JPEG decodes only the needed columns and skips the rows above the canvas; PNG decodes all.
TEST(DrawImageRectRect, DrawsOnlyTheCanvasPartOfALargerOffsetRectangle) {
  TempFolder folder;
  writePng(folder.file("wide.png"), gradient(400, 100));
  writeJpeg(folder.file("wide.jpg"), gradient(400, 100), 100);
  for (const char* name : {"wide.png", "wide.jpg"}) {
    SCOPED_TRACE(name);
    const int tolerance = name == std::string("wide.png") ? 1 : 3;
    Picture shifted = drawIntoCanvas(folder.file(name), 100, 100, -150, 0, 400, 100);
    ASSERT_EQ(shifted.width, 100);
    expectCanvas(
        shifted,
        [](int x, int y, Rgb& want) {
          want = gradientAt(x + 150, y, 400, 100);
          return true;
        },
        tolerance, 1);

    Picture enlarged = drawIntoCanvas(folder.file(name), 100, 100, -50, -50, 800, 200);
    ASSERT_EQ(enlarged.width, 100);
    expectCanvas(
        enlarged,
        [](int x, int y, Rgb& want) {
          want = gradientAt((x + 50.5) / 2 - 0.5, (y + 50.5) / 2 - 0.5, 400, 100);
          return true;
        },
        tolerance, 1);
  }
}

// Shrinking filters every source pixel: a gradient keeps its values, and a one-pixel checkerboard
// becomes flat grey instead of a moire.
TEST(DrawImageRectRect, ShrinksWithoutShiftOrAliasing) {
  TempFolder folder;
  writePng(folder.file("gradient.png"), gradient(1600, 900));
  Picture small = drawIntoCanvas(folder.file("gradient.png"), 400, 225, 0, 0, 400, 225);
  expectCanvas(
      small,
      [](int x, int y, Rgb& want) {
        if (x < 2 || y < 2 || x > 397 || y > 222) {
          return false;  // edges are renormalised
        }
        want = gradientAt((x + 0.5) * 4 - 0.5, (y + 0.5) * 4 - 0.5, 1600, 900);
        return true;
      },
      1, 3);

  writePng(folder.file("checks.png"), makePicture(1600, 1600, [](int x, int y) {
             int v = (x + y) % 2 ? 255 : 0;
             return Rgb{v, v, v};
           }));
  Picture grey = drawIntoCanvas(folder.file("checks.png"), 300, 300, 0, 0, 300, 300);
  expectCanvas(
      grey,
      [](int, int, Rgb& want) {
        want = {128, 128, 128};
        return true;
      },
      2, 1);
}

}  // namespace
}  // namespace pixoria::test
