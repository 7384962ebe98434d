// The sweep of what a crash left: exactly our writers' temporaries go, the hive's only under its
// lock, the others only once older than any write of ours takes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pixoria/platform/leftovers.h"

namespace pixoria::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::minutes kTooYoung{9};
constexpr std::chrono::minutes kOldEnough{11};

class CrashLeftoversTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = fs::temp_directory_path() / "pixoria-leftovers-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      if (const char* value = std::getenv(name)) {
        saved_.emplace_back(name, value);
      } else {
        saved_.emplace_back(name, std::nullopt);
      }
    }
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
  }

  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  std::string hiveFolder() const { return root_ + "/config/pixoria"; }
  std::string wallpaperFolder() const { return root_ + "/data/Corvane Tavemark Plus!/Wallpaper"; }
  std::string copyFolder() const { return root_ + "/data/pixoria/desktop"; }
  std::string autostartFolder() const { return root_ + "/config/autostart"; }

  // A file last modified `age` ago.
  static void put(const std::string& path, std::chrono::minutes age) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "half written";
    const timespec when{time(nullptr) - std::chrono::seconds(age).count(), 0};
    const timespec times[2] = {when, when};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  }

  static std::vector<std::string> names(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
      found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  void sweep() { removeCrashLeftovers(wallpaperFolder(), "LumivexGlass"); }

  // Whether a lock request on `path` is blocked: /proc/locks lists a waiter as "-> FLOCK ..." with
  // the file as "major:minor:inode" (the device numbers in hexadecimal).
  static bool lockAwaited(const std::string& path) {
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) {
      return false;
    }
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
      if (line.find("-> ") != std::string::npos && line.find(id) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  std::string root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(CrashLeftoversTest, RemovesOnlyOurOldTemporaries) {
  const std::string wallpapers = wallpaperFolder();
  for (const char* name : {"temp_image.jpg.download-Ab12Cd", "temp_image2.jpg.download-xY9zQ1",
                           ".image.jpg.x1Y2z3", ".image2.jpg.AAAAAA", ".temp_image2.jpg.q1w2e3",
                           "..temp_image2.jpg.QwErTy.x1Y2z3", "old.partial"}) {
    put(wallpapers + "/" + name, kOldEnough);
  }
  // Writes that may still be in progress, our finished files, and names that are not ours.
  put(wallpapers + "/temp_image.jpg.download-Fresh1", kTooYoung);
  put(wallpapers + "/.image.jpg.Fresh2", kTooYoung);
  put(wallpapers + "/..temp_image2.jpg.QwErTy.Fresh4", kTooYoung);
  for (const char* name : {"image.jpg", "temp_image.jpg", "notes.txt", "x.download-abc",
                           ".image.jpg.toolong1", ".photo.jpg.Ab12Cd", ".partial",
                           "..temp_image2.jpg.QwErTy", "..temp_image2.jpg.Q.x1Y2z3"}) {
    put(wallpapers + "/" + name, kOldEnough);
  }
  fs::create_directory(wallpapers + "/kept.partial");
  fs::create_symlink(wallpapers + "/image.jpg", wallpapers + "/link.partial");

  put(copyFolder() + "/L-0000000000000002.jpg.partial", kOldEnough);
  put(copyFolder() + "/L-0000000000000001.jpg", kOldEnough);

  put(autostartFolder() + "/LumivexGlass.desktop.Ab3dE5", kOldEnough);
  put(autostartFolder() + "/LumivexGlass.desktop.Fresh3", kTooYoung);
  put(autostartFolder() + "/LumivexGlass.desktop", kOldEnough);
  put(autostartFolder() + "/other.desktop.Ab3dE5", kOldEnough);

  sweep();
  EXPECT_EQ(
      names(wallpapers),
      (std::vector<std::string>{"..temp_image2.jpg.Q.x1Y2z3", "..temp_image2.jpg.QwErTy",
                                "..temp_image2.jpg.QwErTy.Fresh4", ".image.jpg.Fresh2",
                                ".image.jpg.toolong1", ".partial", ".photo.jpg.Ab12Cd", "image.jpg",
                                "kept.partial", "link.partial", "notes.txt", "temp_image.jpg",
                                "temp_image.jpg.download-Fresh1", "x.download-abc"}));
  EXPECT_EQ(names(copyFolder()), std::vector<std::string>{"L-0000000000000001.jpg"});
  EXPECT_EQ(names(autostartFolder()),
            (std::vector<std::string>{"LumivexGlass.desktop", "LumivexGlass.desktop.Fresh3",
                                      "other.desktop.Ab3dE5"}));
}

// A writer holds the lock from before its temporary exists until after its rename, so any
// temporary seen under the lock is a leftover, however young; names a person would give a copy
// of the hive are kept.
TEST_F(CrashLeftoversTest, HiveTemporariesGoOnlyUnderTheHivesLock) {
  const std::string hive = hiveFolder() + "/HKCU.reg";
  put(hive, kOldEnough);
  put(hive + ".lock", kOldEnough);
  put(hive + ".k3Yb0Z", std::chrono::minutes(0));
  for (const char* suffix : {".backup", ".240101", ".old", ".Q1w2E3x"}) {
    put(hive + suffix, kOldEnough);
  }

  const int lock = open((hive + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  std::atomic<bool> swept = false;
  std::thread sweeper([this, &swept] {
    sweep();
    swept = true;
  });
  // Until the sweep waits for the lock behind us, or ends without it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!swept && !lockAwaited(hive + ".lock") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(fs::exists(hive + ".k3Yb0Z")) << "removed while a writer held the lock";
  flock(lock, LOCK_UN);
  sweeper.join();
  close(lock);

  EXPECT_EQ(names(hiveFolder()),
            (std::vector<std::string>{"HKCU.reg", "HKCU.reg.240101", "HKCU.reg.Q1w2E3x",
                                      "HKCU.reg.backup", "HKCU.reg.lock", "HKCU.reg.old"}));
}

TEST_F(CrashLeftoversTest, MissingFoldersAreNotCreated) {
  sweep();
  EXPECT_EQ(names(root_), std::vector<std::string>{});
}

}  // namespace
}  // namespace pixoria::platform
