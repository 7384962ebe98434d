#include "fill_canvas.h"

#include "desktop_backend.h"
#include "fill_layout.h"

namespace pixoria::platform {
namespace {

HResult resultFromStatus(GpStatus status) {
  switch (status) {
    case GpStatus::ok:
      return kOk;
    case GpStatus::fileNotFound:
      return kFileNotFoundResult;
    case GpStatus::accessDenied:
      return kAccessDenied;
    case GpStatus::outOfMemory:
      return kOutOfMemoryResult;
    default:
      return kFail;
  }
}

HResult drawInto(Image* canvas, Image* image, const PixelRect& monitor, const PixelRect& visible) {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  GpStatus status = getImageWidth(image, width);
  if (status == GpStatus::ok) {
    status = getImageHeight(image, height);
  }
  if (status != GpStatus::ok || width == 0 || height == 0) {
    return status == GpStatus::ok ? kFail : resultFromStatus(status);
  }
  GraphicsPtr graphics;
  status = getImageGraphicsContext(canvas, graphics);
  if (status != GpStatus::ok) {
    return resultFromStatus(status);
  }
  setInterpolationMode(graphics.get(), InterpolationMode::highQualityBicubic);
  setSmoothingMode(graphics.get(), SmoothingMode::highQuality);
  // The canvas starts at the visible part's corner, which may lie inside the monitor.
  const FillPlacement fill = fillPlacement(width, height, monitor.width, monitor.height);
  const double left = fill.x + monitor.x - visible.x;
  const double top = fill.y + monitor.y - visible.y;
  return resultFromStatus(drawImageRectRect(graphics.get(), image, static_cast<float>(left),
                                            static_cast<float>(top), static_cast<float>(fill.width),
                                            static_cast<float>(fill.height), 0.0f, 0.0f,
                                            static_cast<float>(width), static_cast<float>(height)));
}

}  // namespace

HResult drawFillCanvas(std::string_view imagePath, const PixelRect& monitor,
                       const PixelRect& visible, ImagePtr& canvas) {
  ImagePtr image;
  HResult result = resultFromStatus(loadImageFromFile(imagePath, image));
  ImagePtr drawn;
  if (succeeded(result)) {
    result = resultFromStatus(createBitmap(visible.width, visible.height, drawn));
  }
  if (succeeded(result)) {
    result = drawInto(drawn.get(), image.get(), monitor, visible);
  }
  if (succeeded(result)) {
    canvas = std::move(drawn);
  }
  return result;
}

}  // namespace pixoria::platform
