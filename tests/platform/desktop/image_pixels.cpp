#include "image_pixels.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace pixoria::test {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

// libjpeg's default handler exits the process; a broken file must fail the check instead.
void leaveOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

}  // namespace

bool readJpegPixels(const std::string& path, RgbImage& image) {
  image = {};
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  jpeg_decompress_struct decompress{};
  ErrorManager errors{};
  decompress.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = leaveOnError;
  if (setjmp(errors.escape) != 0) {
    jpeg_destroy_decompress(&decompress);
    std::fclose(file);
    image = {};
    return false;
  }
  jpeg_create_decompress(&decompress);
  jpeg_stdio_src(&decompress, file);
  jpeg_read_header(&decompress, TRUE);
  decompress.out_color_space = JCS_RGB;
  jpeg_start_decompress(&decompress);
  image.width = static_cast<int>(decompress.output_width);
  image.height = static_cast<int>(decompress.output_height);
  const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
  image.pixels.resize(stride * static_cast<std::size_t>(image.height));
  while (decompress.output_scanline < decompress.output_height) {
    JSAMPROW row = image.pixels.data() + stride * decompress.output_scanline;
    jpeg_read_scanlines(&decompress, &row, 1);
  }
  jpeg_finish_decompress(&decompress);
  jpeg_destroy_decompress(&decompress);
  std::fclose(file);
  return true;
}

bool readPngPixels(const std::string& path, RgbImage& image) {
  image = {};
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr) == 0) {
    png_image_free(&png);
    return false;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.pixels = std::move(pixels);
  return true;
}

Rgb8 pixelAt(const RgbImage& image, int x, int y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
    return {};
  }
  const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 3;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

int countPixelsNear(const RgbImage& image, int rows, Rgb8 shade, int tolerance) {
  int count = 0;
  for (int y = 0; y < std::min(rows, image.height); ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgb8 pixel = pixelAt(image, x, y);
      count += std::abs(pixel.r - shade.r) <= tolerance &&
               std::abs(pixel.g - shade.g) <= tolerance && std::abs(pixel.b - shade.b) <= tolerance;
    }
  }
  return count;
}

}  // namespace pixoria::test
