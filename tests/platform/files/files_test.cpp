// The files service's contract, the same on Linux and on Windows (built for both): the target
// holds the old bytes or the new, never a part, and no temporary is left whichever way a
// replacement ends, whatever the name's script.
#include "pixoria/platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace pixoria::platform {
namespace {

namespace fs = std::filesystem;

fs::path pathOf(const std::string& utf8) {
  return {std::u8string(utf8.begin(), utf8.end())};
}

std::string utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// How a replacement is written, as the callers write theirs.
enum class Writer {
  chunks,      // write() call by call: downloads
  stream,      // a stdio stream: the image encoders
  pathWriter,  // a writer that takes the temporary's path: GDI+, urlmon
};

struct Case {
  const char* what;
  const char* name;                // the target's name in the test's folder, UTF-8
  std::optional<std::string> old;  // the target's content before, if it exists
  Writer writer;
  std::vector<std::string> chunks;
  bool writerFails;  // the writer reports a failure after writing its chunks
  bool commit;       // whether the replacement is committed (otherwise dropped)
  bool replaced;     // the target then holds the chunks; otherwise it is as it was
};

// Writes `c`'s chunks into `target` the way `c` says; true when committed and replaced.
bool replaceAsIn(const Case& c, const std::string& target) {
  if (c.writer == Writer::pathWriter) {
    return replaceFileFrom(target, [&c](const std::string& temporary) {
      std::ofstream out(pathOf(temporary), std::ios::binary | std::ios::trunc);
      for (const std::string& chunk : c.chunks) {
        out << chunk;
      }
      out.close();
      return !c.writerFails && c.commit && out.good();
    });
  }
  FileReplacement file(target, {TemporaryName::download});
  bool written = file.opened();
  if (c.writer == Writer::chunks) {
    for (const std::string& chunk : c.chunks) {
      written = written && file.write(chunk);
    }
  } else {
    written = written && file.writeStream([&c](std::FILE* out) {
      for (const std::string& chunk : c.chunks) {
        std::fwrite(chunk.data(), 1, chunk.size(), out);
      }
      return !c.writerFails;
    });
  }
  return written && !c.writerFails && c.commit && file.commit();
}

class FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("pixoria-files-test-" + std::to_string(stamp));
    ASSERT_TRUE(fs::create_directories(folder_));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      found.push_back(utf8Of(entry.path().filename()));
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  static std::string content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  fs::path folder_;
};

TEST_F(FilesTest, TheTargetHoldsTheOldBytesOrTheNewAndNoTemporaryStays) {
  const std::string longer = "an old content, longer than the new";
  const std::string chinese = "\xe6\x9d\x8e\xe5\x8d\x8e.jpg";  // 李华.jpg, outside code page 1252
  const std::string greek = "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1.reg";  // Ωμέγα.reg
  const std::vector<Case> cases = {
      {"a new file", "new.jpg", std::nullopt, Writer::chunks, {"abc"}, false, true, true},
      {"a longer file replaced in chunks",
       "image2.jpg",
       longer,
       Writer::chunks,
       {"ne", "", "w"},
       false,
       true,
       true},
      {"dropped before commit",
       "image2.jpg",
       "kept",
       Writer::chunks,
       {"half"},
       false,
       false,
       false},
      {"a stream", "saved.png", longer, Writer::stream, {"png", "bytes"}, false, true, true},
      {"a stream whose writer fails",
       "saved.png",
       "kept",
       Writer::stream,
       {"half"},
       true,
       true,
       false},
      {"a path writer", "image.jpg", longer, Writer::pathWriter, {"gdi", "+"}, false, true, true},
      {"a path writer that fails",
       "image.jpg",
       "kept",
       Writer::pathWriter,
       {"half"},
       true,
       true,
       false},
      {"a name outside code page 1252",
       chinese.c_str(),
       "old",
       Writer::chunks,
       {"new"},
       false,
       true,
       true},
      {"a path writer on such a name",
       greek.c_str(),
       "old",
       Writer::pathWriter,
       {"new"},
       false,
       true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = folder_ / pathOf(c.name);
    if (c.old) {
      std::ofstream(target, std::ios::binary) << *c.old;
    }
    std::string all;
    for (const std::string& chunk : c.chunks) {
      all += chunk;
    }

    EXPECT_EQ(replaceAsIn(c, utf8Of(target)), c.replaced);

    if (c.replaced || c.old) {
      EXPECT_EQ(content(target), c.replaced ? all : *c.old);
      EXPECT_EQ(names(), std::vector<std::string>{c.name});
    } else {
      EXPECT_TRUE(names().empty());
    }
    fs::remove(target);
  }
}

TEST_F(FilesTest, AReplacementThatCannotStartFailsAndLeavesNothing) {
  const std::string missingFolder = utf8Of(folder_ / "missing" / "image.jpg");
  const std::string folderItself = utf8Of(folder_) + "/";
  for (const std::string& target : {missingFolder, folderItself, std::string()}) {
    SCOPED_TRACE(target);
    FileReplacement file(target);
    EXPECT_FALSE(file.opened());
    EXPECT_NE(file.error(), 0);
    EXPECT_FALSE(file.write("x"));
    EXPECT_FALSE(file.commit());
    EXPECT_FALSE(replaceFile(target, "x"));
    EXPECT_TRUE(names().empty());
  }
}

}  // namespace
}  // namespace pixoria::platform
