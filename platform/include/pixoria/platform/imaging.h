// Imaging, after the GDI+ flat interface: load an image by content, draw it scaled into a 24-bit
// canvas with high-quality bicubic interpolation, list the encoders, save as JPEG.
//
// A loaded image is read lazily, as GDI+ does: loading reads the header (size and format); the
// pixels are decoded when the image is drawn or saved, shrunk on load and streamed in rows, so the
// memory a draw needs follows the drawn size, not the source's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pixoria::platform {

// GpStatus.
enum class GpStatus : int {
  ok = 0,
  genericError = 1,
  invalidParameter = 2,
  outOfMemory = 3,
  objectBusy = 4,
  insufficientBuffer = 5,
  notImplemented = 6,
  win32Error = 7,
  wrongState = 8,
  aborted = 9,
  fileNotFound = 10,
  valueOverflow = 11,
  accessDenied = 12,
  unknownImageFormat = 13,
};

// InterpolationMode and SmoothingMode, the values the programs use.
enum class InterpolationMode : int { highQualityBicubic = 7 };
enum class SmoothingMode : int { highQuality = 2 };

// GpImage: a loaded image file, or a canvas made by createBitmap (GpBitmap).
class Image;
void disposeImage(Image* image);  // GdipDisposeImage
struct ImageDeleter {
  void operator()(Image* image) const { disposeImage(image); }
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;

// GpGraphics: a drawing context on a canvas.
class Graphics;
void deleteGraphics(Graphics* graphics);  // GdipDeleteGraphics
struct GraphicsDeleter {
  void operator()(Graphics* graphics) const { deleteGraphics(graphics); }
};
using GraphicsPtr = std::unique_ptr<Graphics, GraphicsDeleter>;

// ImageCodecInfo, the two members the programs read.
struct ImageCodecInfo {
  std::string clsid;     // the encoder's class id, "{...}"
  std::string mimeType;  // "image/jpeg", ...
};

// GdiplusStartup / GdiplusShutdown.
GpStatus gdiplusStartup(std::uintptr_t& token);
void gdiplusShutdown(std::uintptr_t token);

// GdipLoadImageFromFile: decodes by content (JPEG, PNG, GIF, BMP, WebP), whatever the name.
GpStatus loadImageFromFile(std::string_view path, ImagePtr& image);

// GdipGetImageWidth / GdipGetImageHeight.
GpStatus getImageWidth(const Image* image, std::uint32_t& width);
GpStatus getImageHeight(const Image* image, std::uint32_t& height);

// GdipCreateBitmapFromScan0 with PixelFormat24bppRGB and no buffer: a black canvas.
GpStatus createBitmap(int width, int height, ImagePtr& bitmap);

// GdipGetImageGraphicsContext on a canvas.
GpStatus getImageGraphicsContext(Image* bitmap, GraphicsPtr& graphics);

// GdipSetInterpolationMode / GdipSetSmoothingMode.
GpStatus setInterpolationMode(Graphics* graphics, InterpolationMode mode);
GpStatus setSmoothingMode(Graphics* graphics, SmoothingMode mode);

// GdipDrawImageRectRect in pixel units: the source rectangle of `image` into the destination
// rectangle of the canvas, clipped to the canvas.
GpStatus drawImageRectRect(Graphics* graphics, Image* image, float dstX, float dstY, float dstWidth,
                           float dstHeight, float srcX, float srcY, float srcWidth,
                           float srcHeight);

// GdipGetImageEncodersSize / GdipGetImageEncoders, folded into one call.
GpStatus getImageEncoders(std::vector<ImageCodecInfo>& encoders);

// GdipSaveImageToFile with no encoder parameters (JPEG at the encoder's default quality, 75).
// The destination is replaced atomically: it holds its old content until the new one is whole.
GpStatus saveImageToFile(Image* image, std::string_view path, std::string_view encoderClsid);

// Read access to the pixels of a canvas made by createBitmap (GdipBitmapLockBits, read only, as
// 24-bit RGB): for code that hands a drawn canvas elsewhere (a display server, a Qt image). Rows
// top to bottom, 3 bytes per pixel in the order R, G, B; `stride` bytes from one row to the next.
struct BitmapPixels {
  const std::uint8_t* rgb;
  int width;
  int height;
  std::size_t stride;
};

// False when `bitmap` is null or is a loaded image file rather than a canvas. The pointer stays
// valid until the canvas is drawn into or freed, or this thread calls getBitmapPixels again
// (Windows copies the locked pixels into a buffer of the calling thread): copy the rows at once.
bool getBitmapPixels(Image* bitmap, BitmapPixels& pixels);

}  // namespace pixoria::platform
