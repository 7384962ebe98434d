// The fresh copies each wallpaper is set through: which copy counts as the newest, and what is
// refused as a source.
#include "desktop/wallpaper_copies.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "desktop_test_environment.h"

namespace pixoria::platform {
namespace {

class WallpaperCopiesTest : public testing::Test {
 protected:
  void SetUp() override {
    environment_.set("HOME", home_.path());
    environment_.set("XDG_DATA_HOME", home_.path() + "/data");
    copies_ = home_.path() + "/data/pixoria/desktop";
    image_ = home_.path() + "/image.jpg";
    ASSERT_TRUE(test::writeFile(image_, "pretend pixels"));
  }

  std::vector<std::string> copyNames() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(copies_, error)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Sets the image on slot "L" and returns the name of the copy handed to the desktop.
  std::string setAndName() {
    std::string handed;
    EXPECT_EQ(setThroughFreshCopy("L", image_,
                                  [&](const std::string& copy) {
                                    handed = copy;
                                    return kOk;
                                  }),
              kOk);
    return handed.substr(handed.rfind('/') + 1);
  }

  test::TemporaryFolder home_;
  test::ScopedEnvironment environment_;
  std::string copies_;
  std::string image_;
};

// Older versions named copies by the wall clock in nanoseconds. Two made before the clock stepped
// back an hour must not outrank the copy made now, which the desktop is showing.
TEST_F(WallpaperCopiesTest, TheCopyJustMadeIsKeptAfterTheClockSteppedBack) {
  ASSERT_TRUE(std::filesystem::create_directories(copies_));
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const unsigned long long anHourAhead =
      (static_cast<unsigned long long>(now.tv_sec) + 3600) * 1000000000ull;
  char older[64];
  char newer[64];
  std::snprintf(older, sizeof older, "L-%016llx.jpg", anHourAhead);
  std::snprintf(newer, sizeof newer, "L-%016llx.jpg", anHourAhead + 5);
  ASSERT_TRUE(test::writeFile(copies_ + "/" + older, "before"));
  ASSERT_TRUE(test::writeFile(copies_ + "/" + newer, "before"));
  ASSERT_TRUE(test::writeFile(copies_ + "/R-0000000000000001.jpg", "another monitor's"));

  char expected[64];
  std::snprintf(expected, sizeof expected, "L-%016llx.jpg", anHourAhead + 6);
  EXPECT_EQ(setAndName(), expected);
  EXPECT_EQ(copyNames(), (std::vector<std::string>{newer, expected, "R-0000000000000001.jpg"}));
}

TEST_F(WallpaperCopiesTest, SerialsCountUpFromOneAndTheTwoNewestStay) {
  EXPECT_EQ(setAndName(), "L-0000000000000001.jpg");
  EXPECT_EQ(setAndName(), "L-0000000000000002.jpg");
  EXPECT_EQ(setAndName(), "L-0000000000000003.jpg");
  EXPECT_EQ(copyNames(),
            (std::vector<std::string>{"L-0000000000000002.jpg", "L-0000000000000003.jpg"}));
}

// The desktop holds the name of the copy it shows. An emptied folder must not bring that name
// back (the desktop would take the same address for no change), and a stray file named like a
// copy with the highest serial there is must not stop the copies.
TEST_F(WallpaperCopiesTest, NamesNeverComeBackAndStraysStopNothing) {
  struct Step {
    const char* before;  // what happens to the folder first
    const char* expected;
  };
  const Step steps[] = {
      {"", "L-0000000000000001.jpg"},
      {"", "L-0000000000000002.jpg"},
      {"empty", "L-0000000000000003.jpg"},
      {"L-ffffffffffffffff.jpg", "L-0000000000000004.jpg"},
      {"L-7fffffffffffffff.jpg", "L-8000000000000000.jpg"},
      {"", "L-8000000000000001.jpg"},
  };
  for (const Step& step : steps) {
    const std::string before = step.before;
    if (before == "empty") {
      std::filesystem::remove_all(copies_);
    } else if (!before.empty()) {
      ASSERT_TRUE(test::writeFile(copies_ + "/" + before, "stray"));
    }
    EXPECT_EQ(setAndName(), step.expected) << "after " << (before.empty() ? "nothing" : before);
  }
  EXPECT_EQ(copyNames(),
            (std::vector<std::string>{"L-8000000000000000.jpg", "L-8000000000000001.jpg",
                                      "L-ffffffffffffffff.jpg"}))
      << "the newest two stay, and the stray no count reaches is left alone";
}

// A byte copy (the source is on another file system) whose temporary name a crash left taken
// moves on to the next serial.
TEST_F(WallpaperCopiesTest, AByteCopyStepsOverATemporaryACrashLeft) {
  const std::string elsewhere = "/dev/shm/pixoria-copies-" + std::to_string(getpid()) + ".jpg";
  struct stat shm {};
  struct stat home {};
  if (stat("/dev/shm", &shm) != 0 || stat(home_.path().c_str(), &home) != 0 ||
      shm.st_dev == home.st_dev) {
    GTEST_SKIP() << "needs /dev/shm on a file system of its own";
  }
  ASSERT_TRUE(test::writeFile(elsewhere, "pixels from elsewhere"));
  ASSERT_TRUE(std::filesystem::create_directories(copies_));
  ASSERT_TRUE(test::writeFile(copies_ + "/L-0000000000000001.jpg.partial", "half"));
  ASSERT_TRUE(test::writeFile(copies_ + "/L-0000000000000001.jpg", "shown"));
  ASSERT_TRUE(test::writeFile(copies_ + "/L-0000000000000002.jpg.partial", "half"));
  image_ = elsewhere;
  const std::string copy = setAndName();
  unlink(elsewhere.c_str());
  EXPECT_EQ(copy, "L-0000000000000003.jpg");
  EXPECT_EQ(test::readFile(copies_ + "/" + copy), "pixels from elsewhere");
}

// In a child, bounded in time: before the fix the copy of a FIFO blocked for ever.
TEST_F(WallpaperCopiesTest, FifosAndDevicesAreRefusedWithoutBlocking) {
  const std::string fifo = home_.path() + "/queue.jpg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string diagnostics = home_.path() + "/stderr.txt";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int errors = open(diagnostics.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(errors, STDERR_FILENO);
    int refused = 0;
    for (const std::string& source : {fifo, std::string("/dev/null")}) {
      bool applied = false;
      const HResult result = setThroughFreshCopy("L", source, [&](const std::string&) {
        applied = true;
        return kOk;
      });
      refused += failed(result) && !applied;
    }
    _exit(refused);
  }
  int status = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "setting a FIFO as the wallpaper blocked";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2) << "both sources must be refused before the desktop sees them";
  EXPECT_NE(test::readFile(diagnostics).find(fifo + " is not a regular file"), std::string::npos)
      << test::readFile(diagnostics);
  EXPECT_EQ(copyNames(), std::vector<std::string>{});
}

}  // namespace
}  // namespace pixoria::platform
