// What a write keeps, and what damaged or hostile files do to readers and writers.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "registry/hive_test_world.h"

namespace pixoria::platform::testing {
namespace {

using RegistryRewrite = HiveTestWorld;

TEST_F(RegistryRewrite, ChangesOnlyTheValueItSetsAndKeepsEveryOtherByte) {
  const std::string head =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "; settings, edited by hand\n"
      "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
      "\"Enabled\"=dword:00000001\n";
  const std::string middle =
      "  \"Odd\" = \"spaced\"   \n"
      "\"Bin\"=hex:01,02,03,\\\n"
      "  04,05\n"
      "\"Multi\"=hex(7):61,00,00,00,00,00\n"
      "this line means nothing \x01\xFF\n"
      "@=\"default\"\n";
  const std::string tail =
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Corvane Pixoria]\n"
      "\"Enabled\"=dword:00000005\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "\"Keep\"=\"crlf\"\r\n";
  writeHive(head + middle + tail);

  ASSERT_EQ(setDword("enabled", 0), kErrorSuccess);
  ASSERT_EQ(setString("Added", "new"), kErrorSuccess);
  RegKey key = nullptr;
  ASSERT_EQ(regCreateKey("Software\\Third", key), kErrorSuccess);
  ASSERT_EQ(regSetDword(key, "N", 3), kErrorSuccess);
  regCloseKey(key);

  const std::string changedHead = head.substr(0, head.size() - 25) + "\"enabled\"=dword:00000000\n";
  EXPECT_EQ(readHive(), changedHead + middle + "\"Added\"=\"new\"\n" + tail +
                            "\n[HKEY_CURRENT_USER\\Software\\Third]\n\"N\"=dword:00000003\n");
  EXPECT_EQ(string("Keep", "Software\\Other"), "crlf");
  EXPECT_EQ(string("Odd"), "spaced");

  // Setting a value to what it holds leaves the file as it is.
  struct stat before {};
  ASSERT_EQ(stat(hivePath().c_str(), &before), 0);
  ASSERT_EQ(setString("Added", "new"), kErrorSuccess);
  struct stat after {};
  ASSERT_EQ(stat(hivePath().c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(RegistryRewrite, EmptyTruncatedAndGarbageFilesReadAsAbsentAndSurviveAWrite) {
  std::mt19937 random(7);
  std::string garbage(64 * 1024, '\0');
  for (char& c : garbage) {
    c = static_cast<char>(random());
  }
  const std::string valid = std::string(kRegHeader) +
                            "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
                            "\"Enabled\"=dword:00000001\n"
                            "\"Path\"=\"/opt/pixoria\"\n";
  const std::string damaged[] = {"", valid.substr(0, valid.size() - 8), garbage};
  for (const std::string& bytes : damaged) {
    SCOPED_TRACE(bytes.size());
    writeHive(bytes);
    EXPECT_EQ(string("Path"), std::nullopt);
    ASSERT_EQ(setDword("Source", 2), kErrorSuccess);
    EXPECT_EQ(dword("Source"), 2u);
    EXPECT_TRUE(readHive().starts_with(bytes));
  }
  EXPECT_EQ(dword("Enabled"), std::nullopt);  // garbage holds no key
}

TEST_F(RegistryRewrite, ALineOfMegabytesIsKeptAndDoesNotHideTheValuesAfterIt) {
  const std::string huge = ";" + std::string(6 * 1024 * 1024, 'x') + "\n";
  writeHive(std::string(kRegHeader) + "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n" + huge +
            "\"Enabled\"=dword:00000001\n");
  EXPECT_EQ(dword("Enabled"), 1u);
  ASSERT_EQ(setDword("Enabled", 0), kErrorSuccess);
  EXPECT_EQ(dword("Enabled"), 0u);
  EXPECT_NE(readHive().find(huge), std::string::npos);
}

TEST_F(RegistryRewrite, AnOversizedFileReadsAsAbsentAndIsNeverReplaced) {
  writeHive(std::string(kRegHeader) +
            "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n\"Enabled\"=dword:00000001\n");
  const auto size = 17 * 1024 * 1024;
  ASSERT_EQ(truncate(hivePath().c_str(), size), 0);  // sparse: quick to make
  EXPECT_EQ(dword("Enabled"), std::nullopt);
  EXPECT_NE(setDword("Enabled", 0), kErrorSuccess);
  EXPECT_EQ(std::filesystem::file_size(hivePath()), static_cast<std::uintmax_t>(size));
}

// Root ignores permission bits, so the places are made unusable by putting the wrong kind of
// file there.
TEST_F(RegistryRewrite, AnUnwritablePlaceFailsWritesAndLosesNothing) {
  std::filesystem::create_directories(configHome());
  std::ofstream(folder()) << "not a folder";
  EXPECT_EQ(setDword("Enabled", 1), kErrorAccessDenied);
  EXPECT_EQ(dword("Enabled"), std::nullopt);
  std::filesystem::remove(folder());

  std::filesystem::create_directories(hivePath() + "/inside");
  EXPECT_EQ(setDword("Enabled", 1), kErrorAccessDenied);
  EXPECT_EQ(dword("Enabled"), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_directory(hivePath() + "/inside"));
  for (const auto& entry : std::filesystem::directory_iterator(folder())) {
    const std::string name = entry.path().filename();
    EXPECT_TRUE(name == "HKCU.reg" || name == "HKCU.reg.lock") << name;  // no temporary left
  }

  std::filesystem::remove_all(hivePath());
  ASSERT_EQ(mkfifo(hivePath().c_str(), 0600), 0);  // would block a reader that waits on it
  EXPECT_EQ(dword("Enabled"), std::nullopt);
  EXPECT_EQ(setDword("Enabled", 1), kErrorAccessDenied);
}

}  // namespace
}  // namespace pixoria::platform::testing
