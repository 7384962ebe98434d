// regSetMultipleValues: a batch writes what the same calls one by one would write, as one update
// that a reader sees whole; and no write leaves a hive that readers refuse.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "registry/hive_document.h"
#include "registry/hive_encoding.h"
#include "registry/hive_file.h"
#include "registry/hive_test_world.h"

namespace pixoria::platform::testing {
namespace {

// The concurrent test makes hundreds of replacements, each ending in fsyncs; on tmpfs, where
// there is one, they cost nothing, and the lock and the rename work the same.
class RegistryBatch : public HiveTestWorld {
 protected:
  RegistryBatch()
      : HiveTestWorld(std::filesystem::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0
                          ? "/dev/shm"
                          : "/tmp") {}
};

// The same changes through the single-value calls, as the application made them before.
ErrorCode applyOneByOne(const RegValueBatch& batch) {
  RegKey key = nullptr;
  if (const ErrorCode opened = regCreateKey(kPixoriaKey, key); opened != kErrorSuccess) {
    return opened;
  }
  ErrorCode first = kErrorSuccess;
  for (const RegValueChange& change : batch.changes()) {
    ErrorCode result = kErrorSuccess;
    switch (change.kind) {
      case RegValueChange::Kind::setDword:
        result = regSetDword(key, change.name, change.dword);
        break;
      case RegValueChange::Kind::setString:
        result = regSetString(key, change.name, change.text);
        break;
      case RegValueChange::Kind::deleteValue:
        result = regDeleteValue(key, change.name);
        result = result == kErrorFileNotFound ? kErrorSuccess : result;
        break;
    }
    first = first == kErrorSuccess ? result : first;
  }
  regCloseKey(key);
  return first;
}

ErrorCode applyAsBatch(const RegValueBatch& batch) {
  RegKey key = nullptr;
  ErrorCode result = regCreateKey(kPixoriaKey, key);
  if (result == kErrorSuccess) {
    result = regSetMultipleValues(key, batch);
  }
  regCloseKey(key);
  return result;
}

const std::string kHandEdited =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
    "\"Enabled\"=dword:00000001\n"
    "\"Old\"=\"drop me\"\n"
    "\n"
    "[-HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
    "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
    "; kept\n"
    "\"CustomFile0\"=\"/a.jpg\"\n"
    "\"Bin\"=hex:01,02,\\\n"
    "  03\n"
    "\"Gone\"=-\n"
    "\"customfile1\"=\"/b.jpg\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"Keep\"=\"crlf\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
    "\"CustomFile1\"=\"/b2.jpg\"";  // unterminated last line

TEST_F(RegistryBatch, WritesTheBytesTheSameCallsOneByOneWrite) {
  RegValueBatch mixed;
  mixed.setDword("ENABLED", 0);              // an existing value, spelled otherwise
  mixed.setString("CustomFile1", "/c.jpg");  // assigned twice: the later line counts
  mixed.deleteValue("CustomFile0");          // present, then set again at the end
  mixed.setString("CustomFile0", "/again.jpg");
  mixed.setDword("Order1", 1);  // new, deleted, new again after Order2
  mixed.setDword("Order2", 2);
  mixed.deleteValue("Order1");
  mixed.setDword("order1", 3);
  mixed.deleteValue("CustomFile7");       // absent
  mixed.deleteValue("Old");               // only before the key's deletion
  mixed.setString("Gone", "back");        // its last line deletes it
  mixed.setString("New", "line\nbreak");  // hex(1)
  mixed.setDword("Twice", 1);             // new, then changed
  mixed.setString("Brief", "x");          // new, then deleted
  mixed.setDword("Twice", 2);
  mixed.deleteValue("brief");
  mixed.deleteValue("Enabled2");
  mixed.setString("Enabled2", "deleted first");  // then set
  RegValueBatch list;
  for (int i = 0; i < 50; ++i) {
    list.setString("CustomFile" + std::to_string(i), "/p/" + std::to_string(i) + ".jpg");
  }
  list.setDword("CustomCount", 50);

  const struct {
    const char* name;
    std::string before;  // empty: no file
    const RegValueBatch& batch;
  } cases[] = {
      {"a new hive", "", mixed},
      {"a hand-edited hive", kHandEdited, mixed},
      {"a list into a new hive", "", list},
      {"a list into a hand-edited hive", kHandEdited, list},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(hivePath());
    if (!c.before.empty()) {
      writeHive(c.before);
    }
    ASSERT_EQ(applyOneByOne(c.batch), kErrorSuccess);
    const std::string oneByOne = readHive();

    std::filesystem::remove(hivePath());
    if (!c.before.empty()) {
      writeHive(c.before);
    }
    ASSERT_EQ(applyAsBatch(c.batch), kErrorSuccess);
    EXPECT_EQ(readHive(), oneByOne);
  }
}

// The application's save of a list that grows and shrinks in turn: CustomCount, every entry
// marked with the save's number, and the deletion of the entries past the new count.
RegValueBatch listSave(int save, int count, int previousCount) {
  RegValueBatch batch;
  batch.setDword("CustomCount", static_cast<std::uint32_t>(count));
  for (int i = 0; i < count; ++i) {
    batch.setString("CustomFile" + std::to_string(i),
                    std::to_string(save) + ":" + std::to_string(i));
  }
  for (int i = count; i < previousCount; ++i) {
    batch.deleteValue("CustomFile" + std::to_string(i));
  }
  return batch;
}

constexpr int kSaves = 200;
constexpr int kLongList = 300;
constexpr int kShortList = 60;

int saveManyLists() {
  int failures = 0;
  int previous = 0;
  for (int save = 0; save < kSaves; ++save) {
    const int count = save % 2 == 0 ? kLongList : kShortList;
    failures += applyAsBatch(listSave(save, count, previous)) != kErrorSuccess;
    previous = count;
  }
  return failures;
}

// What a reader of one version of the file gets: a count and exactly that many entries, all of
// one save. Returns false when they disagree.
bool listAgrees(const std::string& bytes) {
  const hive::HiveSnapshot snapshot(hive::parseHiveBytes(bytes));
  const std::string key = hive::normalizeKeyPath(kPixoriaKey);
  const hive::HiveValue* count = snapshot.findValue(key, "CustomCount");
  if (count == nullptr) {
    return snapshot.findValue(key, "CustomFile0") == nullptr;
  }
  std::string save;
  for (std::uint32_t i = 0; i < count->dword; ++i) {
    const hive::HiveValue* entry = snapshot.findValue(key, "CustomFile" + std::to_string(i));
    if (entry == nullptr) {
      return false;
    }
    const std::string mark = entry->text.substr(0, entry->text.find(':'));
    if (i > 0 && mark != save) {
      return false;
    }
    save = mark;
  }
  return snapshot.findValue(key, "CustomFile" + std::to_string(count->dword)) == nullptr;
}

TEST_F(RegistryBatch, AReaderNeverSeesACountAndEntriesThatDisagree) {
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  const pid_t writer = fork();
  if (writer == 0) {
    close(stop[0]);
    _exit(std::min(saveManyLists(), 100));
  }
  close(stop[1]);
  int reads = 0;
  int disagreements = 0;
  for (pollfd done{stop[0], POLLIN, 0}; poll(&done, 1, 0) == 0; done.revents = 0) {
    std::ifstream file(hivePath(), std::ios::binary);
    if (!file) {
      continue;
    }
    disagreements += !listAgrees(std::string(std::istreambuf_iterator<char>(file), {}));
    ++reads;
  }
  close(stop[0]);
  int status = 0;
  ASSERT_EQ(waitpid(writer, &status, 0), writer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
  EXPECT_EQ(disagreements, 0) << "of " << reads << " reads";
  EXPECT_GT(reads, 10);
  EXPECT_EQ(dword("CustomCount"), static_cast<std::uint32_t>(kShortList));
  EXPECT_EQ(string("CustomFile" + std::to_string(kShortList)), std::nullopt);
}

// Standard error while it lives goes to a file; text() reads what was said.
class CapturedStandardError {
 public:
  CapturedStandardError() : path_("/tmp/pixoria-stderr-XXXXXX") {
    const int fd = mkstemp(path_.data());
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
  }
  ~CapturedStandardError() {
    restore();
    unlink(path_.c_str());
  }
  std::string text() {
    restore();
    std::ifstream file(path_);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

 private:
  void restore() {
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
      saved_ = -1;
    }
  }
  std::string path_;
  int saved_ = -1;
};

TEST_F(RegistryBatch, AWriteReadersWouldRefuseIsRefusedAndTheHiveStillReads) {
  const std::string head = std::string(kRegHeader) +
                           "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
                           "\"Enabled\"=dword:00000001\n";
  // Just under the bound on lines: one more line is one too many.
  std::string nearlyFull = head;
  for (std::size_t i = 3; i + 1 < hive::kMaxHiveLines; ++i) {
    nearlyFull += "\"F" + std::to_string(i) + "\"=dword:00000000\n";
  }
  ASSERT_EQ(hive::countLineFeeds(nearlyFull), hive::kMaxHiveLines - 1);

  RegValueBatch oneMoreLine;
  oneMoreLine.setDword("Extra", 1);
  RegValueBatch tooManyBytes;
  tooManyBytes.setString("Huge", std::string(hive::kMaxHiveBytes, 'x'));

  // The single-value calls and the batch go through the same check.
  const struct {
    const char* name;
    const std::string& before;
    ErrorCode (*write)(const RegValueBatch&);
    const RegValueBatch& batch;
  } cases[] = {
      {"one line past the bound on lines", nearlyFull, applyOneByOne, oneMoreLine},
      {"a string past the bound on bytes", head, applyAsBatch, tooManyBytes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeHive(c.before);
    CapturedStandardError error;
    EXPECT_EQ(c.write(c.batch), kErrorFileTooLarge);
    EXPECT_NE(error.text().find("registry: not writing " + hivePath()), std::string::npos);
    EXPECT_EQ(readHive(), c.before);
    EXPECT_EQ(dword("Enabled"), 1u);
  }
}

}  // namespace
}  // namespace pixoria::platform::testing
