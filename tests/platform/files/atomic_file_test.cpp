// Replacing files: the target holds the old bytes or the new, never a stub, and no temporary is
// left behind whichever way a replacement ends.
#include "files/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pixoria::platform::posix {
namespace {

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pixoria-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    target_ = folder_ + "/target.txt";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  static std::string content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  static mode_t modeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
  }

  std::string folder_;
  std::string target_;
};

TEST_F(AtomicFileTest, ReplacesTheContentWithTheGivenModeWhateverTheUmask) {
  const mode_t previous = umask(077);
  ASSERT_TRUE(replaceFileAtomically(target_, "first", 0644));
  EXPECT_EQ(modeOf(target_), 0644u);
  ASSERT_TRUE(replaceFileAtomically(target_, "second, longer", 0600));
  umask(previous);
  EXPECT_EQ(content(target_), "second, longer");
  EXPECT_EQ(modeOf(target_), 0600u);
  EXPECT_EQ(names(), std::vector<std::string>{"target.txt"});
}

TEST_F(AtomicFileTest, FailuresLeaveTheTargetAndNoTemporary) {
  EXPECT_FALSE(replaceFileAtomically(folder_ + "/missing/target.txt", "x", 0644));
  EXPECT_FALSE(replaceFileAtomically(folder_ + "/", "x", 0644));
  EXPECT_FALSE(replaceFileAtomically("", "x", 0644));
  EXPECT_TRUE(names().empty());

  ASSERT_TRUE(replaceFileAtomically(target_, "kept", 0644));
  {
    AtomicFile abandoned(target_, target_ + ".XXXXXX", 0644);
    ASSERT_TRUE(abandoned.created());
    ASSERT_TRUE(abandoned.write("never committed"));
    EXPECT_EQ(names().size(), 2u);
  }
  EXPECT_EQ(content(target_), "kept");
  EXPECT_EQ(names(), std::vector<std::string>{"target.txt"});
}

TEST_F(AtomicFileTest, AFixedTemporaryNameTakenByAnotherFileIsNotTouched) {
  const std::string taken = target_ + ".partial";
  std::ofstream(taken) << "someone else's";
  {
    AtomicFile file(target_, taken, 0644);
    EXPECT_FALSE(file.created());
    EXPECT_EQ(file.error(), EEXIST);
  }
  EXPECT_EQ(content(taken), "someone else's");

  std::filesystem::remove(taken);
  AtomicFile file(target_, taken, 0644);
  ASSERT_TRUE(file.created());
  EXPECT_EQ(file.temporaryPath(), taken);
  ASSERT_TRUE(file.write("copied") && file.commit());
  EXPECT_EQ(content(target_), "copied");
  EXPECT_EQ(names(), std::vector<std::string>{"target.txt"});
}

TEST_F(AtomicFileTest, AStreamWriterThatFailsLeavesTheOldContent) {
  ASSERT_TRUE(replaceFileAtomically(target_, "old", 0640));
  {
    AtomicFile file(target_, hiddenTemporaryPattern(target_), existingModeOr(target_, 0644));
    EXPECT_FALSE(file.writeStream([](std::FILE* out) {
      std::fputs("half", out);
      return false;
    }));
    EXPECT_FALSE(file.commit());
  }
  EXPECT_EQ(content(target_), "old");
  EXPECT_EQ(names(), std::vector<std::string>{"target.txt"});

  AtomicFile file(target_, hiddenTemporaryPattern(target_), existingModeOr(target_, 0644));
  ASSERT_TRUE(file.writeStream([](std::FILE* out) { return std::fputs("new", out) >= 0; }));
  ASSERT_TRUE(file.commit());
  EXPECT_EQ(content(target_), "new");
  EXPECT_EQ(modeOf(target_), 0640u);  // a replaced file keeps the mode it was given
}

TEST(AtomicFilePathsTest, FoldersAndHiddenTemporaries) {
  EXPECT_EQ(folderOf("name"), ".");
  EXPECT_EQ(folderOf("/name"), "/");
  EXPECT_EQ(folderOf("/a/b/name"), "/a/b");
  EXPECT_EQ(hiddenTemporaryPattern("/a/b/image.jpg"), "/a/b/.image.jpg.XXXXXX");
  EXPECT_EQ(hiddenTemporaryPattern("/image.jpg"), "/.image.jpg.XXXXXX");
  EXPECT_EQ(hiddenTemporaryPattern("image.jpg"), "./.image.jpg.XXXXXX");
  EXPECT_EQ(existingModeOr("/no/such/file", 0604), 0604u);
}

bool isOpen(int fd) {
  return fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFdTest, ClosesWhatItOwnsOnce) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  {
    UniqueFd read(ends[0]);
    UniqueFd moved(std::move(read));
    EXPECT_FALSE(read.valid());
    EXPECT_EQ(moved.get(), ends[0]);
    UniqueFd write(ends[1]);
    const int released = write.release();
    EXPECT_FALSE(write.valid());
    EXPECT_TRUE(write.close());  // nothing held
    write.reset(released);
    EXPECT_TRUE(isOpen(ends[1]));
  }
  EXPECT_FALSE(isOpen(ends[0]));
  EXPECT_FALSE(isOpen(ends[1]));
}

}  // namespace
}  // namespace pixoria::platform::posix
