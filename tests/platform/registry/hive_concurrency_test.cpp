// Two processes writing the hive at once lose nothing, and a third reading it all the while
// only ever sees whole files.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "registry/hive_document.h"
#include "registry/hive_test_world.h"

namespace pixoria::platform::testing {
namespace {

// Each write ends in two fsyncs, which cost milliseconds apiece on a busy disk; what this test
// checks (the lock, the atomic replacement) does not depend on the file system, so it runs on
// tmpfs where there is one.
class RegistryConcurrency : public HiveTestWorld {
 protected:
  RegistryConcurrency()
      : HiveTestWorld(std::filesystem::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0
                          ? "/dev/shm"
                          : "/tmp") {}
};

// Instrumented builds run ten times slower; a few hundred rounds still interleave plenty.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kWrites = 300;
#else
constexpr int kWrites = 1000;
#endif
constexpr std::uint32_t kSharedBase[] = {1'000'000, 2'000'000};

// The value a writer's i-th write goes to: "A0", "B2", ... (built by appending, which GCC 12
// at -O3 does not mistake for an overlapping copy as it does `"A" + std::to_string(i)`).
std::string ownValueName(char writer, int i) {
  std::string name(1, writer);
  name += std::to_string(i);
  return name;
}

// Every other write goes to a value of its own, the rest to the one both processes share.
int writeMany(int writer) {
  int failures = 0;
  const char prefix = writer == 0 ? 'A' : 'B';
  for (int i = 0; i < kWrites; ++i) {
    const ErrorCode result = i % 2 == 0
                                 ? HiveTestWorld::setDword(ownValueName(prefix, i), i)
                                 : HiveTestWorld::setDword("Shared", kSharedBase[writer] + i);
    failures += result != kErrorSuccess;
  }
  return failures;
}

// A whole file: the header first, every line complete and understood, and never fewer values
// than the last time, since values are only added.
bool isWhole(const std::string& bytes, std::size_t& lastValueCount) {
  if (!bytes.starts_with(kRegHeader) || !bytes.ends_with('\n')) {
    return false;
  }
  const hive::HiveDocument document = hive::parseHiveBytes(bytes);
  std::size_t values = 0;
  for (std::size_t i = 1; i < document.lines.size(); ++i) {
    const hive::HiveLine& line = document.lines[i];
    if (line.kind == hive::LineKind::kOther && line.raw != "\n") {
      return false;
    }
    values += line.kind == hive::LineKind::kValue;
  }
  if (values < lastValueCount) {
    return false;
  }
  lastValueCount = values;
  return true;
}

bool stopRequested(int fd) {
  pollfd request{fd, POLLIN, 0};
  return poll(&request, 1, 0) > 0;  // the parent closed its end
}

int readUntilStopped(const std::string& path, int stopFd) {
  int bad = 0;
  std::size_t lastValueCount = 0;
  for (int reads = 0; !stopRequested(stopFd) || reads == 0; ++reads) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      continue;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    bad += !isWhole(bytes, lastValueCount);
    const auto shared = HiveTestWorld::dword("Shared");
    bad += shared && *shared < kSharedBase[0];
    usleep(1000);  // leave the cores mostly to the writers
  }
  return bad;
}

template <typename Work>
pid_t spawn(Work work) {
  const pid_t pid = fork();
  if (pid == 0) {
    _exit(std::min(work(), 100));
  }
  return pid;
}

int exitCode(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

TEST_F(RegistryConcurrency, TwoWritersLoseNothingAndAReaderSeesOnlyWholeFiles) {
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  const pid_t reader = spawn([&] {
    close(stop[1]);
    return readUntilStopped(hivePath(), stop[0]);
  });
  close(stop[0]);
  const pid_t first = spawn([] { return writeMany(0); });
  const pid_t second = spawn([] { return writeMany(1); });
  EXPECT_EQ(exitCode(first), 0);
  EXPECT_EQ(exitCode(second), 0);
  close(stop[1]);
  EXPECT_EQ(exitCode(reader), 0) << "the reader saw a partial file";

  for (int i = 0; i < kWrites; i += 2) {
    ASSERT_EQ(dword(ownValueName('A', i)), static_cast<std::uint32_t>(i));
    ASSERT_EQ(dword(ownValueName('B', i)), static_cast<std::uint32_t>(i));
  }
  const auto shared = dword("Shared");
  ASSERT_TRUE(shared == kSharedBase[0] + kWrites - 1 || shared == kSharedBase[1] + kWrites - 1);
  EXPECT_EQ(readHive().find("\"Shared\""), readHive().rfind("\"Shared\""));  // one line
}

}  // namespace
}  // namespace pixoria::platform::testing
