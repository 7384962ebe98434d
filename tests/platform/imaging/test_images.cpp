#include "imaging/test_images.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "pixoria/platform/imaging.h"

// jpeglib.h uses FILE and size_t without declaring them.
#include <jpeglib.h>

namespace pixoria::test {

namespace pf = platform;

Rgb Picture::at(int x, int y) const {
  const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)) *
                               3];
  return {p[0], p[1], p[2]};
}

Picture makePicture(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
  Picture picture{width, height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb c = pixel(x, y);
      std::uint8_t* p = &picture.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(c.r);
      p[1] = static_cast<std::uint8_t>(c.g);
      p[2] = static_cast<std::uint8_t>(c.b);
    }
  }
  return picture;
}

void writeJpeg(const std::string& path, const Picture& picture, int quality) {
  writeJpeg(path, picture, JpegOptions{.quality = quality});
}

void writeJpeg(const std::string& path, const Picture& picture, const JpegOptions& options) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.grey) {
    jpeg_set_colorspace(&info, JCS_GRAYSCALE);
  }
  info.comp_info[0].h_samp_factor = options.lumaHorizontal;
  info.comp_info[0].v_samp_factor = options.lumaVertical;
  if (options.progressive) {
    jpeg_simple_progression(&info);
  }
  info.restart_in_rows = options.restartRows;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto* row = const_cast<JSAMPROW>(
        &picture.rgb[static_cast<std::size_t>(info.next_scanline) * picture.width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

void writePng(const std::string& path, const Picture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr));
}

Picture readJpeg(const std::string& path) {
  Picture picture;
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) {
    return picture;
  }
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, in);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  picture.width = static_cast<int>(info.output_width);
  picture.height = static_cast<int>(info.output_height);
  picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &picture.rgb[static_cast<std::size_t>(info.output_scanline) * picture.width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(in);
  return picture;
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TempFolder::TempFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "pixoria-imaging-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

TempFolder::~TempFolder() {
  std::filesystem::remove_all(path_);
}

std::vector<std::string> TempFolder::names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

pf::GpStatus fitLikeTheAgent(const std::string& source, const std::string& destination,
                             int screenWidth, int screenHeight) {
  pf::ImagePtr image;
  std::uint32_t w = 0, h = 0;
  if (pf::loadImageFromFile(source, image) == pf::GpStatus::ok) {
    pf::getImageWidth(image.get(), w);
    pf::getImageHeight(image.get(), h);
  }
  float drawnWidth = static_cast<float>(screenWidth),
        drawnHeight = static_cast<float>(screenHeight);
  if (screenWidth > screenHeight) {
    drawnHeight = static_cast<float>(static_cast<int>(
        (static_cast<float>(h) * static_cast<float>(screenWidth)) / static_cast<float>(w)));
  } else {
    drawnWidth = static_cast<float>(static_cast<int>(
        (static_cast<float>(w) * static_cast<float>(screenHeight)) / static_cast<float>(h)));
  }
  pf::ImagePtr canvas;
  pf::GraphicsPtr graphics;
  pf::GpStatus status = pf::createBitmap(screenWidth, screenHeight, canvas);
  if (status == pf::GpStatus::ok) {
    status = pf::getImageGraphicsContext(canvas.get(), graphics);
  }
  if (status == pf::GpStatus::ok) {
    pf::setInterpolationMode(graphics.get(), pf::InterpolationMode::highQualityBicubic);
    status = pf::drawImageRectRect(graphics.get(), image.get(), 0, 0, drawnWidth, drawnHeight, 0, 0,
                                   static_cast<float>(w), static_cast<float>(h));
  }
  if (status != pf::GpStatus::ok) {
    return status;
  }
  std::vector<pf::ImageCodecInfo> encoders;
  pf::getImageEncoders(encoders);
  for (const auto& encoder : encoders) {
    if (encoder.mimeType == "image/jpeg") {
      return pf::saveImageToFile(canvas.get(), destination, encoder.clsid);
    }
  }
  return pf::GpStatus::fileNotFound;
}

Picture drawIntoCanvas(const std::string& source, int canvasWidth, int canvasHeight, float dstX,
                       float dstY, float dstWidth, float dstHeight, pf::GpStatus* status) {
  pf::GpStatus ignored;
  pf::GpStatus& result = status ? *status : ignored;
  pf::ImagePtr image;
  pf::ImagePtr canvas;
  pf::GraphicsPtr graphics;
  std::uint32_t w = 0, h = 0;
  result = pf::loadImageFromFile(source, image);
  if (result != pf::GpStatus::ok) {
    return {};
  }
  pf::getImageWidth(image.get(), w);
  pf::getImageHeight(image.get(), h);
  pf::createBitmap(canvasWidth, canvasHeight, canvas);
  pf::getImageGraphicsContext(canvas.get(), graphics);
  result = pf::drawImageRectRect(graphics.get(), image.get(), dstX, dstY, dstWidth, dstHeight, 0, 0,
                                 static_cast<float>(w), static_cast<float>(h));
  if (result != pf::GpStatus::ok) {
    return {};
  }
  pf::BitmapPixels pixels{};
  EXPECT_TRUE(pf::getBitmapPixels(canvas.get(), pixels));
  Picture picture{pixels.width, pixels.height, {}};
  for (int y = 0; y < pixels.height; ++y) {
    const std::uint8_t* row = pixels.rgb + static_cast<std::size_t>(y) * pixels.stride;
    picture.rgb.insert(picture.rgb.end(), row, row + static_cast<std::size_t>(pixels.width) * 3);
  }
  return picture;
}

}  // namespace pixoria::test
