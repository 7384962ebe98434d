// The GDI+-shaped entry points: handles, argument checks and the failure boundary. The work is
// done by the decoders, the resampler and the encoders beside this file.

#include "pixoria/platform/imaging.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>

#include "files/unique_fd.h"
#include "imaging/decoders.h"
#include "imaging/encoders.h"
#include "imaging/image_limits.h"
#include "imaging/image_objects.h"
#include "imaging/resampler.h"
#include "pixoria/platform/files.h"

namespace pixoria::platform {

using imaging::AxisMapping;
using imaging::CanvasView;
using imaging::FileReader;
using imaging::RowSource;

namespace imaging {
namespace {

// A saved picture is as readable as any other, and a replaced one keeps its mode; the temporary
// is hidden from a person browsing the folder.
bool replaceFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
  FileReplacement file(path, {TemporaryName::hidden, 0644, true});
  return file.writeStream(write) && file.commit();
}

}  // namespace
}  // namespace imaging

namespace {

CanvasView viewOf(Image& canvas) {
  return {canvas.pixels.data(), static_cast<int>(canvas.width), static_cast<int>(canvas.height),
          canvas.stride};
}

// A canvas drawn into another canvas.
class CanvasRows final : public RowSource {
 public:
  explicit CanvasRows(const Image& canvas) : canvas_(canvas) {
    width_ = static_cast<int>(canvas.width);
    height_ = static_cast<int>(canvas.height);
  }
  GpStatus readRow(std::uint8_t* rgb) override {
    if (next_ >= height_) {
      return GpStatus::genericError;
    }
    const std::uint8_t* row = &canvas_.pixels[static_cast<std::size_t>(next_++) * canvas_.stride];
    std::copy(row, row + static_cast<std::size_t>(width_) * 3, rgb);
    return GpStatus::ok;
  }

 private:
  const Image& canvas_;
  int next_ = 0;
};

bool finitePositive(float value) {
  return std::isfinite(value) && value > 0;
}

// The decoded size worth asking a shrinking decoder for: nearly twice the drawn size, so the
// resampler still has real detail to filter, while decoding no more than that.
constexpr double kDecodeMargin = 1.75;

int wantedDecodedLength(std::uint32_t imageLength, float destination, float source) {
  double wanted = std::ceil(kDecodeMargin * imageLength * static_cast<double>(destination) /
                            static_cast<double>(source));
  return static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(imageLength)));
}

GpStatus openRows(Image& image, int minWidth, int minHeight, std::unique_ptr<FileReader>& file,
                  std::unique_ptr<RowSource>& rows) {
  if (image.isCanvas()) {
    rows = std::make_unique<CanvasRows>(image);
    return GpStatus::ok;
  }
  file = std::make_unique<FileReader>(image.file.get());
  return imaging::openImageRows(image.format, *file, minWidth, minHeight, rows);
}

GpStatus draw(Image& canvas, Image& image, float dstX, float dstY, float dstWidth, float dstHeight,
              float srcX, float srcY, float srcWidth, float srcHeight) {
  int minWidth = wantedDecodedLength(image.width, dstWidth, srcWidth);
  int minHeight = wantedDecodedLength(image.height, dstHeight, srcHeight);
  std::unique_ptr<FileReader> file;
  std::unique_ptr<RowSource> rows;
  GpStatus status = openRows(image, minWidth, minHeight, file, rows);
  if (status != GpStatus::ok) {
    return status;
  }
  // Source coordinates are in the image's own pixels; the decoder may deliver fewer.
  double scaleX = static_cast<double>(rows->width()) / image.width;
  double scaleY = static_cast<double>(rows->height()) / image.height;
  auto columns =
      imaging::computeAxisTaps(AxisMapping{dstX, dstWidth, static_cast<int>(canvas.width),
                                           srcX * scaleX, srcWidth * scaleX, rows->width()});
  auto lines =
      imaging::computeAxisTaps(AxisMapping{dstY, dstHeight, static_cast<int>(canvas.height),
                                           srcY * scaleY, srcHeight * scaleY, rows->height()});
  return imaging::resampleInto(*rows, columns, lines, viewOf(canvas));
}

// A loaded image goes from its decoder to the encoder row by row, at its full size, so saving it
// holds a row or two rather than the picture; an encoder without rows takes a canvas of its size.
GpStatus saveLoadedImage(Image& image, const imaging::Encoder& encoder, const std::string& path) {
  if (encoder.writeRows != nullptr) {
    std::unique_ptr<FileReader> file;
    std::unique_ptr<RowSource> rows;
    GpStatus status =
        openRows(image, static_cast<int>(image.width), static_cast<int>(image.height), file, rows);
    if (status != GpStatus::ok) {
      return status;
    }
    bool written = imaging::replaceFileAtomically(path, [&](std::FILE* out) {
      status = encoder.writeRows(*rows, out);
      return status == GpStatus::ok;
    });
    return written ? GpStatus::ok : status == GpStatus::ok ? GpStatus::win32Error : status;
  }
  ImagePtr canvas;
  GpStatus status =
      createBitmap(static_cast<int>(image.width), static_cast<int>(image.height), canvas);
  if (status != GpStatus::ok) {
    return status;
  }
  float width = static_cast<float>(image.width), height = static_cast<float>(image.height);
  status = draw(*canvas, image, 0, 0, width, height, 0, 0, width, height);
  if (status != GpStatus::ok) {
    return status;
  }
  CanvasView view = viewOf(*canvas);
  return imaging::replaceFileAtomically(path,
                                        [&](std::FILE* out) { return encoder.write(view, out); })
             ? GpStatus::ok
             : GpStatus::win32Error;
}

}  // namespace

void disposeImage(Image* image) {
  delete image;
}
void deleteGraphics(Graphics* graphics) {
  delete graphics;
}

GpStatus gdiplusStartup(std::uintptr_t& token) {
  token = 1;
  return GpStatus::ok;
}

void gdiplusShutdown(std::uintptr_t) {}

GpStatus loadImageFromFile(std::string_view path, ImagePtr& image) try {
  image.reset();
  std::string name(path);
  if (name.empty()) {
    return GpStatus::invalidParameter;
  }
  auto loaded = std::make_unique<Image>();
  // Non-blocking, so a FIFO in the file's place cannot hang the caller; only files are read.
  loaded->file.reset(open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!loaded->file.valid()) {
    return errno == ENOENT ? GpStatus::fileNotFound : GpStatus::accessDenied;
  }
  struct stat file_status {};
  if (fstat(loaded->file.get(), &file_status) != 0 || !S_ISREG(file_status.st_mode)) {
    return GpStatus::unknownImageFormat;
  }
  FileReader file(loaded->file.get());
  std::uint8_t head[16] = {};
  std::size_t got = file.read(head, sizeof head);
  auto format = imaging::sniffImageFormat(head, got);
  if (!format) {
    return GpStatus::unknownImageFormat;
  }
  imaging::ImageSize size;
  GpStatus status = imaging::readImageSize(*format, file, size);
  if (status != GpStatus::ok) {
    return status;
  }
  loaded->format = *format;
  loaded->width = size.width;
  loaded->height = size.height;
  image.reset(loaded.release());
  return GpStatus::ok;
} catch (const std::bad_alloc&) {
  return GpStatus::outOfMemory;
}

GpStatus getImageWidth(const Image* image, std::uint32_t& width) {
  if (!image) {
    return GpStatus::invalidParameter;
  }
  width = image->width;
  return GpStatus::ok;
}

GpStatus getImageHeight(const Image* image, std::uint32_t& height) {
  if (!image) {
    return GpStatus::invalidParameter;
  }
  height = image->height;
  return GpStatus::ok;
}

GpStatus createBitmap(int width, int height, ImagePtr& bitmap) try {
  bitmap.reset();
  if (width <= 0 || height <= 0) {
    return GpStatus::invalidParameter;
  }
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
      imaging::kMaxCanvasPixels) {
    return GpStatus::outOfMemory;
  }
  auto canvas = std::make_unique<Image>();
  canvas->width = static_cast<std::uint32_t>(width);
  canvas->height = static_cast<std::uint32_t>(height);
  canvas->stride =
      (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;  // rows on 4-byte boundaries, as GDI+
  canvas->pixels.assign(canvas->stride * static_cast<std::size_t>(height), 0);
  bitmap.reset(canvas.release());
  return GpStatus::ok;
} catch (const std::bad_alloc&) {
  return GpStatus::outOfMemory;
}

bool getBitmapPixels(Image* bitmap, BitmapPixels& pixels) {
  if (!bitmap || !bitmap->isCanvas()) {
    return false;
  }
  pixels = {bitmap->pixels.data(), static_cast<int>(bitmap->width),
            static_cast<int>(bitmap->height), bitmap->stride};
  return true;
}

GpStatus getImageGraphicsContext(Image* bitmap, GraphicsPtr& graphics) try {
  graphics.reset();
  if (!bitmap || !bitmap->isCanvas()) {
    return GpStatus::invalidParameter;
  }
  graphics.reset(new Graphics{bitmap});
  return GpStatus::ok;
} catch (const std::bad_alloc&) {
  return GpStatus::outOfMemory;
}

GpStatus setInterpolationMode(Graphics* graphics, InterpolationMode mode) {
  if (!graphics) {
    return GpStatus::invalidParameter;
  }
  graphics->interpolation = mode;
  return GpStatus::ok;
}

GpStatus setSmoothingMode(Graphics* graphics, SmoothingMode mode) {
  if (!graphics) {
    return GpStatus::invalidParameter;
  }
  graphics->smoothing = mode;
  return GpStatus::ok;
}

GpStatus drawImageRectRect(Graphics* graphics, Image* image, float dstX, float dstY, float dstWidth,
                           float dstHeight, float srcX, float srcY, float srcWidth,
                           float srcHeight) try {
  if (!graphics || !graphics->canvas || !image || image == graphics->canvas) {
    return GpStatus::invalidParameter;
  }
  if (image->width == 0 || image->height == 0) {
    return GpStatus::invalidParameter;
  }
  if (!finitePositive(dstWidth) || !finitePositive(dstHeight) || !finitePositive(srcWidth) ||
      !finitePositive(srcHeight) || !std::isfinite(dstX) || !std::isfinite(dstY) ||
      !std::isfinite(srcX) || !std::isfinite(srcY)) {
    return GpStatus::invalidParameter;
  }
  // A source rectangle wholly outside the image has nothing to draw.
  if (srcX >= static_cast<float>(image->width) || srcY >= static_cast<float>(image->height) ||
      srcX + srcWidth <= 0 || srcY + srcHeight <= 0) {
    return GpStatus::invalidParameter;
  }
  return draw(*graphics->canvas, *image, dstX, dstY, dstWidth, dstHeight, srcX, srcY, srcWidth,
              srcHeight);
} catch (const std::bad_alloc&) {
  return GpStatus::outOfMemory;
}

GpStatus getImageEncoders(std::vector<ImageCodecInfo>& encoders) try {
  encoders.clear();
  for (auto* encoder = imaging::encodersBegin(); encoder != imaging::encodersEnd(); ++encoder) {
    encoders.push_back({std::string(encoder->clsid), std::string(encoder->mimeType)});
  }
  return GpStatus::ok;
} catch (const std::bad_alloc&) {
  return GpStatus::outOfMemory;
}

GpStatus saveImageToFile(Image* image, std::string_view path, std::string_view encoderClsid) try {
  if (!image || path.empty()) {
    return GpStatus::invalidParameter;
  }
  auto* encoder = std::find_if(imaging::encodersBegin(), imaging::encodersEnd(),
                               [&](const imaging::Encoder& e) { return e.clsid == encoderClsid; });
  if (encoder == imaging::encodersEnd()) {
    return GpStatus::fileNotFound;  // as GDI+: no such codec
  }
  std::string destination(path);
  if (!image->isCanvas()) {
    return saveLoadedImage(*image, *encoder, destination);
  }
  CanvasView view = viewOf(*image);
  return imaging::replaceFileAtomically(destination,
                                        [&](std::FILE* out) { return encoder->write(view, out); })
             ? GpStatus::ok
             : GpStatus::win32Error;
} catch (const std::bad_alloc&) {
  return GpStatus::outOfMemory;
}

}  // namespace pixoria::platform
