// The registry on advapi32, against Wine's real registry, in a key of its own.
#include "pixoria/platform/registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace pixoria::test {
namespace {

namespace pf = platform;

class RegistryWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    subKey = "Software\\Pixoria Tests\\registry-" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(pf::regCreateKey(subKey, key), pf::kErrorSuccess);
  }
  void TearDown() override {
    pf::regCloseKey(key);
    const std::wstring wide(subKey.begin(), subKey.end());
    RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str());
  }
  std::string subKey;
  pf::RegKey key = nullptr;
};

TEST_F(RegistryWin32Test, AValueOfTheWrongTypeReadsAsAbsent) {
  ASSERT_EQ(pf::regSetString(key, "Enabled", "1"), pf::kErrorSuccess);
  ASSERT_EQ(pf::regSetDword(key, "Path", 7), pf::kErrorSuccess);
  std::uint32_t number = 42;
  EXPECT_EQ(pf::regGetDword(nullptr, subKey, "Enabled", number), pf::kErrorUnsupportedType);
  EXPECT_EQ(number, 42u);
  std::string text = "kept";
  EXPECT_EQ(pf::regGetString(nullptr, subKey, "Path", text), pf::kErrorUnsupportedType);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(pf::regGetDword(nullptr, subKey, "Missing", number), pf::kErrorFileNotFound);
  EXPECT_EQ(number, 42u);
}

TEST_F(RegistryWin32Test, ValuesRoundTripThroughUtf16) {
  // A path with letters outside ASCII and one outside the basic plane.
  const std::string path = "C:\\Users\\J\xC3\xBCrgen\\Bilder\\\xF0\x9F\x8C\x84.jpg";
  ASSERT_EQ(pf::regSetString(key, "CustomFile0", path), pf::kErrorSuccess);
  ASSERT_EQ(pf::regSetDword(key, "CustomIndex", 0xFFFFFFFFu), pf::kErrorSuccess);
  std::string text;
  EXPECT_EQ(pf::regGetString(nullptr, subKey, "CustomFile0", text), pf::kErrorSuccess);
  EXPECT_EQ(text, path);
  std::uint32_t number = 0;
  EXPECT_EQ(pf::regGetDword(nullptr, subKey, "CustomIndex", number), pf::kErrorSuccess);
  EXPECT_EQ(number, 0xFFFFFFFFu);

  // Reading through a key opened for reading, with no subkey, as the settings reader does.
  pf::RegKey reader = nullptr;
  ASSERT_EQ(pf::regOpenKey(subKey, reader), pf::kErrorSuccess);
  text.clear();
  EXPECT_EQ(pf::regGetString(reader, "", "CustomFile0", text), pf::kErrorSuccess);
  EXPECT_EQ(text, path);
  pf::regCloseKey(reader);

  EXPECT_EQ(pf::regDeleteValue(key, "CustomFile0"), pf::kErrorSuccess);
  EXPECT_EQ(pf::regDeleteValue(key, "CustomFile0"), pf::kErrorFileNotFound);
  EXPECT_EQ(pf::regGetString(nullptr, subKey, "CustomFile0", text), pf::kErrorFileNotFound);
}

TEST_F(RegistryWin32Test, AMissingKeyCannotBeOpenedForReading) {
  pf::RegKey missing = nullptr;
  EXPECT_EQ(pf::regOpenKey(subKey + "\\absent", missing), pf::kErrorFileNotFound);
  EXPECT_EQ(missing, nullptr);
}

}  // namespace
}  // namespace pixoria::test
