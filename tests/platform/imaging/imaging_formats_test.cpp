// Every format read by content, drawn one to one, gives its pixels back (alpha over black); every
// listed encoder writes a file that reads back.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <webp/encode.h>

#include <cstdio>

#include "imaging/test_images.h"

// jpeglib.h uses FILE and size_t without declaring them.
#include <jpeglib.h>

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr int kWidth = 37, kHeight = 23;

// Smooth enough for JPEG to keep it close, varied enough to catch swapped channels or rows.
Rgb colourAt(int x, int y) {
  return {x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), 160};
}
int alphaAt(int x, int y) {
  return (x + y) % 3 == 0 ? 0 : (x % 2 ? 255 : 128);
}
Rgb overBlack(Rgb c, int alpha) {
  return {(c.r * alpha + 127) / 255, (c.g * alpha + 127) / 255, (c.b * alpha + 127) / 255};
}

void writeRgba16InterlacedPng(const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  png_set_IHDR(png, info, kWidth, kHeight, 16, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_ADAM7,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::vector<png_byte>> rows(kHeight, std::vector<png_byte>(kWidth * 8));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb c = colourAt(x, y);
      int samples[] = {c.r, c.g, c.b, alphaAt(x, y)};
      for (int s = 0; s < 4; ++s) {
        rows[y][x * 8 + s * 2] = static_cast<png_byte>(samples[s]);  // 16-bit: v * 257
        rows[y][x * 8 + s * 2 + 1] = static_cast<png_byte>(samples[s]);
      }
    }
    pointers.push_back(rows[y].data());
  }
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}

// Four-bit palette whose first entry is transparent.
void writePalettePng(const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  png_set_IHDR(png, info, kWidth, kHeight, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[16];
  for (int i = 0; i < 16; ++i) {
    palette[i] = {static_cast<png_byte>(i * 17), static_cast<png_byte>(255 - i * 17), 40};
  }
  png_set_PLTE(png, info, palette, 16);
  png_byte transparent[1] = {0};
  png_set_tRNS(png, info, transparent, 1, nullptr);
  png_write_info(png, info);
  std::vector<png_byte> row((kWidth + 1) / 2);
  for (int y = 0; y < kHeight; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < kWidth; ++x) {
      row[x / 2] |= static_cast<png_byte>(((x + y) % 16) << (x % 2 ? 0 : 4));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}
Rgb paletteAt(int x, int y) {
  int i = (x + y) % 16;
  return i == 0 ? Rgb{0, 0, 0} : Rgb{i * 17, 255 - i * 17, 40};
}

// A frame smaller than the logical screen, placed at (3, 2), with a transparent index.
constexpr int kFrameLeft = 3, kFrameTop = 2, kFrameWidth = 30, kFrameHeight = 18;
void writeGif(const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (int i = 0; i < 256; ++i) {
    map->Colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), 99};
  }
  EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
  GifByteType control[4] = {1, 0, 0, 7};  // transparent index 7
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
  EGifPutImageDesc(gif, kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight, false, nullptr);
  std::vector<GifPixelType> row(kFrameWidth);
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      row[x] = static_cast<GifPixelType>(x * 8 + y);
    }
    EGifPutLine(gif, row.data(), kFrameWidth);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
}
Rgb gifAt(int x, int y) {
  int fx = x - kFrameLeft, fy = y - kFrameTop;
  if (fx < 0 || fy < 0 || fx >= kFrameWidth || fy >= kFrameHeight) {
    return {0, 0, 0};
  }
  int index = fx * 8 + fy;
  return index == 7 ? Rgb{0, 0, 0} : Rgb{index, 255 - index, 99};
}

void writeWebp(const std::string& path) {
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb c = colourAt(x, y);
      rgba.insert(rgba.end(),
                  {static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                   static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(alphaAt(x, y))});
    }
  }
  std::uint8_t* encoded = nullptr;
  std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), kWidth, kHeight, kWidth * 4, &encoded);
  writeBytes(path, std::string(reinterpret_cast<char*>(encoded), size));
  WebPFree(encoded);
}

// Top-down, 32 bits per pixel with bit fields in an unusual order (blue highest).
void writeBitFieldsBmp(const std::string& path) {
  std::string bmp = "BM";
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      bmp += static_cast<char>((v >> (8 * i)) & 255);
    }
  };
  put(66 + kWidth * kHeight * 4, 4), put(0, 4), put(66, 4);
  put(40, 4), put(kWidth, 4), put(static_cast<std::uint32_t>(-kHeight), 4), put(1, 2), put(32, 2),
      put(3, 4);
  put(kWidth * kHeight * 4, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
  put(0x0000FF00, 4), put(0x00FF0000, 4), put(0xFF000000, 4);  // red, green, blue masks
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb c = colourAt(x, y);
      put(static_cast<std::uint32_t>(c.r) << 8 | static_cast<std::uint32_t>(c.g) << 16 |
              static_cast<std::uint32_t>(c.b) << 24,
          4);
    }
  }
  writeBytes(path, bmp);
}

void writeJpegWith(const std::string& path, bool progressive, bool cmyk) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = cmyk ? 4 : 3;
  info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 98, TRUE);
  if (progressive) {
    jpeg_simple_progression(&info);
  }
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(kWidth * info.input_components);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb c = colourAt(x, y);
      if (cmyk) {  // stored inverted, as Adobe applications write it; no black ink
        JSAMPLE inks[] = {static_cast<JSAMPLE>(c.r), static_cast<JSAMPLE>(c.g),
                          static_cast<JSAMPLE>(c.b), 255};
        std::copy(inks, inks + 4, &row[x * 4]);
      } else {
        row[x * 3] = static_cast<JSAMPLE>(c.r), row[x * 3 + 1] = static_cast<JSAMPLE>(c.g),
                row[x * 3 + 2] = static_cast<JSAMPLE>(c.b);
      }
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

struct Format {
  const char* name;
  std::function<void(const std::string&)> write;
  std::function<Rgb(int, int)> expected;
  int tolerance;
};

class Formats : public testing::TestWithParam<Format> {};

TEST_P(Formats, DrawOneToOneGivesThePixelsBack) {
  TempFolder folder;
  const std::string path = folder.file("download.jpg");  // the name never decides
  GetParam().write(path);
  pf::GpStatus status = pf::GpStatus::genericError;
  Picture canvas = drawIntoCanvas(path, kWidth, kHeight, 0, 0, kWidth, kHeight, &status);
  ASSERT_EQ(status, pf::GpStatus::ok);
  int worst = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb got = canvas.at(x, y), want = GetParam().expected(x, y);
      worst = std::max(
          {worst, std::abs(got.r - want.r), std::abs(got.g - want.g), std::abs(got.b - want.b)});
    }
  }
  EXPECT_LE(worst, GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    ByContent, Formats,
    testing::Values(
        Format{"Rgba16InterlacedPng", writeRgba16InterlacedPng,
               [](int x, int y) { return overBlack(colourAt(x, y), alphaAt(x, y)); }, 1},
        Format{"PalettePngWithTransparency", writePalettePng, paletteAt, 0},
        Format{"GifFrameWithTransparency", writeGif, gifAt, 0},
        Format{"LosslessWebpWithAlpha", writeWebp,
               [](int x, int y) { return overBlack(colourAt(x, y), alphaAt(x, y)); }, 1},
        Format{"BitFieldsBmpTopDown", writeBitFieldsBmp, colourAt, 0},
        Format{"ProgressiveJpeg", [](const std::string& p) { writeJpegWith(p, true, false); },
               colourAt, 8},
        Format{"AdobeCmykJpeg", [](const std::string& p) { writeJpegWith(p, false, true); },
               colourAt, 8}),
    [](const testing::TestParamInfo<Format>& info) { return info.param.name; });

TEST(Encoders, EveryListedEncoderWritesAFileThatReadsBack) {
  TempFolder folder;
  writePng(folder.file("source.png"), makePicture(kWidth, kHeight, colourAt));
  pf::ImagePtr source, canvas;
  pf::GraphicsPtr graphics;
  ASSERT_EQ(pf::loadImageFromFile(folder.file("source.png"), source), pf::GpStatus::ok);
  ASSERT_EQ(pf::createBitmap(kWidth, kHeight, canvas), pf::GpStatus::ok);
  ASSERT_EQ(pf::getImageGraphicsContext(canvas.get(), graphics), pf::GpStatus::ok);
  ASSERT_EQ(pf::drawImageRectRect(graphics.get(), source.get(), 0, 0, kWidth, kHeight, 0, 0, kWidth,
                                  kHeight),
            pf::GpStatus::ok);
  std::vector<pf::ImageCodecInfo> encoders;
  ASSERT_EQ(pf::getImageEncoders(encoders), pf::GpStatus::ok);
  ASSERT_TRUE(std::any_of(encoders.begin(), encoders.end(),
                          [](const auto& e) { return e.mimeType == "image/jpeg"; }));
  for (const auto& encoder : encoders) {
    SCOPED_TRACE(encoder.mimeType);
    const std::string path = folder.file(encoder.mimeType == "image/png" ? "saved.png" : "saved");
    writeBytes(path, "old");
    ASSERT_EQ(pf::saveImageToFile(canvas.get(), path, encoder.clsid), pf::GpStatus::ok);
    bool lossy = encoder.mimeType == "image/jpeg";
    pf::GpStatus status = pf::GpStatus::genericError;
    Picture back = drawIntoCanvas(path, kWidth, kHeight, 0, 0, kWidth, kHeight, &status);
    ASSERT_EQ(status, pf::GpStatus::ok);
    for (int y = 0; y < kHeight; y += 5) {
      for (int x = 0; x < kWidth; x += 5) {
        EXPECT_NEAR(back.at(x, y).r, colourAt(x, y).r, lossy ? 12 : 0) << x << "," << y;
        EXPECT_NEAR(back.at(x, y).g, colourAt(x, y).g, lossy ? 12 : 0) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(folder.names().size(), 3u) << "temporary files are renamed or removed";

  // A loaded image saves through a canvas of its own size.
  const std::string png = std::find_if(encoders.begin(), encoders.end(), [](const auto& e) {
                            return e.mimeType == "image/png";
                          })->clsid;
  ASSERT_EQ(pf::saveImageToFile(source.get(), folder.file("copy.png"), png), pf::GpStatus::ok);
  EXPECT_EQ(readBytes(folder.file("copy.png")), readBytes(folder.file("saved.png")));
}

// Saving with no parameters means quality 75: the luminance table starts at 8 (16 scaled by 50%).
TEST(Encoders, JpegUsesQuality75) {
  TempFolder folder;
  writePng(folder.file("source.png"), makePicture(kWidth, kHeight, colourAt));
  ASSERT_EQ(fitLikeTheAgent(folder.file("source.png"), folder.file("image.jpg"), 64, 48),
            pf::GpStatus::ok);
  std::FILE* in = std::fopen(folder.file("image.jpg").c_str(), "rb");
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, in);
  jpeg_read_header(&info, TRUE);
  ASSERT_NE(info.quant_tbl_ptrs[0], nullptr);
  EXPECT_EQ(info.quant_tbl_ptrs[0]->quantval[0], 8);
  EXPECT_EQ(info.image_width, 64u);
  jpeg_destroy_decompress(&info);
  std::fclose(in);
}

}  // namespace
}  // namespace pixoria::test
