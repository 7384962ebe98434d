#include "imaging/decoders.h"

#include <cstring>

namespace pixoria::platform::imaging {

std::optional<ImageFormat> sniffImageFormat(const std::uint8_t* head, std::size_t size) {
  auto startsWith = [&](const char* magic, std::size_t length, std::size_t at = 0) {
    return size >= at + length && std::memcmp(head + at, magic, length) == 0;
  };
  if (startsWith("\xFF\xD8\xFF", 3)) {
    return ImageFormat::jpeg;
  }
  if (startsWith("\x89PNG\r\n\x1A\n", 8)) {
    return ImageFormat::png;
  }
  if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6)) {
    return ImageFormat::gif;
  }
  if (startsWith("BM", 2)) {
    return ImageFormat::bmp;
  }
  if (startsWith("RIFF", 4) && startsWith("WEBP", 4, 8)) {
    return ImageFormat::webp;
  }
  return std::nullopt;
}

GpStatus readImageSize(ImageFormat format, FileReader& file, ImageSize& size) {
  file.seek(0);
  switch (format) {
    case ImageFormat::jpeg:
      return readJpegSize(file, size);
    case ImageFormat::png:
      return readPngSize(file, size);
    case ImageFormat::gif:
      return readGifSize(file, size);
    case ImageFormat::bmp:
      return readBmpSize(file, size);
    case ImageFormat::webp:
      return readWebpSize(file, size);
  }
  return GpStatus::unknownImageFormat;
}

GpStatus openImageRows(ImageFormat format, FileReader& file, int minWidth, int minHeight,
                       std::unique_ptr<RowSource>& rows) {
  file.seek(0);
  switch (format) {
    case ImageFormat::jpeg:
      return openJpegRows(file, minWidth, minHeight, rows);
    case ImageFormat::png:
      return openPngRows(file, rows);
    case ImageFormat::gif:
      return openGifRows(file, rows);
    case ImageFormat::bmp:
      return openBmpRows(file, rows);
    case ImageFormat::webp:
      return openWebpRows(file, minWidth, minHeight, rows);
  }
  return GpStatus::unknownImageFormat;
}

}  // namespace pixoria::platform::imaging
