#include "agent/wallpaper_files.h"

#include <filesystem>

#include "agent/agent_test_fixture.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

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
  const std::string folder = root + "/data/Corvane Tavemark Plus!/Wallpaper";
  EXPECT_EQ(first, folder + "/temp_image.jpg");
  EXPECT_EQ(second, folder + "/temp_image2.jpg");
  EXPECT_EQ(firstImagePath, folder + "/image.jpg");
  EXPECT_EQ(secondImagePath, folder + "/image2.jpg");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(WallpaperFilesTest, WithoutTheShellFolderTheFilesGoIntoTheCurrentDirectory) {
  fake::setAppDataFolder(std::nullopt);
  fake::setCurrentDirectory(root);
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  EXPECT_EQ(first, root + "/temp_image.jpg");
  EXPECT_EQ(secondImagePath, root + "/image2.jpg");
}

TEST_F(WallpaperFilesTest, AnUncreatableFolderIsReportedNotFatal) {
  writeFileBytes(root + "/data", "a file where the folder should be");
  fake::setAppDataFolder(root + "/data");
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  EXPECT_EQ(first, root + "/data/Corvane Tavemark Plus!/Wallpaper/temp_image.jpg");
  EXPECT_NE(fake::debugOutput().find("Cannot create the wallpaper folder"), std::string::npos);
}

}  // namespace
}  // namespace pixoria::test
