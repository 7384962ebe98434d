#include "preview/shrunk_image.h"

#include <cstdint>
#include <cstring>

#include "pixoria/platform/imaging.h"

#ifdef Q_OS_WIN
#include "preview/shrunk_image_windows.h"
#endif

namespace {

namespace pf = pixoria::platform;

// The canvas's pixels as a QImage of its own (the canvas goes when the caller returns).
QImage copyOf(pf::Image* canvas) {
  pf::BitmapPixels pixels{};
  if (!pf::getBitmapPixels(canvas, pixels)) {
    return {};
  }
  QImage image(pixels.width, pixels.height, QImage::Format_RGB888);
  if (image.isNull()) {
    return {};
  }
  const auto rowBytes = static_cast<std::size_t>(pixels.width) * 3;
  for (int y = 0; y < pixels.height; ++y) {
    std::memcpy(image.scanLine(y), pixels.rgb + static_cast<std::size_t>(y) * pixels.stride,
                rowBytes);
  }
  return image;
}

}  // namespace

QImage decodeShrunk(const QString& path, QSize box) {
#ifdef Q_OS_WIN
  if (std::optional<QImage> shrunk = decodeShrunkWithQt(path, box)) {
    return *shrunk;
  }
#endif
  return decodeByPlatform(path, box);
}

QImage decodeByPlatform(const QString& path, QSize box) {
  pf::ImagePtr image;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (pf::loadImageFromFile(path.toStdString(), image) != pf::GpStatus::ok ||
      pf::getImageWidth(image.get(), width) != pf::GpStatus::ok ||
      pf::getImageHeight(image.get(), height) != pf::GpStatus::ok) {
    return {};
  }
  // The loader refuses sides beyond 65535, so the sizes fit an int.
  const QSize shown = previewSize(QSize(static_cast<int>(width), static_cast<int>(height)), box);
  pf::ImagePtr canvas;
  pf::GraphicsPtr graphics;
  if (shown.isEmpty() ||
      pf::createBitmap(shown.width(), shown.height(), canvas) != pf::GpStatus::ok ||
      pf::getImageGraphicsContext(canvas.get(), graphics) != pf::GpStatus::ok) {
    return {};
  }
  pf::setInterpolationMode(graphics.get(), pf::InterpolationMode::highQualityBicubic);
  const pf::GpStatus drawn =
      pf::drawImageRectRect(graphics.get(), image.get(), 0.0f, 0.0f,
                            static_cast<float>(shown.width()), static_cast<float>(shown.height()),
                            0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
  if (drawn != pf::GpStatus::ok) {
    return {};
  }
  return copyOf(canvas.get());
}
