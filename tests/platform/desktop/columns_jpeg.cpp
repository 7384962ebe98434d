// JPEG test images written with libjpeg directly, so the X11 tests do not trust the encoder of
// the library they exercise.
#include <cstddef>
#include <cstdio>
#include <vector>

#include "root_window_probe.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace pixoria::test {

bool writeColumnsJpeg(const std::string& path, int width, int height,
                      Colour (*colourOfColumn)(int x)) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  jpeg_compress_struct compress{};
  jpeg_error_mgr errors{};
  compress.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compress);
  jpeg_stdio_dest(&compress, file);
  compress.image_width = static_cast<JDIMENSION>(width);
  compress.image_height = static_cast<JDIMENSION>(height);
  compress.input_components = 3;
  compress.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compress);
  jpeg_set_quality(&compress, 95, TRUE);  // flat areas decode within a few levels
  jpeg_start_compress(&compress, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    const Colour colour = colourOfColumn(x);
    row[3 * x] = static_cast<JSAMPLE>(colour.r);
    row[3 * x + 1] = static_cast<JSAMPLE>(colour.g);
    row[3 * x + 2] = static_cast<JSAMPLE>(colour.b);
  }
  while (compress.next_scanline < compress.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&compress, rows, 1);
  }
  jpeg_finish_compress(&compress);
  jpeg_destroy_compress(&compress);
  return std::fclose(file) == 0;
}

}  // namespace pixoria::test
