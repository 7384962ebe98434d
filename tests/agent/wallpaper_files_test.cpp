#include <filesystem>

#include "agent/agent_test_fixture.h"
#include "agent/wallpaper_paths.h"
#include "pixoria/platform/folders.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

const std::string kSep(1, platform::kPathSeparator);

class WallpaperFilesTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    root = makeTemporaryFolder();
  }
  void TearDown() override { removeFolder(root); }
  std::string root;
};

TEST_F(WallpaperFilesTest, FilesLiveInTheWallpaperFolderWhichIsCreatedWhenMissing) {
  fake::setAppDataFolder(root + "/data");
  std::string first = "stale";
  std::string second = "stale";
  getWallpaperPaths(first, second);
  const std::string folder = root + "/data" + kSep + "Corvane Tavemark Plus!" + kSep + "Wallpaper";
  EXPECT_EQ(first, folder + kSep + "temp_image.jpg");
  EXPECT_EQ(second, folder + kSep + "temp_image2.jpg");
  EXPECT_EQ(firstImagePath, folder + kSep + "image.jpg");
  EXPECT_EQ(secondImagePath, folder + kSep + "image2.jpg");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(WallpaperFilesTest, WithoutTheShellFolderTheFilesGoIntoTheCurrentDirectory) {
  fake::setAppDataFolder(std::nullopt);
  fake::setCurrentDirectory(root);
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  EXPECT_EQ(first, root + kSep + "temp_image.jpg");
  EXPECT_EQ(secondImagePath, root + kSep + "image2.jpg");
}

TEST_F(WallpaperFilesTest, AnUncreatableFolderIsReportedNotFatal) {
  writeFileBytes(root + "/data", "a file where the folder should be");
  fake::setAppDataFolder(root + "/data");
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  EXPECT_EQ(first, root + "/data" + kSep + "Corvane Tavemark Plus!" + kSep + "Wallpaper" + kSep +
                       "temp_image.jpg");
  EXPECT_NE(fake::debugOutput().find("Cannot create the wallpaper folder"), std::string::npos);
}

}  // namespace
}  // namespace pixoria::test
