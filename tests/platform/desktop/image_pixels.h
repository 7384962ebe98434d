// Reads JPEG and PNG files back into RGB pixels with libjpeg and libpng directly, so tests compare
// what a desktop was given, or what it shows, without trusting the library they exercise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pixoria::test {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // rows of r, g, b
};

// False (with `image` empty) when the file is missing or not a JPEG libjpeg can read.
bool readJpegPixels(const std::string& path, RgbImage& image);
bool readPngPixels(const std::string& path, RgbImage& image);

// The pixel at (x, y); black outside the image.
struct Rgb8 {
  int r = 0;
  int g = 0;
  int b = 0;
};
Rgb8 pixelAt(const RgbImage& image, int x, int y);

// How many pixels of the image's top `rows` rows lie within `tolerance` of `shade` in every
// channel: a picture of a bar shows an icon through the count of its colours.
int countPixelsNear(const RgbImage& image, int rows, Rgb8 shade, int tolerance);

}  // namespace pixoria::test
