#include "preview/shrunk_image_windows.h"

#include <png.h>

#include <QFile>
#include <QImageReader>
#include <csetjmp>
#include <cstdint>
#include <memory>
#include <vector>

#include "preview/inflated_png_stream_windows.h"
#include "preview/preview_size.h"

namespace {

// The platform imaging's bounds on what a file may declare.
constexpr qint64 kMaxSide = 65535;
constexpr qint64 kMaxPixels = qint64{1} << 28;

bool withinBounds(qint64 width, qint64 height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxPixels;
}

QImage shrunkJpeg(const QString& path, QSize box) {
  QImageReader reader(path, "jpeg");
  const QSize size = reader.size();
  if (!withinBounds(size.width(), size.height())) {
    return {};
  }
  const QSize shown = previewSize(size, box);
  if (shown.isEmpty()) {
    return {};
  }
  // Qt's JPEG reader asks libjpeg for the smallest 1/N scale still at least this size, then
  // resamples smoothly to it: the full-size picture is never made.
  reader.setScaledSize(shown);
  const QImage image = reader.read();
  return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB888);
}

// An area average of streamed RGB rows: each source pixel adds to the output pixel it falls in.
class RowAverager {
 public:
  RowAverager(int sourceWidth, int sourceHeight, QSize shown)
      : sourceHeight(sourceHeight),
        image(shown, QImage::Format_RGB888),
        columnOf(static_cast<std::size_t>(sourceWidth)),
        sums(static_cast<std::size_t>(shown.width()) * 3),
        counts(static_cast<std::size_t>(shown.width())) {
    for (int x = 0; x < sourceWidth; ++x) {
      columnOf[static_cast<std::size_t>(x)] =
          static_cast<int>(static_cast<qint64>(x) * shown.width() / sourceWidth);
    }
  }

  bool valid() const { return !image.isNull(); }

  void add(int sourceY, const std::uint8_t* rgb) {
    const int y = static_cast<int>(static_cast<qint64>(sourceY) * image.height() / sourceHeight);
    if (y != row) {
      flush();
    }
    row = y;
    for (std::size_t x = 0; x < columnOf.size(); ++x) {
      const auto column = static_cast<std::size_t>(columnOf[x]);
      sums[column * 3] += rgb[x * 3];
      sums[column * 3 + 1] += rgb[x * 3 + 1];
      sums[column * 3 + 2] += rgb[x * 3 + 2];
      ++counts[column];
    }
  }

  QImage finish() {
    flush();
    return image;
  }

 private:
  void flush() {
    if (row < 0) {
      return;
    }
    std::uint8_t* out = image.scanLine(row);
    for (std::size_t x = 0; x < counts.size(); ++x) {
      const std::uint64_t count = counts[x] > 0 ? counts[x] : 1;
      for (std::size_t channel = 0; channel < 3; ++channel) {
        out[x * 3 + channel] = static_cast<std::uint8_t>(sums[x * 3 + channel] / count);
        sums[x * 3 + channel] = 0;
      }
      counts[x] = 0;
    }
  }

  int sourceHeight;
  int row = -1;
  QImage image;
  std::vector<int> columnOf;
  std::vector<std::uint64_t> sums;
  std::vector<std::uint64_t> counts;
};

// What the libpng callbacks reach; everything with a destructor lives here, outside the frame
// that libpng's errors jump back to.
struct PngStream {
  std::unique_ptr<InflatedPngStream> file;
  QSize box;
  std::vector<std::uint8_t> row;
  std::unique_ptr<RowAverager> averager;
  QImage whole;  // a picture smaller than it is shown: read whole, then enlarged
  bool interlaced = false;
};

void readFromFile(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<PngStream*>(png_get_io_ptr(png));
  if (!stream->file->read(data, length)) {
    png_error(png, "truncated");
  }
}

void ignoreWarning(png_structp, png_const_charp) {}

// Reads the header, sets the transforms to 8-bit RGB (alpha laid over black, as GDI+ draws it
// on the black canvas) and streams the rows into the averager. False on any libpng error.
bool streamPng(png_structp png, png_infop info, PngStream* stream) {
  if (setjmp(png_jmpbuf(png)) != 0) {
    return false;
  }
  png_set_read_fn(png, stream, readFromFile);
  // The stream's worker has checked the CRCs and inflated the image data into stored blocks
  // whose CRCs and Adler-32 are not filled in: libpng is to check neither.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (!withinBounds(width, height)) {
    return false;
  }
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    stream->interlaced = true;  // Adam7 rows are whole only after the last pass
    return false;
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_color_16 black{};
  png_set_background_fixed(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, PNG_FP_1);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 3) {
    return false;
  }
  const QSize shown =
      previewSize(QSize(static_cast<int>(width), static_cast<int>(height)), stream->box);
  if (shown.isEmpty()) {
    return false;
  }
  if (static_cast<int>(width) < shown.width() || static_cast<int>(height) < shown.height()) {
    // Smaller than the box's longer side, so small: the averager has no source pixel for some
    // of the shown ones.
    stream->whole =
        QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    if (stream->whole.isNull()) {
      return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, stream->whole.scanLine(static_cast<int>(y)), nullptr);
    }
    stream->whole = stream->whole.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return true;
  }
  stream->averager =
      std::make_unique<RowAverager>(static_cast<int>(width), static_cast<int>(height), shown);
  if (!stream->averager->valid()) {
    return false;
  }
  stream->row.resize(static_cast<std::size_t>(width) * 3);
  for (png_uint_32 y = 0; y < height; ++y) {
    png_read_row(png, stream->row.data(), nullptr);
    stream->averager->add(static_cast<int>(y), stream->row.data());
  }
  return true;
}

std::optional<QImage> shrunkPng(const QString& path, QSize box) {
  PngStream stream;
  stream.file = std::make_unique<InflatedPngStream>(path);
  stream.box = box;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, ignoreWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const bool streamed = info != nullptr && streamPng(png, info, &stream);
  png_destroy_read_struct(&png, &info, nullptr);
  if (stream.interlaced) {
    return std::nullopt;
  }
  if (!streamed) {
    return QImage();
  }
  return stream.averager ? stream.averager->finish() : stream.whole;
}

}  // namespace

std::optional<QImage> decodeShrunkWithQt(const QString& path, QSize box) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  const QByteArray head = file.read(8);
  file.close();
  if (head.startsWith(QByteArrayLiteral("\xFF\xD8\xFF"))) {
    return shrunkJpeg(path, box);
  }
  if (head == QByteArrayLiteral("\x89PNG\r\n\x1A\n")) {
    return shrunkPng(path, box);
  }
  return std::nullopt;
}
