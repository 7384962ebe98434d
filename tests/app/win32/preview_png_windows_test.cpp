// PNG previews on Windows, decoded by the application's own streaming route: every colour type
// and depth comes out as the colours a viewer shows (alpha over black), at any reduction, with
// the image data in one chunk or in hundreds, and damaged files give nothing rather than a
// wrong picture. Each file is two halves: one colour on the left, another on the right.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "preview/shrunk_image.h"
#include "preview/shrunk_image_windows.h"

// After the project's headers: its macros would rename the platform's constants in them.
#include <windows.h>
// After <cstdio>, for FILE.
#include <png.h>

namespace {

// One sample per channel, in the file's own channel order and range.
using Samples = std::vector<unsigned>;

struct PngFile {
  int width = 0;
  int height = 0;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  Samples left;                 // the left half's pixel (a palette index for palette files)
  Samples right;                // the right half's
  std::size_t idatSize = 8192;  // how much image data each IDAT chunk holds
};

void putSample(std::vector<std::uint8_t>& row, std::size_t& bit, int depth, unsigned value) {
  if (depth == 16) {
    row[bit / 8] = static_cast<std::uint8_t>(value >> 8);
    row[bit / 8 + 1] = static_cast<std::uint8_t>(value & 0xFF);
  } else {
    row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - depth - bit % 8));
  }
  bit += static_cast<std::size_t>(depth);
}

bool writeRows(png_structp png, png_infop info, const PngFile& file) {
  if (setjmp(png_jmpbuf(png)) != 0) {
    return false;
  }
  png_set_compression_buffer_size(png, file.idatSize);
  png_set_IHDR(png, info, static_cast<png_uint_32>(file.width),
               static_cast<png_uint_32>(file.height), file.bitDepth, file.colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (file.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[] = {{200, 40, 10}, {10, 60, 230}};
    png_set_PLTE(png, info, palette, 2);
    png_byte alpha[] = {255, 128};
    png_set_tRNS(png, info, alpha, 2, nullptr);
  }
  png_write_info(png, info);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(file.width) * 8);
  for (int y = 0; y < file.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    std::size_t bit = 0;
    for (int x = 0; x < file.width; ++x) {
      for (const unsigned sample : x < file.width / 2 ? file.left : file.right) {
        putSample(row, bit, file.bitDepth, sample);
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  return true;
}

bool writePng(const QString& path, const PngFile& file) {
  FILE* out = _wfopen(path.toStdWString().c_str(), L"wb");
  if (out == nullptr) {
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  const bool written = writeRows(png, info, file);
  png_destroy_write_struct(&png, &info);
  return std::fclose(out) == 0 && written;
}

void expectColour(const QImage& image, int x, int y, QColor expected, const char* name) {
  const QColor found = image.pixelColor(x, y);
  EXPECT_NEAR(found.red(), expected.red(), 2) << name << " at " << x << "," << y;
  EXPECT_NEAR(found.green(), expected.green(), 2) << name << " at " << x << "," << y;
  EXPECT_NEAR(found.blue(), expected.blue(), 2) << name << " at " << x << "," << y;
}

TEST(PreviewPngOnWindows, EveryColourTypeAndReductionShowsItsColours) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QColor red(200, 40, 10);
  const QColor blue(10, 60, 230);
  const struct {
    const char* name;
    PngFile file;
    QColor left;
    QColor right;
  } cases[] = {
      {"rgb.png", {1001, 333, PNG_COLOR_TYPE_RGB, 8, {200, 40, 10}, {10, 60, 230}}, red, blue},
      // 9 MB of rows in IDAT chunks of 1000 bytes: the rows cross chunks and blocks everywhere.
      {"many-chunks.png",
       {2000, 1500, PNG_COLOR_TYPE_RGB, 8, {200, 40, 10}, {10, 60, 230}, 1000},
       red,
       blue},
      {"rgb16.png",
       {640,
        480,
        PNG_COLOR_TYPE_RGB,
        16,
        {200 * 257, 40 * 257, 10 * 257},
        {10 * 257, 60 * 257, 230 * 257}},
       red,
       blue},
      {"gray.png",
       {900, 600, PNG_COLOR_TYPE_GRAY, 8, {200}, {30}},
       QColor(200, 200, 200),
       QColor(30, 30, 30)},
      {"gray1.png",
       {777, 555, PNG_COLOR_TYPE_GRAY, 1, {1}, {0}},
       QColor(255, 255, 255),
       QColor(0, 0, 0)},
      // Index 1 is half transparent: its blue over black.
      {"palette.png", {1200, 700, PNG_COLOR_TYPE_PALETTE, 8, {0}, {1}}, red, QColor(5, 30, 115)},
      {"rgba.png",
       {800, 400, PNG_COLOR_TYPE_RGB_ALPHA, 8, {200, 40, 10, 255}, {10, 60, 230, 0}},
       red,
       QColor(0, 0, 0)},
      {"gray-alpha16.png",
       {700, 700, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {200 * 257, 65535}, {100 * 257, 32768}},
       QColor(200, 200, 200),
       QColor(50, 50, 50)},
      // Smaller than the preview: drawn larger, not left in black and unset rows.
      {"small.png", {40, 20, PNG_COLOR_TYPE_RGB, 8, {200, 40, 10}, {10, 60, 230}}, red, blue},
  };
  for (const auto& entry : cases) {
    const QString path = folder.filePath(QString::fromLatin1(entry.name));
    ASSERT_TRUE(writePng(path, entry.file)) << entry.name;
    const std::optional<QImage> shown = decodeShrunkWithQt(path, {300, 150});
    ASSERT_TRUE(shown.has_value() && !shown->isNull()) << entry.name;
    const QSize size = shown->size();
    ASSERT_EQ(size, previewSize({entry.file.width, entry.file.height}, {300, 150})) << entry.name;
    for (const int y : {0, size.height() / 2, size.height() - 1}) {
      expectColour(*shown, 0, y, entry.left, entry.name);
      expectColour(*shown, size.width() / 4, y, entry.left, entry.name);
      expectColour(*shown, size.width() * 3 / 4, y, entry.right, entry.name);
      expectColour(*shown, size.width() - 1, y, entry.right, entry.name);
    }
  }
}

std::uint32_t crc32Of(const QByteArray& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= static_cast<std::uint8_t>(byte);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

// A chunk of `type` holding `data`, with its length and CRC.
QByteArray chunk(const char* type, const QByteArray& data) {
  QByteArray bytes;
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes.append(static_cast<char>((data.size() >> shift) & 0xFF));
  }
  const QByteArray body = QByteArray(type) + data;
  bytes.append(body);
  const std::uint32_t crc = crc32Of(body);
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes.append(static_cast<char>((crc >> shift) & 0xFF));
  }
  return bytes;
}

// Damage the streaming route must notice: a wrong CRC on a chunk libpng needs, the file ending
// inside the image data. An ancillary chunk with a wrong CRC, or too long to hold, costs that
// chunk only.
TEST(PreviewPngOnWindows, DamagedFilesGiveNoPicture) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString good = folder.filePath(QStringLiteral("good.png"));
  ASSERT_TRUE(writePng(good, {600, 400, PNG_COLOR_TYPE_RGB, 8, {200, 40, 10}, {10, 60, 230}}));
  QFile file(good);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  file.close();
  const qsizetype firstIdat = bytes.indexOf("IDAT");
  ASSERT_GT(firstIdat, 0);
  std::uint32_t idatLength = 0;
  for (qsizetype i = firstIdat - 4; i < firstIdat; ++i) {
    idatLength = (idatLength << 8) | static_cast<std::uint8_t>(bytes[i]);
  }

  // The data intact, its CRC wrong: only a CRC check sees it.
  QByteArray badIdatCrc = bytes;
  const qsizetype idatCrc = firstIdat + 4 + static_cast<qsizetype>(idatLength);
  badIdatCrc[idatCrc] = static_cast<char>(badIdatCrc[idatCrc] ^ 0x01);
  // Ancillary chunks just after the header: a tIME with a wrong CRC, a private one of 2 MiB.
  QByteArray badAncillary = bytes;
  QByteArray badTime = chunk("tIME", QByteArray("\x07\xEA\x0C\x09\x13\x2C\x00", 7));
  badTime[badTime.size() - 1] = static_cast<char>(badTime[badTime.size() - 1] ^ 0x01);
  badAncillary.insert(33, badTime);
  QByteArray longAncillary = bytes;
  longAncillary.insert(33, chunk("prVt", QByteArray(2 << 20, 'x')));
  const struct {
    const char* name;
    QByteArray bytes;
    bool decodes;
  } cases[] = {
      {"bad-idat-crc.png", badIdatCrc, false},
      {"cut-in-image-data.png", bytes.left(firstIdat + 4 + idatLength / 2), false},
      {"only-the-header.png", bytes.left(33), false},
      {"bad-ancillary-crc.png", badAncillary, true},
      {"long-ancillary.png", longAncillary, true},
  };
  for (const auto& entry : cases) {
    const QString path = folder.filePath(QString::fromLatin1(entry.name));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(entry.bytes) == entry.bytes.size());
    out.close();
    const std::optional<QImage> shown = decodeShrunkWithQt(path, {300, 150});
    ASSERT_TRUE(shown.has_value()) << entry.name;
    EXPECT_EQ(!shown->isNull(), entry.decodes) << entry.name;
  }
}

}  // namespace
