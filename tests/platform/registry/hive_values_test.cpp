// Values through the public calls against a real hive file: round trips, imports from Windows,
// case, types, deletions and the reader's cache.
#include <sys/stat.h>

#include <string>

#include "registry/hive_test_world.h"

namespace pixoria::platform::testing {
namespace {

using RegistryValues = HiveTestWorld;

const std::string kAwkward = "C:\\Users\\Zo\xC3\xAB\\\"q\" \xE5\xB1\xB1 \xF0\x9F\x8C\x84.jpg";

TEST_F(RegistryValues, RoundTripsValuesThroughAFreshFileWithPrivateFolder) {
  RegKey key = nullptr;
  EXPECT_EQ(regOpenKey(kPixoriaKey, key), kErrorFileNotFound);
  EXPECT_EQ(key, nullptr);

  ASSERT_EQ(setDword("Enabled", 1), kErrorSuccess);
  ASSERT_EQ(setDword("CustomIndex", 0xFFFFFFFF), kErrorSuccess);
  ASSERT_EQ(setString("CustomFile0", kAwkward), kErrorSuccess);
  ASSERT_EQ(setString("Empty", ""), kErrorSuccess);
  ASSERT_EQ(setString("Lines", std::string("one\ntwo\r\0three", 14)), kErrorSuccess);

  EXPECT_EQ(dword("Enabled"), 1u);
  EXPECT_EQ(dword("CustomIndex"), 0xFFFFFFFFu);
  EXPECT_EQ(string("CustomFile0"), kAwkward);
  EXPECT_EQ(string("Empty"), "");
  EXPECT_EQ(string("Lines"), std::string("one\ntwo\r\0three", 14));

  const std::string text = readHive();
  EXPECT_TRUE(text.starts_with(kRegHeader)) << text;
  EXPECT_NE(
      text.find("\n[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n\"Enabled\"=dword:00000001\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("\"CustomFile0\"=\"C:\\\\Users\\\\Zo\xC3\xAB\\\\\\\"q\\\" "),
            std::string::npos)
      << text;

  struct stat info {};
  ASSERT_EQ(stat(folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(regOpenKey(kPixoriaKey, key), kErrorSuccess);
  EXPECT_EQ(regSetDword(key, "Enabled", 0), kErrorAccessDenied);  // opened for reading
  regCloseKey(key);
}

// The same export as UTF-8 with CRLF, with a byte-order mark, and as UTF-16LE like regedit.
std::string windowsExport() {
  return "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\r\n"
         "\"Enabled\"=dword:00000001\r\n"
         "\"CustomFile0\"=\"" +
         std::string("C:\\\\Users\\\\Zo\xC3\xAB\\\\\\\"q\\\" \xE5\xB1\xB1 \xF0\x9F\x8C\x84.jpg") +
         "\"\r\n@=\"default\"\r\n";
}

std::string toUtf16le(const std::string& utf8) {
  std::u16string units;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      c = (c << 6) | (utf8[i + k] & 0x3F);
    }
    i += extra + 1;
    if (c >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(c);
    }
  }
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST_F(RegistryValues, ReadsExportsInEveryEncodingAndRewritesThemAsUtf8) {
  const std::string encodings[] = {windowsExport(), "\xEF\xBB\xBF" + windowsExport(),
                                   toUtf16le(windowsExport())};
  for (const std::string& bytes : encodings) {
    SCOPED_TRACE(bytes.substr(0, 3));
    writeHive(bytes);
    EXPECT_EQ(dword("Enabled"), 1u);
    EXPECT_EQ(string("CustomFile0"), kAwkward);
    EXPECT_EQ(string(""), "default");

    ASSERT_EQ(setDword("Source", 3), kErrorSuccess);
    EXPECT_EQ(dword("Source"), 3u);
    EXPECT_EQ(string("CustomFile0"), kAwkward);
    EXPECT_EQ(readHive().find('\0'), std::string::npos);
  }
}

TEST_F(RegistryValues, ComparesKeyAndValueNamesWithoutCase) {
  writeHive(std::string(kRegHeader) +
            "\n[hkey_current_user\\SOFTWARE\\corvane PIXORIA]\n\"enabled\"=dword:00000001\n");
  RegKey key = nullptr;
  ASSERT_EQ(regOpenKey("software\\CORVANE pixoria", key), kErrorSuccess);
  regCloseKey(key);
  EXPECT_EQ(dword("ENABLED"), 1u);
  ASSERT_EQ(regOpenKey("Software", key), kErrorSuccess);  // a parent of a key exists
  std::uint32_t value = 0;
  EXPECT_EQ(regGetDword(key, "Corvane Pixoria", "Enabled", value), kErrorSuccess);
  regCloseKey(key);

  ASSERT_EQ(setDword("Enabled", 0), kErrorSuccess);
  EXPECT_EQ(readHive(), std::string(kRegHeader) +
                            "\n[hkey_current_user\\SOFTWARE\\corvane PIXORIA]\n"
                            "\"Enabled\"=dword:00000000\n");
}

TEST_F(RegistryValues, OtherTypesAndDamagedDataDoNotReadAsTheAskedType) {
  writeHive(std::string(kRegHeader) +
            "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
            "\"Path\"=\"/opt/pixoria\"\n"
            "\"Enabled\"=dword:00000001\n"
            "\"Expand\"=hex(2):25,00,00,00\n"
            "\"CustomCount\"=dword:ffffffff\n"
            "\"TooLong\"=dword:000000001\n"
            "\"NotHex\"=dword:0000000g\n"
            "\"Cut\"=\"no end\n"
            "\"Four\"=hex(4):01,02,00,00\n");
  std::uint32_t number = 42;
  std::string text = "untouched";
  EXPECT_EQ(regGetDword(nullptr, kPixoriaKey, "Path", number), kErrorUnsupportedType);
  EXPECT_EQ(regGetString(nullptr, kPixoriaKey, "Enabled", text), kErrorUnsupportedType);
  EXPECT_EQ(regGetDword(nullptr, kPixoriaKey, "Expand", number), kErrorUnsupportedType);
  EXPECT_EQ(regGetString(nullptr, kPixoriaKey, "Expand", text), kErrorUnsupportedType);
  EXPECT_EQ(regGetDword(nullptr, kPixoriaKey, "TooLong", number), kErrorFileNotFound);
  EXPECT_EQ(regGetDword(nullptr, kPixoriaKey, "NotHex", number), kErrorFileNotFound);
  EXPECT_EQ(regGetString(nullptr, kPixoriaKey, "Cut", text), kErrorFileNotFound);
  EXPECT_EQ(regGetDword(nullptr, kPixoriaKey, "Missing", number), kErrorFileNotFound);
  EXPECT_EQ(regGetDword(nullptr, "Software\\Elsewhere", "Enabled", number), kErrorFileNotFound);
  EXPECT_EQ(number, 42u);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(dword("CustomCount"), 4294967295u);
  EXPECT_EQ(dword("Four"), 0x201u);
}

TEST_F(RegistryValues, DeletionLinesApplyInOrderAndAreNotValues) {
  writeHive(std::string(kRegHeader) +
            "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
            "\"Gone\"=dword:00000001\n"
            "\"Kept\"=dword:00000001\n"
            "\"Gone\"=-\n"
            "[HKEY_CURRENT_USER\\Software\\Old\\Deep]\n"
            "\"Value\"=dword:00000001\n"
            "[-HKEY_CURRENT_USER\\Software\\Old]\n"
            "\"Orphan\"=dword:00000001\n");
  EXPECT_EQ(dword("Gone"), std::nullopt);
  EXPECT_EQ(dword("Kept"), 1u);
  RegKey key = nullptr;
  EXPECT_EQ(regOpenKey("Software\\Old\\Deep", key), kErrorFileNotFound);
  EXPECT_EQ(regOpenKey("Software\\Old", key), kErrorFileNotFound);

  // Writing to a deleted key creates it again after the deletion.
  ASSERT_EQ(regCreateKey("Software\\Old", key), kErrorSuccess);
  ASSERT_EQ(regSetDword(key, "Orphan", 7), kErrorSuccess);
  regCloseKey(key);
  EXPECT_EQ(dword("Orphan", "Software\\Old"), 7u);
  EXPECT_TRUE(
      readHive().ends_with("\n\n[HKEY_CURRENT_USER\\Software\\Old]\n\"Orphan\"=dword:00000007\n"));
}

TEST_F(RegistryValues, DeletingAValueRemovesEveryAssignmentAReaderWouldSee) {
  writeHive(std::string(kRegHeader) +
            "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n\"X\"=dword:00000001\n"
            "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n\"x\"=dword:00000002\n");
  RegKey key = nullptr;
  ASSERT_EQ(regCreateKey(kPixoriaKey, key), kErrorSuccess);
  EXPECT_EQ(regDeleteValue(key, "X"), kErrorSuccess);
  EXPECT_EQ(dword("X"), std::nullopt);
  EXPECT_EQ(regDeleteValue(key, "X"), kErrorFileNotFound);
  regCloseKey(key);
}

TEST_F(RegistryValues, SeesAFileRewrittenInPlaceWithTheSameSizeAtOnce) {
  const std::string before = std::string(kRegHeader) +
                             "[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"
                             "\"Enabled\"=dword:00000001\n";
  std::string after = before;
  after[after.size() - 2] = '2';
  for (int round = 0; round < 20; ++round) {
    writeHive(before);
    EXPECT_EQ(dword("Enabled"), 1u);
    writeHive(after);  // same inode, same size, very likely the same timestamp
    EXPECT_EQ(dword("Enabled"), 2u);
  }
}

}  // namespace
}  // namespace pixoria::platform::testing
