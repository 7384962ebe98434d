// JPEG through libjpeg-turbo at the quality GDI+ uses when given no parameters.
#include <vector>

#include "imaging/encoders.h"
#include "imaging/jpeg_error.h"

namespace pixoria::platform::imaging {
namespace {

constexpr int kDefaultQuality = 75;

// Starts an RGB image of width x height at the default quality into `out`. Called after the
// caller's setjmp: libjpeg's errors jump back there.
void startCompress(jpeg_compress_struct& info, std::FILE* out, int width, int height) {
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kDefaultQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
}

// Kept apart from the caller so the longjmp crosses no destructors.
bool compress(jpeg_compress_struct& info, JpegErrorHandler& error, const CanvasView& canvas,
              std::FILE* out) {
  if (setjmp(error.jump)) {
    return false;
  }
  startCompress(info, out, canvas.width, canvas.height);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = canvas.rgb + static_cast<std::size_t>(info.next_scanline) * canvas.stride;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

// As compress(), pulling each row from `rows` into `row` (owned by the caller).
GpStatus compressRows(jpeg_compress_struct& info, JpegErrorHandler& error, RowSource& rows,
                      std::uint8_t* row, std::FILE* out) {
  if (setjmp(error.jump)) {
    return GpStatus::win32Error;
  }
  startCompress(info, out, rows.width(), rows.height());
  while (info.next_scanline < info.image_height) {
    GpStatus status = rows.readRow(row);
    if (status != GpStatus::ok) {
      return status;
    }
    JSAMPROW sample = row;
    jpeg_write_scanlines(&info, &sample, 1);
  }
  jpeg_finish_compress(&info);
  return GpStatus::ok;
}

}  // namespace

GpStatus writeJpegRows(RowSource& rows, std::FILE* out) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rows.width()) * 3);
  jpeg_compress_struct info{};
  JpegErrorHandler error;
  info.err = installJpegErrorHandler(error);
  GpStatus status = compressRows(info, error, rows, row.data(), out);
  jpeg_destroy_compress(&info);
  return status;
}

bool writeJpeg(const CanvasView& canvas, std::FILE* out) {
  jpeg_compress_struct info{};
  JpegErrorHandler error;
  info.err = installJpegErrorHandler(error);
  bool written = compress(info, error, canvas, out);
  jpeg_destroy_compress(&info);
  return written;
}

}  // namespace pixoria::platform::imaging
