// The hive's bound on lines: a file of millions of short lines costs little to refuse, and the
// longest custom list a program writes still reads.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "registry/hive_file.h"
#include "registry/hive_test_world.h"

namespace pixoria::platform::testing {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // its shadow memory makes resident sizes meaningless
#else
constexpr bool kSanitized = false;
#endif

constexpr long kMemoryBoundKiB = 64 * 1024;

using HiveLineBound = HiveTestWorld;

// What one program does with the file at start: read a value and write one. Run in a child so
// that its peak resident size is its own.
struct ChildRun {
  bool exitedNormally = false;
  int absentAndRefused = 0;
  long peakKiB = 0;
};

ChildRun readAndWriteInAChild() {
  const pid_t child = fork();
  if (child == 0) {
    if (!kSanitized) {
      // Without the bound this child would take gigabytes; let it fail at one instead.
      const rlimit space{std::size_t{1} << 30, std::size_t{1} << 30};
      setrlimit(RLIMIT_AS, &space);
    }
    const bool absent = !HiveTestWorld::dword("Enabled").has_value();
    const bool refused = HiveTestWorld::setDword("Enabled", 0) == kErrorInvalidData;
    _exit(absent + refused);
  }
  int status = 0;
  rusage usage{};
  ChildRun run;
  if (child > 0 && wait4(child, &status, 0, &usage) == child) {
    run.exitedNormally = WIFEXITED(status);
    run.absentAndRefused = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    run.peakKiB = usage.ru_maxrss;
  }
  return run;
}

TEST_F(HiveLineBound, SixteenMebibytesOfEmptyLinesAreRefusedCheaply) {
  std::string hive = std::string(kRegHeader) +
                     "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n\"Enabled\"=dword:00000001\n";
  hive.resize(hive::kMaxHiveBytes, '\n');
  writeHive(hive);

  const ChildRun run = readAndWriteInAChild();
  ASSERT_TRUE(run.exitedNormally) << "the child ran out of memory";
  EXPECT_EQ(run.absentAndRefused, 2) << "the file must read as absent and not be rewritten";
  if (!kSanitized) {
    EXPECT_LT(run.peakKiB, kMemoryBoundKiB);
  }
  EXPECT_EQ(std::filesystem::file_size(hivePath()), hive.size());
}

TEST_F(HiveLineBound, TheLongestCustomListStillReads) {
  std::string hive = std::string(kRegHeader) + "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n";
  for (int i = 0; i < 100000; ++i) {
    hive += "\"CustomFile" + std::to_string(i) + "\"=\"/p/" + std::to_string(i) + ".jpg\"\n";
  }
  writeHive(hive);
  EXPECT_EQ(string("CustomFile99999"), "/p/99999.jpg");
  EXPECT_EQ(setDword("CustomCount", 100000), kErrorSuccess);
  EXPECT_EQ(dword("CustomCount"), 100000u);
}

}  // namespace
}  // namespace pixoria::platform::testing
