// Imaging on the GDI+ flat interface. The header's opaque Image and Graphics are GDI+'s own
// GpImage and GpGraphics.
#include "pixoria/platform/imaging.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <gdiplus.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "pixoria/platform/files.h"
#include "wide_text.h"

namespace pixoria::platform {

namespace {

namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;
using win32::toUtf8;
using win32::toWide;

// Images that declare more than this are refused before GDI+ decodes a pixel: a hostile header
// must not make the agent allocate gigabytes. Canvases are the screen's size.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 28;
constexpr std::uint64_t kMaxCanvasPixels = std::uint64_t{1} << 26;

gp::GpImage* toGp(Image* image) {
  return reinterpret_cast<gp::GpImage*>(image);
}
gp::GpImage* toGp(const Image* image) {
  return reinterpret_cast<gp::GpImage*>(const_cast<Image*>(image));
}
gp::GpGraphics* toGp(Graphics* graphics) {
  return reinterpret_cast<gp::GpGraphics*>(graphics);
}

GpStatus fromGp(gp::GpStatus status) {
  return static_cast<GpStatus>(status);
}

std::string guidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return toUtf8(text);
}

bool withinLimits(std::uint64_t width, std::uint64_t height, std::uint64_t maxPixels) {
  return width > 0 && height > 0 && width * height <= maxPixels;
}

}  // namespace

void disposeImage(Image* image) {
  if (image != nullptr) {
    flat::GdipDisposeImage(toGp(image));
  }
}

void deleteGraphics(Graphics* graphics) {
  if (graphics != nullptr) {
    flat::GdipDeleteGraphics(toGp(graphics));
  }
}

GpStatus gdiplusStartup(std::uintptr_t& token) {
  gp::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  ULONG_PTR started = 0;
  const gp::GpStatus status = gp::GdiplusStartup(&started, &input, nullptr);
  if (status == gp::Ok) {
    token = started;
  }
  return fromGp(status);
}

void gdiplusShutdown(std::uintptr_t token) {
  if (token != 0) {
    gp::GdiplusShutdown(token);
  }
}

GpStatus loadImageFromFile(std::string_view path, ImagePtr& image) {
  gp::GpImage* loaded = nullptr;
  const gp::GpStatus status = flat::GdipLoadImageFromFile(toWide(path).c_str(), &loaded);
  if (status != gp::Ok) {
    return fromGp(status);
  }
  UINT width = 0;
  UINT height = 0;
  flat::GdipGetImageWidth(loaded, &width);
  flat::GdipGetImageHeight(loaded, &height);
  if (!withinLimits(width, height, kMaxImagePixels)) {
    flat::GdipDisposeImage(loaded);
    return GpStatus::outOfMemory;
  }
  image.reset(reinterpret_cast<Image*>(loaded));
  return GpStatus::ok;
}

GpStatus getImageWidth(const Image* image, std::uint32_t& width) {
  UINT value = 0;
  const gp::GpStatus status = flat::GdipGetImageWidth(toGp(image), &value);
  if (status == gp::Ok) {
    width = value;
  }
  return fromGp(status);
}

GpStatus getImageHeight(const Image* image, std::uint32_t& height) {
  UINT value = 0;
  const gp::GpStatus status = flat::GdipGetImageHeight(toGp(image), &value);
  if (status == gp::Ok) {
    height = value;
  }
  return fromGp(status);
}

GpStatus createBitmap(int width, int height, ImagePtr& bitmap) {
  if (width <= 0 || height <= 0 ||
      !withinLimits(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                    kMaxCanvasPixels)) {
    return GpStatus::invalidParameter;
  }
  gp::GpBitmap* created = nullptr;
  const gp::GpStatus status =
      flat::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &created);
  if (status == gp::Ok) {
    bitmap.reset(reinterpret_cast<Image*>(static_cast<gp::GpImage*>(created)));
  }
  return fromGp(status);
}

GpStatus getImageGraphicsContext(Image* bitmap, GraphicsPtr& graphics) {
  gp::GpGraphics* context = nullptr;
  const gp::GpStatus status = flat::GdipGetImageGraphicsContext(toGp(bitmap), &context);
  if (status == gp::Ok) {
    graphics.reset(reinterpret_cast<Graphics*>(context));
  }
  return fromGp(status);
}

GpStatus setInterpolationMode(Graphics* graphics, InterpolationMode mode) {
  return fromGp(
      flat::GdipSetInterpolationMode(toGp(graphics), static_cast<gp::InterpolationMode>(mode)));
}

GpStatus setSmoothingMode(Graphics* graphics, SmoothingMode mode) {
  return fromGp(flat::GdipSetSmoothingMode(toGp(graphics), static_cast<gp::SmoothingMode>(mode)));
}

GpStatus drawImageRectRect(Graphics* graphics, Image* image, float dstX, float dstY, float dstWidth,
                           float dstHeight, float srcX, float srcY, float srcWidth,
                           float srcHeight) {
  return fromGp(flat::GdipDrawImageRectRect(toGp(graphics), toGp(image), dstX, dstY, dstWidth,
                                            dstHeight, srcX, srcY, srcWidth, srcHeight,
                                            gp::UnitPixel, nullptr, nullptr, nullptr));
}

GpStatus getImageEncoders(std::vector<ImageCodecInfo>& encoders) {
  UINT count = 0;
  UINT bytes = 0;
  gp::GpStatus status = flat::GdipGetImageEncodersSize(&count, &bytes);
  if (status != gp::Ok) {
    return fromGp(status);
  }
  if (count == 0 || bytes < count * sizeof(gp::ImageCodecInfo)) {
    encoders.clear();
    return GpStatus::ok;
  }
  // The codec records and the strings they point at share one buffer.
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes]);
  if (!buffer) {
    return GpStatus::outOfMemory;
  }
  auto* codecs = reinterpret_cast<gp::ImageCodecInfo*>(buffer.get());
  status = flat::GdipGetImageEncoders(count, bytes, codecs);
  if (status != gp::Ok) {
    return fromGp(status);
  }
  try {
    std::vector<ImageCodecInfo> listed;
    for (UINT i = 0; i < count; ++i) {
      listed.push_back({guidText(codecs[i].Clsid),
                        codecs[i].MimeType != nullptr ? toUtf8(codecs[i].MimeType) : ""});
    }
    encoders = std::move(listed);
  } catch (const std::bad_alloc&) {
    return GpStatus::outOfMemory;
  }
  return GpStatus::ok;
}

GpStatus saveImageToFile(Image* image, std::string_view path, std::string_view encoderClsid) {
  CLSID encoder{};
  std::wstring clsidText = toWide(encoderClsid);
  if (FAILED(CLSIDFromString(clsidText.data(), &encoder))) {
    return GpStatus::invalidParameter;
  }
  gp::GpStatus status = gp::Ok;
  const bool replaced = replaceFileFrom(std::string(path), [&](const std::string& temporary) {
    status = flat::GdipSaveImageToFile(toGp(image), toWide(temporary).c_str(), &encoder, nullptr);
    return status == gp::Ok;
  });
  if (status != gp::Ok) {
    return fromGp(status);
  }
  return replaced ? GpStatus::ok : GpStatus::win32Error;
}

}  // namespace pixoria::platform
