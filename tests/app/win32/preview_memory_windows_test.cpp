// The preview of large JPEG and PNG files on Windows, in this process's peak working set (under
// Wine the process's peak resident set): a preview decoded for the form's label must never cost
// the full-size picture. GDI+, which the preview went through before, decodes a 12000x5000
// picture whole: 229 MiB for its bitmap alone. The files are written row by row, through Qt's
// own libjpeg and libpng, so that making them raises the peak by a row, not a picture.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "preview/shrunk_image.h"

// After the project's headers: its macros would rename the platform's constants in them.
#include <windows.h>
// After windows.h: psapi.h needs its types.
#include <psapi.h>
// After <cstdio>, for FILE. Qt's libjpeg was built with an int-sized boolean, where windows.h
// declares an unsigned char one: the header's gets a name of its own.
#define boolean jpeg_boolean
#include <jpeglib.h>
#undef boolean
#include <png.h>

namespace {

constexpr int kWidth = 12000;
constexpr int kHeight = 5000;

double peakMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// A row of a picture that is red on the left and blue on the right, with a little grain.
void fillRow(std::vector<std::uint8_t>& row, std::uint32_t& seed) {
  for (int x = 0; x < kWidth; ++x) {
    seed = seed * 1664525u + 1013904223u;
    const int grain = static_cast<int>(seed >> 30);
    const bool left = x < kWidth / 2;
    row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>((left ? 220 : 20) + grain);
    row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(30 + grain);
    row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>((left ? 20 : 220) + grain);
  }
}

bool writeJpegByRows(const QString& path) {
  FILE* file = _wfopen(path.toStdWString().c_str(), L"wb");
  if (file == nullptr) {
    return false;
  }
  jpeg_compress_struct jpeg{};
  jpeg_error_mgr errors{};
  jpeg.err = jpeg_std_error(&errors);
  jpeg_create_compress(&jpeg);
  jpeg_stdio_dest(&jpeg, file);
  jpeg.image_width = kWidth;
  jpeg.image_height = kHeight;
  jpeg.input_components = 3;
  jpeg.in_color_space = JCS_RGB;
  jpeg_set_defaults(&jpeg);
  jpeg_set_quality(&jpeg, 85, TRUE);
  jpeg_start_compress(&jpeg, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(kWidth) * 3);
  std::uint32_t seed = 1;
  while (jpeg.next_scanline < jpeg.image_height) {
    fillRow(row, seed);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&jpeg, rows, 1);
  }
  jpeg_finish_compress(&jpeg);
  jpeg_destroy_compress(&jpeg);
  return std::fclose(file) == 0;
}

bool writePngRows(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png)) != 0) {
    return false;
  }
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(kWidth) * 3);
  std::uint32_t seed = 1;
  for (int y = 0; y < kHeight; ++y) {
    fillRow(row, seed);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  return true;
}

bool writePngByRows(const QString& path) {
  FILE* file = _wfopen(path.toStdWString().c_str(), L"wb");
  if (file == nullptr) {
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  const bool written = writePngRows(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && written;
}

TEST(PreviewMemoryOnWindows, LargeJpegAndPngPreviewWithoutTheirFullSizePicture) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const struct {
    const char* name;
    bool (*write)(const QString&);
  } cases[] = {{"large.jpg", writeJpegByRows}, {"large.png", writePngByRows}};
  for (const auto& entry : cases) {
    const QString path = folder.filePath(QString::fromLatin1(entry.name));
    ASSERT_TRUE(entry.write(path)) << entry.name;
  }
  const double before = peakMiB();
  for (const auto& entry : cases) {
    QElapsedTimer clock;
    clock.start();
    const QImage shown = decodeShrunk(folder.filePath(QString::fromLatin1(entry.name)), {600, 300});
    // The figures for bench/README.md.
    std::printf("%s: decoded in %lld ms, peak working set %.1f MiB (%.1f before)\n", entry.name,
                static_cast<long long>(clock.elapsed()), peakMiB(), before);
    ASSERT_EQ(shown.size(), QSize(600, 250)) << entry.name;
    EXPECT_GT(shown.pixelColor(100, 125).red(), 180) << entry.name;
    EXPECT_GT(shown.pixelColor(500, 125).blue(), 180) << entry.name;
    EXPECT_LT(peakMiB() - before, 64.0) << entry.name << ": the peak rose from " << before;
  }
}

}  // namespace
