// PNG through libpng, 8-bit RGB.
#include <png.h>

#include <csetjmp>
#include <vector>

#include "imaging/encoders.h"

namespace pixoria::platform::imaging {
namespace {

void failPng(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

bool compress(png_structp png, png_infop info, const CanvasView& canvas, std::FILE* out) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width),
               static_cast<png_uint_32>(canvas.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < canvas.height; ++y) {
    png_write_row(png, canvas.rgb + static_cast<std::size_t>(y) * canvas.stride);
  }
  png_write_end(png, nullptr);
  return true;
}

// As compress(), pulling each row from `rows` into `row`. The buffer belongs to the caller, so
// the longjmp crosses no destructors.
GpStatus compressRows(png_structp png, png_infop info, RowSource& rows, std::uint8_t* row,
                      std::FILE* out) {
  if (setjmp(png_jmpbuf(png))) {
    return GpStatus::win32Error;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()),
               static_cast<png_uint_32>(rows.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < rows.height(); ++y) {
    GpStatus status = rows.readRow(row);
    if (status != GpStatus::ok) {
      return status;
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return GpStatus::ok;
}

}  // namespace

GpStatus writePngRows(RowSource& rows, std::FILE* out) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rows.width()) * 3);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, ignoreWarning);
  if (!png) {
    return GpStatus::outOfMemory;
  }
  png_infop info = png_create_info_struct(png);
  GpStatus status = info ? compressRows(png, info, rows, row.data(), out) : GpStatus::outOfMemory;
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return status;
}

bool writePng(const CanvasView& canvas, std::FILE* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, ignoreWarning);
  if (!png) {
    return false;
  }
  png_infop info = png_create_info_struct(png);
  bool written = info && compress(png, info, canvas, out);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return written;
}

}  // namespace pixoria::platform::imaging
