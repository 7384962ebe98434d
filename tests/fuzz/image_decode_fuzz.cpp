// Fuzzes the image decoders through the public imaging calls, as the agent makes them: load a
// file, read its size, draw it scaled into a small canvas (whole, then a cropped part), save the
// canvas as JPEG. A JPEG is also read row by row from the threaded decoder with its work cut into
// many small pieces, so the pieces, their linking and the hand-over to libjpeg are fuzzed too.
//
// Any status is fine: what must not happen is a crash, a sanitizer report, a hang or an
// allocation past the library's limits. Inputs that would cost far more than their size (a JPEG
// of more than 500 scans, a lossless WebP too large to hold whole) must be refused.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <webp/decode.h>

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
#include "imaging/image_limits.h"
#include "imaging/jpeg_error.h"
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
      if (encoder.mimeType == "image/jpeg") {
        return encoder.clsid;
      }
    }
    check(false, "no JPEG encoder");
    return std::string();
  }();
  return clsid;
}

struct DrawOutcome {
  bool loaded = false;
  bool drawn = false;  // the whole image into the canvas
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Load, measure, draw whole and cropped, save: what showing a wallpaper does.
DrawOutcome drawAndSave(const std::string& path) {
  DrawOutcome outcome;
  ImagePtr image;
  if (loadImageFromFile(path, image) != GpStatus::ok) {
    return outcome;
  }
  outcome.loaded = true;
  check(getImageWidth(image.get(), outcome.width) == GpStatus::ok &&
            getImageHeight(image.get(), outcome.height) == GpStatus::ok,
        "a loaded image has no size");
  ImagePtr canvas;
  GraphicsPtr graphics;
  check(createBitmap(kCanvasWidth, kCanvasHeight, canvas) == GpStatus::ok &&
            getImageGraphicsContext(canvas.get(), graphics) == GpStatus::ok,
        "no canvas");
  setInterpolationMode(graphics.get(), InterpolationMode::highQualityBicubic);
  setSmoothingMode(graphics.get(), SmoothingMode::highQuality);
  const float w = static_cast<float>(outcome.width), h = static_cast<float>(outcome.height);
  outcome.drawn = drawImageRectRect(graphics.get(), image.get(), 0, 0, kCanvasWidth, kCanvasHeight,
                                    0, 0, w, h) == GpStatus::ok;
  drawImageRectRect(graphics.get(), image.get(), 7, 5, 41, 29, w / 3, h / 4, w / 2, h / 3);
  saveImageToFile(canvas.get(), (folder() / "canvas.jpg").string(), jpegEncoder());
  return outcome;
}

// The scans libjpeg starts in the whole input, read the way a progressive file is buffered (so
// with the decoder's memory cap); 0 when it is no JPEG.
int jpegScanCount(const std::uint8_t* data, std::size_t size) {
  jpeg_decompress_struct info{};
  imaging::JpegErrorHandler error;
  info.err = imaging::installJpegErrorHandler(error);
  volatile int scans = 0;
  if (setjmp(error.jump) == 0) {
    jpeg_create_decompress(&info);
    imaging::limitJpegMemory(reinterpret_cast<j_common_ptr>(&info));
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
      info.buffered_image = TRUE;
      jpeg_start_decompress(&info);
      int status = JPEG_SUSPENDED;
      do {
        status = jpeg_consume_input(&info);
        scans = info.input_scan_number;
      } while (status != JPEG_REACHED_EOI && status != JPEG_SUSPENDED);
    }
  }
  jpeg_destroy_decompress(&info);
  return scans;
}

bool isLosslessWebpOverTheCap(const std::uint8_t* data, std::size_t size) {
  WebPBitstreamFeatures features{};
  return WebPGetFeatures(data, size, &features) == VP8_STATUS_OK && features.format == 2 &&
         static_cast<std::uint64_t>(features.width) * static_cast<std::uint64_t>(features.height) *
                 4 >
             imaging::kMaxWholeImageBytes;
}

// Every row of the threaded decoder, until one fails.
void readThreaded(const std::string& path, std::uint32_t width, std::uint32_t height, int scale) {
  while (scale > 1 &&
         static_cast<std::uint64_t>(width) * height * static_cast<unsigned>(scale * scale) / 64 >
             kMaxThreadedPixels) {
    --scale;
  }
  // Asking for width * scale / 8 columns makes the decoder pick scale / 8.
  const int minWidth =
      static_cast<int>((static_cast<std::uint64_t>(width) * static_cast<unsigned>(scale) + 7) / 8);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  check(fd >= 0, "cannot open the input file");
  {
    imaging::FileReader file(fd);
    std::unique_ptr<imaging::RowSource> rows;
    if (imaging::openJpegRows(file, std::max(minWidth, 1), 1, rows, kSmallPieces) == GpStatus::ok) {
      std::vector<std::uint8_t> row(static_cast<std::size_t>(rows->deliveredWidth()) * 3);
      for (int y = 0; y < rows->height(); ++y) {
        if (rows->readRow(row.data()) != GpStatus::ok) {
          break;
        }
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
  const DrawOutcome outcome = drawAndSave(path);
  // What would cost far more than the file's size is refused.
  if (isLosslessWebpOverTheCap(data, size)) {
    check(!outcome.loaded, "a lossless WebP over the whole-image cap loaded");
  }
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
    if (outcome.drawn) {
      check(jpegScanCount(data, size) <= imaging::kMaxJpegScans, "a JPEG of too many scans drew");
    }
    // Scales 1/8 .. 4/8, the ones the threaded decoder takes, chosen by the input's length.
    readThreaded(path, outcome.width, outcome.height, 1 + int(size % 4));
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder())) {
    std::filesystem::remove_all(entry.path());
  }
  return 0;
}
