// The application's registry functions on the per-user hive the agent reads, with their debug
// lines; the name and version.
#include "shell/cv_global.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app_test_support.h"
#include "pixoria/platform/registry.h"

namespace {

using CVGlobal::kHkeyCurrentUser;
using pixoria::app_test::DebugLines;

const QString kKey = QStringLiteral("Software\\Corvane Pixoria");

class RegistryFunctions : public testing::Test {
 protected:
  // Every test starts from an empty hive (on Windows, without the settings key).
  void SetUp() override { pixoria::app_test::removeSettings(); }
};

TEST_F(RegistryFunctions, DwordRoundTripAndTypeRestriction) {
  DebugLines debug;
  ASSERT_TRUE(CVGlobal::writeRegistryDword(kHkeyCurrentUser, kKey, "TimeIndex", 0xFFFFFFFFu));
  EXPECT_EQ(debug.lines(), QStringList({"true"}));
  std::uint32_t value = 7;
  EXPECT_TRUE(CVGlobal::readRegistryDword(kHkeyCurrentUser, kKey, "TimeIndex", &value));
  EXPECT_EQ(value, 0xFFFFFFFFu);

  // A string where a DWORD is asked for fails and leaves the caller's default.
  ASSERT_TRUE(CVGlobal::writeRegistryString(kHkeyCurrentUser, kKey, "Source", "3"));
  value = 42;
  EXPECT_FALSE(CVGlobal::readRegistryDword(kHkeyCurrentUser, kKey, "Source", &value));
  EXPECT_EQ(value, 42u);
  EXPECT_EQ(debug.lines().last(),
            "Software\\Corvane Pixoria : Source : Cannot read DWORD from registry.");

  EXPECT_FALSE(CVGlobal::readRegistryDword(kHkeyCurrentUser, kKey, "Missing", &value));
  EXPECT_EQ(value, 42u);
}

TEST_F(RegistryFunctions, StringReadsTellAMissingKeyFromAMissingValue) {
  QString text = "stale";
  {
    DebugLines debug;
    EXPECT_FALSE(CVGlobal::readRegistryString(kHkeyCurrentUser, kKey, "Path", text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(debug.lines().isEmpty());
  }
  ASSERT_TRUE(CVGlobal::writeRegistryDword(kHkeyCurrentUser, kKey, "Enabled", 1));
  DebugLines debug;
  text = "stale";
  EXPECT_FALSE(CVGlobal::readRegistryString(kHkeyCurrentUser, kKey, "Path", text));
  EXPECT_TRUE(text.isEmpty());
  EXPECT_EQ(debug.lines(), QStringList({"error"}));
  // A DWORD is not a string either.
  EXPECT_FALSE(CVGlobal::readRegistryString(kHkeyCurrentUser, kKey, "Enabled", text));
}

TEST_F(RegistryFunctions, StringsKeepTheirTextAndInstallPathReadsPath) {
  EXPECT_TRUE(CVGlobal::installPath().isEmpty());
  const QString folder = QString::fromUtf8("/home/ana/Bilder \"neu\"\\Pixoria \u00e9\u6f22");
  ASSERT_TRUE(CVGlobal::writeRegistryString(kHkeyCurrentUser, kKey, "Path", folder));
  EXPECT_EQ(CVGlobal::installPath(), folder);

  ASSERT_TRUE(CVGlobal::writeRegistryString(kHkeyCurrentUser, kKey, "CustomFile0", ""));
  QString text = "stale";
  EXPECT_TRUE(CVGlobal::readRegistryString(kHkeyCurrentUser, kKey, "CustomFile0", text));
  EXPECT_TRUE(text.isEmpty());

  // The agent reads the same values through the platform registry.
  std::string seen;
  EXPECT_EQ(pixoria::platform::regGetString(nullptr, kKey.toStdString(), "Path", seen),
            pixoria::platform::kErrorSuccess);
  EXPECT_EQ(QString::fromStdString(seen), folder);
}

TEST_F(RegistryFunctions, EveryFailedWriteReportsFalseWithItsReason) {
#ifndef _WIN32
  // The Linux hive refuses names with a line break; Windows' registry takes them.
  DebugLines debug;
  EXPECT_FALSE(CVGlobal::writeRegistryDword(kHkeyCurrentUser, "Software\nBroken", "A", 1));
  EXPECT_FALSE(CVGlobal::writeRegistryString(kHkeyCurrentUser, "Software\nBroken", "A", "x"));
  // A value the key refuses is not written either.
  EXPECT_FALSE(CVGlobal::writeRegistryDword(kHkeyCurrentUser, kKey, "Bad\nName", 1));
  EXPECT_EQ(debug.lines().size(), 3);
  for (const QString& line : debug.lines()) {
    EXPECT_TRUE(line.contains("Cannot write to registry (error ")) << line.toStdString();
  }
#endif
  EXPECT_EQ(CVGlobal::writeFailureReason(pixoria::platform::kErrorDiskFull), "the disk is full");
}

#ifndef _WIN32
TEST_F(RegistryFunctions, AWriteToAnUnwritableSettingsFolderFails) {
  ASSERT_TRUE(CVGlobal::writeRegistryDword(kHkeyCurrentUser, kKey, "Enabled", 1));
  pixoria::platform::RegValueBatch batch;
  batch.setDword("Enabled", 0);
  batch.setString("CustomFile0", "/a.jpg");
  {
    pixoria::app_test::UnwritableSettingsFolder unwritable;
    EXPECT_FALSE(CVGlobal::writeRegistryDword(kHkeyCurrentUser, kKey, "Enabled", 0));
    EXPECT_FALSE(CVGlobal::writeRegistryString(kHkeyCurrentUser, kKey, "Path", "/x"));
    const pixoria::platform::ErrorCode result =
        CVGlobal::writeRegistryValues(kHkeyCurrentUser, kKey, batch);
    EXPECT_EQ(result, pixoria::platform::kErrorAccessDenied);
    EXPECT_TRUE(CVGlobal::writeFailureReason(result).startsWith("permission denied"));
  }
  std::uint32_t enabled = 0;
  EXPECT_TRUE(CVGlobal::readRegistryDword(kHkeyCurrentUser, kKey, "Enabled", &enabled));
  EXPECT_EQ(enabled, 1u);
  EXPECT_EQ(CVGlobal::writeRegistryValues(kHkeyCurrentUser, kKey, batch),
            pixoria::platform::kErrorSuccess);
  QString path;
  EXPECT_TRUE(CVGlobal::readRegistryString(kHkeyCurrentUser, kKey, "CustomFile0", path));
  EXPECT_EQ(path, "/a.jpg");
}
#endif

TEST(ApplicationGlobals, NameAndVersion) {
  EXPECT_EQ(CVGlobal::appName(), "Corvane Pixoria");
  EXPECT_EQ(CVGlobal::versionString(), "1.0.1");
}

}  // namespace
