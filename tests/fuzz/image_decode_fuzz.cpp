// Fuzzes the image decoders through the public imaging calls, as the agent makes them: load a
// file, read its size, draw it scaled into a small canvas (whole, then a cropped part), save the
// canvas as JPEG. A JPEG is also read row by row from the threaded decoder with its work cut into
// many small pieces, so the pieces, their linking and the hand-over to libjpeg are fuzzed too.
//
// Any status is fine: what must not happen is a crash, a sanitizer report, a hang or an
// allocation past the library's limits.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/decoders.h"
#include "imaging/file_reader.h"
#include "imaging/parallel_jpeg_rows.h"
#include "imaging/row_source.h"
#include "pixoria/platform/imaging.h"

namespace {

using namespace pixoria::platform;

constexpr int kCanvasWidth = 97;
constexpr int kCanvasHeight = 61;
// The threaded decoder with pieces of a few hundred bytes of units, whatever the scan's size.
constexpr imaging::ParallelJpegTuning kSmallPieces{
    .minScanBytes = 0, .pieceDecodedBytes = 512, .workers = 2};
// The most pixels read from the threaded decoder for one input: a large image is read at a
// smaller scale, so each input stays quick.
constexpr std::uint64_t kMaxThreadedPixels = std::uint64_t{1} << 22;

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "image_decode_fuzz: %s\n", what);
    std::abort();
  }
}

std::filesystem::path makeFolder() {
  std::string pattern = std::filesystem::temp_directory_path() / "image_decode_fuzz.XXXXXX";
  check(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
  return pattern;
}

void removeFolder();

// A folder of this process's own, removed at exit (before the path itself is destroyed).
const std::filesystem::path& folder() {
  static const std::filesystem::path path = makeFolder();
  static const bool removedAtExit = std::atexit(removeFolder) == 0;
  (void)removedAtExit;
  return path;
}

void removeFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(folder(), ignored);
}

void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  check(file != nullptr, "cannot write the input file");
  check(std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0,
        "cannot write the input file");
}

const std::string& jpegEncoder() {
  static const std::string clsid = [] {
    std::vector<ImageCodecInfo> encoders;
    check(getImageEncoders(encoders) == GpStatus::ok, "no encoders");
    for (const ImageCodecInfo& encoder : encoders) {
      if (encoder.mimeType == "image/jpeg")
        return encoder.clsid;
    }
    check(false, "no JPEG encoder");
    return std::string();
  }();
  return clsid;
}

// Load, measure, draw whole and cropped, save: what showing a wallpaper does. Returns the size,
// or 0 x 0 when the file did not load.
std::pair<std::uint32_t, std::uint32_t> drawAndSave(const std::string& path) {
  ImagePtr image;
  if (loadImageFromFile(path, image) != GpStatus::ok)
    return {0, 0};
  std::uint32_t width = 0, height = 0;
  check(getImageWidth(image.get(), width) == GpStatus::ok &&
            getImageHeight(image.get(), height) == GpStatus::ok,
        "a loaded image has no size");
  ImagePtr canvas;
  GraphicsPtr graphics;
  check(createBitmap(kCanvasWidth, kCanvasHeight, canvas) == GpStatus::ok &&
            getImageGraphicsContext(canvas.get(), graphics) == GpStatus::ok,
        "no canvas");
  setInterpolationMode(graphics.get(), InterpolationMode::highQualityBicubic);
  setSmoothingMode(graphics.get(), SmoothingMode::highQuality);
  const float w = float(width), h = float(height);
  drawImageRectRect(graphics.get(), image.get(), 0, 0, kCanvasWidth, kCanvasHeight, 0, 0, w, h);
  drawImageRectRect(graphics.get(), image.get(), 7, 5, 41, 29, w / 3, h / 4, w / 2, h / 3);
  saveImageToFile(canvas.get(), (folder() / "canvas.jpg").string(), jpegEncoder());
  return {width, height};
}

// Every row of the threaded decoder, until one fails.
void readThreaded(const std::string& path, std::uint32_t width, std::uint32_t height, int scale) {
  while (scale > 1 &&
         std::uint64_t(width) * height * unsigned(scale * scale) / 64 > kMaxThreadedPixels)
    --scale;
  // Asking for width * scale / 8 columns makes the decoder pick scale / 8.
  const int minWidth = int((std::uint64_t(width) * unsigned(scale) + 7) / 8);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  check(fd >= 0, "cannot open the input file");
  {
    imaging::FileReader file(fd);
    std::unique_ptr<imaging::RowSource> rows;
    if (imaging::openJpegRows(file, std::max(minWidth, 1), 1, rows, kSmallPieces) == GpStatus::ok) {
      std::vector<std::uint8_t> row(std::size_t(rows->deliveredWidth()) * 3);
      for (int y = 0; y < rows->height(); ++y) {
        if (rows->readRow(row.data()) != GpStatus::ok)
          break;
      }
    }
  }
  close(fd);
}

}  // namespace

// An undefined-behaviour report ends the run like any other, so the fuzzer keeps the input.
extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = (folder() / "input").string();
  writeInput(path, data, size);
  auto [width, height] = drawAndSave(path);
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
    // Scales 1/8 .. 4/8, the ones the threaded decoder takes, chosen by the input's length.
    readThreaded(path, width, height, 1 + int(size % 4));
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder()))
    std::filesystem::remove_all(entry.path());
  return 0;
}
