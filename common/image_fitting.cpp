#include "pixoria/common/image_fitting.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/imaging.h"

namespace pixoria {
namespace {

namespace pf = platform;

struct DrawnSize {
  int width = 0;
  int height = 0;
};

// Matches the screen's longer side, keeping the aspect ratio. The arithmetic is single-precision,
// multiplied first, then divided, truncated toward zero. Callers rule out zero dimensions.
DrawnSize drawnSizeFor(std::uint32_t imageWidth, std::uint32_t imageHeight, int screenWidth,
                       int screenHeight) {
  // Far beyond any canvas; keeps the float-to-int conversion defined for absurd ratios.
  constexpr float kLimit = 1.0e9f;
  const float w = static_cast<float>(imageWidth);
  const float h = static_cast<float>(imageHeight);
  if (screenWidth > screenHeight) {
    const float height = (h * static_cast<float>(screenWidth)) / w;
    return {screenWidth, static_cast<int>(std::fmin(height, kLimit))};
  }
  const float width = (w * static_cast<float>(screenHeight)) / h;
  return {static_cast<int>(std::fmin(width, kLimit)), screenHeight};
}

std::string formatFloat(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return text;
}

void traceSourceSize(const std::string& source, std::uint32_t w, std::uint32_t h, float ratio) {
  pf::outputDebugString(source + "\n");
  pf::outputDebugString("Image Width: " + std::to_string(w) + "\n");
  pf::outputDebugString("Image Height: " + std::to_string(h) + "\n");
  pf::outputDebugString("Image Ratio: " + formatFloat(ratio) + "\n");
}

void traceDrawnSize(DrawnSize drawn) {
  pf::outputDebugString("New Image Width: " + std::to_string(drawn.width) + "\n");
  pf::outputDebugString("New Image Height: " + std::to_string(drawn.height) + "\n");
}

// Draws the whole image at the top-left of a black screen-sized canvas. Null when any step fails.
pf::ImagePtr drawOnCanvas(pf::Image* image, std::uint32_t w, std::uint32_t h, DrawnSize drawn,
                          int screenWidth, int screenHeight) {
  pf::ImagePtr canvas;
  if (pf::createBitmap(screenWidth, screenHeight, canvas) != pf::GpStatus::ok) {
    return nullptr;
  }
  pf::GraphicsPtr graphics;
  if (pf::getImageGraphicsContext(canvas.get(), graphics) != pf::GpStatus::ok) {
    return nullptr;
  }
  pf::setInterpolationMode(graphics.get(), pf::InterpolationMode::highQualityBicubic);
  pf::setSmoothingMode(graphics.get(), pf::SmoothingMode::highQuality);
  const pf::GpStatus status = pf::drawImageRectRect(
      graphics.get(), image, 0.0f, 0.0f, static_cast<float>(drawn.width),
      static_cast<float>(drawn.height), 0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h));
  return status == pf::GpStatus::ok ? std::move(canvas) : nullptr;
}

bool findJpegEncoder(std::string& clsid) {
  std::vector<pf::ImageCodecInfo> encoders;
  if (pf::getImageEncoders(encoders) != pf::GpStatus::ok) {
    return false;
  }
  for (const pf::ImageCodecInfo& encoder : encoders) {
    if (encoder.mimeType == "image/jpeg") {
      clsid = encoder.clsid;
      return true;
    }
  }
  return false;
}

FitResult saveAsJpeg(pf::Image* image, const std::string& destination) {
  std::string clsid;
  if (!findJpegEncoder(clsid)) {
    pf::writeStandardOutput("Error: JPEG encoder not found.\n");
    return FitResult::notSaved;
  }
  const bool saved =
      image != nullptr && pf::saveImageToFile(image, destination, clsid) == pf::GpStatus::ok;
  pf::outputDebugString(saved ? "Image converted and saved\n" : "Conversion failed. Status\n");
  return saved ? FitResult::fitted : FitResult::notSaved;
}

}  // namespace

FitResult fitImage(const std::string& source, const std::string& destination, int screenWidth,
                   int screenHeight, FitVariant variant) {
  pf::ImagePtr image;
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  if (pf::loadImageFromFile(source, image) == pf::GpStatus::ok) {
    pf::getImageWidth(image.get(), w);
    pf::getImageHeight(image.get(), h);
  }
  if (variant == FitVariant::configurationApp) {
    const float fw = static_cast<float>(w);
    const float fh = static_cast<float>(h);
    const float ratio = screenWidth > screenHeight ? fh / fw : fw / fh;
    traceSourceSize(source, w, h, ratio);
    if (std::isnan(ratio)) {
      return saveAsJpeg(image.get(), destination);
    }
  }
  // An unreadable or empty source never reaches the division: it takes the failed-drawing path.
  if (w == 0 || h == 0 || screenWidth <= 0 || screenHeight <= 0) {
    return FitResult::notDrawn;
  }
  const DrawnSize drawn = drawnSizeFor(w, h, screenWidth, screenHeight);
  if (variant == FitVariant::configurationApp) {
    traceDrawnSize(drawn);
  }
  pf::ImagePtr canvas = drawOnCanvas(image.get(), w, h, drawn, screenWidth, screenHeight);
  if (!canvas) {
    return FitResult::notDrawn;
  }
  return saveAsJpeg(canvas.get(), destination);
}

}  // namespace pixoria
