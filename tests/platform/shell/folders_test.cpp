// Known folders from the environment and the user-dirs file, and folder creation.
#include "pixoria/platform/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "user_dirs.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::TestWorld;

TEST(FoldersTest, AppDataFollowsXdgDataHomeAndIgnoresARelativeOne) {
  TestWorld world;
  world.setVariable("HOME", "/home/ana");
  std::string folder;
  world.setVariable("XDG_DATA_HOME", "/data/ana");
  ASSERT_TRUE(getAppDataFolder(folder));
  EXPECT_EQ(folder, "/data/ana");
  world.setVariable("XDG_DATA_HOME", "data");
  ASSERT_TRUE(getAppDataFolder(folder));
  EXPECT_EQ(folder, "/home/ana/.local/share");
  world.setVariable("XDG_DATA_HOME", nullptr);
  ASSERT_TRUE(getAppDataFolder(folder));
  EXPECT_EQ(folder, "/home/ana/.local/share");
}

TEST(FoldersTest, PicturesComeFromUserDirsOrDefaultUnderHome) {
  TestWorld world;
  world.setVariable("HOME", world.root().c_str());
  world.setVariable("XDG_CONFIG_HOME", nullptr);
  std::string folder;
  ASSERT_TRUE(getPicturesFolder(folder));
  EXPECT_EQ(folder, world.root() + "/Pictures") << "no user-dirs file";

  world.makeFolder(".config");
  std::ofstream(world.root() + "/.config/user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
      << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  ASSERT_TRUE(getPicturesFolder(folder));
  EXPECT_EQ(folder, world.root() + "/Bilder");
}

TEST(UserDirsTest, ReadsValuesAsXdgUserDirDoes) {
  const std::string home = "/home/ana";
  std::string folder;
  struct Case {
    const char* text;
    const char* expected;  // null: not found
  };
  const Case cases[] = {
      {"XDG_PICTURES_DIR=\"$HOME/Fotos\"\n", "/home/ana/Fotos"},
      {"  XDG_PICTURES_DIR = \"/srv/pictures/\"", "/srv/pictures"},
      {"XDG_PICTURES_DIR=\"$HOME\"\n", "/home/ana"},
      {"XDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"\"\n", "/home/ana/My \"Pics\""},
      {"XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"/b\"\n", "/b"},
      {"XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"relative\"\n", "/a"},
      {"# XDG_PICTURES_DIR=\"/commented\"\n", nullptr},
      {"XDG_PICTURES_DIR=\"$HOMEWORK/x\"\n", nullptr},
      {"XDG_PICTURES_DIR=\"/unterminated\n", nullptr},
      {"XDG_PICTURES_DIRECTORY=\"/other\"\n", nullptr},
      {"XDG_PICTURES_DIR=$HOME/unquoted\n", nullptr},
  };
  for (const Case& c : cases) {
    folder = "unchanged";
    const bool found = posix::findUserDir(c.text, "PICTURES", home, folder);
    EXPECT_EQ(found, c.expected != nullptr) << c.text;
    if (c.expected != nullptr) {
      EXPECT_EQ(folder, c.expected) << c.text;
    }
  }
}

TEST(FoldersTest, CreatesMissingFoldersAndReportsExistence) {
  TestWorld world;
  const std::string nested = world.root() + "/a/b/c/";
  EXPECT_FALSE(fileExists(nested));
  ASSERT_TRUE(createDirectories(nested));
  EXPECT_TRUE(fileExists(nested));
  EXPECT_TRUE(createDirectories(nested)) << "existing already";
  struct stat info {};
  ASSERT_EQ(stat((world.root() + "/a/b").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  const std::string file = world.root() + "/a/file";
  std::ofstream(file) << "x";
  EXPECT_FALSE(createDirectories(file)) << "a file is in the way";
  EXPECT_FALSE(createDirectories(file + "/below"));
  EXPECT_FALSE(fileExists(""));

  std::string executableFolder;
  ASSERT_TRUE(getExecutableFolder(executableFolder));
  EXPECT_EQ(executableFolder, std::filesystem::canonical(PIXORIA_TEST_BINARY_DIR).string());
}

}  // namespace
}  // namespace pixoria::platform
