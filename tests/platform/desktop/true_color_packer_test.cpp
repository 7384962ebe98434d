// Packing R,G,B rows into the pixel words of TrueColor visuals other than the usual one, where a
// swapped channel or byte order would paint the wrong colours.
#include "platform/posix/desktop/true_color_packer.h"

#include <gtest/gtest.h>

#include <vector>

namespace pixoria::platform {
namespace {

std::vector<std::uint8_t> packOne(const TrueColorPacker& packer, std::uint8_t r, std::uint8_t g,
                                  std::uint8_t b) {
  const std::uint8_t rgb[3] = {r, g, b};
  std::vector<std::uint8_t> out(static_cast<std::size_t>(packer.bytesPerPixel()));
  packer.packRow(rgb, 1, out.data());
  return out;
}

TEST(TrueColorPacker, PlacesChannelsByMaskAndByteOrder) {
  TrueColorPacker packer;
  ASSERT_TRUE(TrueColorPacker::create(0xFF0000, 0x00FF00, 0x0000FF, 32, false, packer));
  EXPECT_EQ(packOne(packer, 0x11, 0x22, 0x33), (std::vector<std::uint8_t>{0x33, 0x22, 0x11, 0}));
  ASSERT_TRUE(TrueColorPacker::create(0xFF0000, 0x00FF00, 0x0000FF, 32, true, packer));
  EXPECT_EQ(packOne(packer, 0x11, 0x22, 0x33), (std::vector<std::uint8_t>{0, 0x11, 0x22, 0x33}));
  // A BGR visual in packed 24-bit pixels.
  ASSERT_TRUE(TrueColorPacker::create(0x0000FF, 0x00FF00, 0xFF0000, 24, false, packer));
  EXPECT_EQ(packOne(packer, 0x11, 0x22, 0x33), (std::vector<std::uint8_t>{0x11, 0x22, 0x33}));
}

TEST(TrueColorPacker, ScalesToChannelWidths) {
  TrueColorPacker packer;
  // 10 bits a channel (depth 30 servers): full intensity must stay full.
  ASSERT_TRUE(TrueColorPacker::create(0x3FF00000, 0x000FFC00, 0x000003FF, 32, false, packer));
  EXPECT_EQ(packer.pixel(0xFF, 0x00, 0xFF), 0x3FF003FFu);
  EXPECT_EQ(packer.pixel(0x80, 0x80, 0x80), (0x202u << 20) | (0x202u << 10) | 0x202u);
  // Narrow channels keep the high bits.
  ASSERT_TRUE(TrueColorPacker::create(0xF800, 0x07E0, 0x001F, 32, false, packer));
  EXPECT_EQ(packer.pixel(0xFF, 0xFF, 0xFF), 0xFFFFu);
  EXPECT_EQ(packer.pixel(0x08, 0x04, 0x0F), 0x0821u);
}

TEST(TrueColorPacker, RefusesLayoutsItCannotWrite) {
  TrueColorPacker packer;
  EXPECT_FALSE(TrueColorPacker::create(0, 0xFF00, 0xFF, 32, false, packer));
  EXPECT_FALSE(TrueColorPacker::create(0xF0F000, 0xF00, 0xF, 32, false, packer));      // gapped
  EXPECT_FALSE(TrueColorPacker::create(0xFF0000, 0xFFFF00, 0xFF, 32, false, packer));  // overlap
  EXPECT_FALSE(TrueColorPacker::create(0xFF0000, 0xFF00, 0xFF, 16, false, packer));
  EXPECT_FALSE(TrueColorPacker::create(0xFF000000, 0xFF00, 0xFF, 24, false, packer));
}

}  // namespace
}  // namespace pixoria::platform
