// The menus behind the popup-menu calls, the ids a tray host sees, and the drawn icon.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pixoria/platform/tray.h"
#include "tray/icon_pixmap.h"
#include "tray/menu_tree.h"

namespace pixoria::platform {
namespace {

using posix::buildMenuTree;
using posix::escapeMnemonics;
using posix::kGeneratedIdBase;

TEST(MenuModelTest, DestroyTakesSubmenusAndStaleHandlesAreRefused) {
  MenuHandle main = createPopupMenu();
  MenuHandle sub = createPopupMenu();
  ASSERT_TRUE(appendMenuItem(sub, 307, "Next Image"));
  ASSERT_TRUE(appendSubmenu(main, sub, "Bing"));
  EXPECT_FALSE(appendSubmenu(sub, main, "Cycle")) << "a menu cannot contain itself";
  EXPECT_FALSE(appendSubmenu(main, main, "Self"));

  ASSERT_TRUE(destroyMenu(main));
  EXPECT_FALSE(destroyMenu(sub)) << "went with its parent";
  EXPECT_FALSE(appendMenuItem(sub, 308, "Previous Image"));
  EXPECT_FALSE(destroyMenu(main));
  EXPECT_FALSE(appendMenuItem(nullptr, 1, "x"));
  EXPECT_EQ(buildMenuTree(main).size(), 1u) << "a dead menu reads as an empty root";
}

TEST(MenuModelTest, TreeIdsKeepCommandNumbersAndNeverCollide) {
  MenuHandle main = createPopupMenu();
  MenuHandle sub = createPopupMenu();
  appendMenuItem(sub, 0, "Zero");
  appendMenuItem(sub, 0x7FFFFFF0u, "Huge");
  appendSubmenu(main, sub, "Sub");
  appendMenuItem(main, 208, "Configuration");

  const auto tree = buildMenuTree(main);
  ASSERT_EQ(tree.size(), 5u);
  ASSERT_EQ(tree[0].children.size(), 2u);
  const auto& submenu = tree[tree[0].children[0]];
  EXPECT_TRUE(submenu.isSubmenu);
  EXPECT_GE(submenu.id, kGeneratedIdBase);
  EXPECT_EQ(tree[tree[0].children[1]].id, 208);
  std::vector<std::int32_t> ids;
  for (const auto& item : tree) {
    ids.push_back(item.id);
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "ids must be unique";
  for (const std::size_t child : submenu.children) {
    EXPECT_GE(tree[child].id, kGeneratedIdBase) << "0 and out-of-range commands get their own ids";
  }
  EXPECT_EQ(tree[submenu.children[0]].commandId, 0u);
  destroyMenu(main);

  EXPECT_EQ(escapeMnemonics("Save_as__now"), "Save__as____now");
}

// Writes the icon as an RGBA PNG, to look at it.
void writePng(const std::string& path, int size, const std::vector<std::uint8_t>& argb) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (file == nullptr || png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (file != nullptr) {
      std::fclose(file);
    }
    return;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(size) * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &argb[(static_cast<std::size_t>(y) * size + x) * 4];
      std::uint8_t* q = &row[static_cast<std::size_t>(x) * 4];
      q[0] = p[1];
      q[1] = p[2];
      q[2] = p[3];
      q[3] = p[0];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

TEST(IconPixmapTest, RoundedOpaqueMarkWithSoftEdges) {
  for (const int size : kIconPixmapSizes) {
    const std::vector<std::uint8_t> argb = drawIconArgb(size);
    ASSERT_EQ(argb.size(), static_cast<std::size_t>(size * size * 4));
    const auto alpha = [&](int x, int y) {
      return argb[(static_cast<std::size_t>(y) * size + x) * 4];
    };
    EXPECT_EQ(alpha(0, 0), 0) << "rounded corner at " << size;
    EXPECT_EQ(alpha(size - 1, size - 1), 0);
    EXPECT_EQ(alpha(size / 2, size / 2), 255);
    int partial = 0;
    for (std::size_t i = 0; i < argb.size(); i += 4) {
      partial += argb[i] != 0 && argb[i] != 255;
    }
    EXPECT_GT(partial, 0) << "edges are anti-aliased";
    writePng(
        std::string(PIXORIA_TEST_BINARY_DIR) + "/pixoria-icon-" + std::to_string(size) + ".png",
        size, argb);
  }
}

}  // namespace
}  // namespace pixoria::platform
