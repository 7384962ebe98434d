// The form's settings and its hold on the agent: what lands in the hive, which messages reach a
// stand-in agent window, when the agent program is started, and the autostart entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string_view>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form_test_support.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

using Messages = std::vector<std::uint32_t>;
constexpr std::uint32_t kReload = 1324;
constexpr std::uint32_t kEnable = 1326;
constexpr std::uint32_t kDisable = 1327;
constexpr std::uint32_t kMinusOne = 0xFFFFFFFFu;

class FormSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetUserState(); }

  std::unique_ptr<AutoPixoriaForm> openForm() {
    auto form = std::make_unique<AutoPixoriaForm>();
    spin(250);  // the first preview load starts and fails against a closed port
    return form;
  }

  static void click(const AutoPixoriaForm& form, const char* button) {
    QTest::mouseClick(child<QAbstractButton>(form, button), Qt::LeftButton);
  }

  static std::string read(const std::string& path) { return test::readFileBytes(path); }

  // A program that leaves a mark when it runs, standing in for the agent at `Path`.
  std::string installStandInProgram() {
    folder = test::makeTemporaryFolder();
    const std::string program = folder + "/PixoriaHelper";
    test::writeFileBytes(program, "#!/bin/sh\necho started > \"$(dirname \"$0\")/started\"\n");
    chmod(program.c_str(), 0755);
    return folder;
  }

  void TearDown() override {
    if (!folder.empty()) {
      test::removeFolder(folder);
    }
  }

  std::string folder;
};

TEST_F(FormSettingsTest, AFreshKeyShowsDefaultsAndWritesNothing) {
  StandInAgent agent;
  ASSERT_TRUE(agent.created());
  auto form = openForm();
  EXPECT_FALSE(child<QAbstractButton>(*form, "startButton")->isHidden());
  EXPECT_TRUE(child<QAbstractButton>(*form, "stopButton")->isHidden());
  EXPECT_FALSE(child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")->isChecked());
  EXPECT_EQ(child<QSpinBox>(*form, "pixoriaTimeSpinBox")->value(), 1);
  for (const char* box :
       {"pixoriaTimeComboBox", "pixoriaSourceComboBox", "pixoriaRegionComboBox"}) {
    EXPECT_EQ(child<QComboBox>(*form, box)->currentIndex(), 0) << box;
  }
  EXPECT_TRUE(agent.takeMessages().empty());
  EXPECT_FALSE(hiveDword("Enabled"));
  EXPECT_FALSE(std::filesystem::exists(autostartEntryFile()));
}

TEST_F(FormSettingsTest, StoredValuesFillTheControlsAndAnEnabledChangerReachesTheAgent) {
  setHiveDword("Enabled", 1);
  setHiveDword("TimeIndex", 40);
  setHiveDword("TimePeriod", 1);
  setHiveDword("Region", 7);
  setHiveDword("BingCurrentIndex", 5);
  StandInAgent agent;
  auto form = openForm();
  EXPECT_TRUE(child<QAbstractButton>(*form, "startButton")->isHidden());
  EXPECT_FALSE(child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")->isChecked());
  EXPECT_EQ(child<QSpinBox>(*form, "pixoriaTimeSpinBox")->value(), 12);
  EXPECT_EQ(child<QComboBox>(*form, "pixoriaTimeComboBox")->currentIndex(), 1);
  EXPECT_EQ(child<QComboBox>(*form, "pixoriaRegionComboBox")->currentIndex(), 7);
  EXPECT_EQ(agent.takeMessages(), Messages({kEnable, kReload}));
  EXPECT_NE(read(autostartEntryFile()).find("/PixoriaHelper"), std::string::npos);
  // Construction writes nothing but the autostart entry.
  EXPECT_EQ(hiveDword("TimeIndex"), 40u);
  EXPECT_FALSE(hiveDword("Source"));

  // Any change writes every setting, and the current source's index as the preview shows it.
  child<QSpinBox>(*form, "pixoriaTimeSpinBox")->setValue(3);
  EXPECT_EQ(hiveDword("TimeIndex"), 3u);
  EXPECT_EQ(hiveDword("TimePeriod"), 1u);
  EXPECT_EQ(hiveDword("Region"), 7u);
  EXPECT_EQ(hiveDword("Source"), 0u);
  EXPECT_EQ(hiveDword("Enabled"), 1u);
  EXPECT_EQ(hiveDword("BingCurrentIndex"), 0u);
  EXPECT_FALSE(hiveDword("NasaCurrentIndex"));
  EXPECT_EQ(hiveDword("CustomCount"), 0u);
  EXPECT_EQ(agent.takeMessages(), Messages({kEnable, kReload}));
}

TEST_F(FormSettingsTest, StartWithoutAnAgentStartsItFromPathAndStopKeepsTheEntry) {
  const std::string installFolder = installStandInProgram();
  setHiveString("Path", installFolder);
  auto form = openForm();
  click(*form, "startButton");
  EXPECT_TRUE(child<QAbstractButton>(*form, "startButton")->isHidden());
  EXPECT_EQ(hiveDword("Enabled"), 1u);
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(installFolder + "/started"); }));
  const std::string entry = read(autostartEntryFile());
  EXPECT_NE(entry.find("\nExec=" + installFolder + "/PixoriaHelper\n"), std::string::npos) << entry;

  StandInAgent agent;
  click(*form, "stopButton");
  EXPECT_EQ(hiveDword("Enabled"), 0u);
  EXPECT_EQ(agent.takeMessages(), Messages({kDisable}));
  EXPECT_FALSE(child<QSpinBox>(*form, "pixoriaTimeSpinBox")->isEnabled());
  EXPECT_EQ(read(autostartEntryFile()), entry);

  // Settings written while stopped tell the agent to stay stopped.
  child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")->click();
  EXPECT_EQ(hiveDword("multiMonitorSupport"), 2u);
  EXPECT_EQ(agent.takeMessages(), Messages({kDisable}));

  click(*form, "startButton");
  EXPECT_TRUE(child<QSpinBox>(*form, "pixoriaTimeSpinBox")->isEnabled());
  EXPECT_EQ(agent.takeMessages(), Messages({kEnable, kReload}));
}

TEST_F(FormSettingsTest, WithoutPathTheAgentIsLookedForBesideTheApplication) {
  auto form = openForm();
  click(*form, "startButton");
  const std::string entry = read(autostartEntryFile());
  std::error_code error;
  const std::string ownFolder =
      std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
  EXPECT_NE(entry.find("\nExec=" + ownFolder + "/PixoriaHelper\n"), std::string::npos) << entry;
}

TEST_F(FormSettingsTest, TheCustomListIsReadAsStoredAndOldEntriesOutliveAShorterList) {
  setHiveDword("CustomCount", 3);
  setHiveString("CustomFile0", "/pictures/a.jpg");
  setHiveString("CustomFile2", "/pictures/c.jpg");
  setHiveDword("CustomIndex", 3);  // past the end: the first entry
  auto form = openForm();
  auto* tree = child<QTreeWidget>(*form, "customSourceTreeWidget");
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "");
  EXPECT_EQ(tree->topLevelItem(2)->text(0), "/pictures/c.jpg");

  child<QComboBox>(*form, "pixoriaSourceComboBox")->setCurrentIndex(3);
  EXPECT_EQ(hiveDword("Source"), 3u);
  EXPECT_EQ(hiveDword("CustomIndex"), 0u);
  EXPECT_EQ(hiveString("CustomFile1"), "");

  // Removing the last two entries stores a count of one and leaves their values behind.
  tree->clearSelection();
  tree->topLevelItem(1)->setSelected(true);
  tree->topLevelItem(2)->setSelected(true);
  click(*form, "customSourceRemovePushButton");
  EXPECT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(hiveDword("CustomCount"), 1u);
  EXPECT_EQ(hiveString("CustomFile2"), "/pictures/c.jpg");

  // Once the custom source has shown an empty list, the next write stores the index as -1.
  click(*form, "customSourceClearPushButton");
  child<QComboBox>(*form, "pixoriaSourceComboBox")->setCurrentIndex(1);
  child<QComboBox>(*form, "pixoriaSourceComboBox")->setCurrentIndex(3);
  child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")->click();
  EXPECT_EQ(hiveDword("CustomCount"), 0u);
  EXPECT_EQ(hiveDword("CustomIndex"), kMinusOne);
  EXPECT_EQ(hiveString("CustomFile0"), "/pictures/a.jpg");
}

TEST_F(FormSettingsTest, SetFitsTheImageIntoTheSharedFolderAndOnlyReloadsTheAgent) {
  const std::string picture = wallpaperFolder() + "/../lake.jpg";
  ASSERT_TRUE(writeJpeg(picture, 64, 48, 10, 150, 10));
  setHiveDword("Enabled", 1);
  setHiveDword("Source", 3);
  setHiveDword("CustomCount", 1);
  setHiveString("CustomFile0", picture);
  StandInAgent agent;
  auto form = openForm();
  agent.takeMessages();
  click(*form, "pixoriaImageButton");
  EXPECT_EQ(agent.takeMessages(), Messages({kReload}));
  EXPECT_EQ(hiveDword("CustomIndex"), 0u);
  const std::string fitted = wallpaperFolder() + "/temp_image2.jpg";
  // The fitting runs on a worker thread; with one monitor the form sets nothing itself (the
  // second monitor is the form's), the agent's reload does.
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(fitted); }));
  EXPECT_EQ(QImage(QString::fromStdString(fitted)).size(), QSize(320, 180));
  spin(100);
  EXPECT_EQ(read(desktopLogFile()), "");

  // A change while running fits the list's entry the same way, after enable and reload.
  std::filesystem::remove(fitted);
  child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")->click();
  EXPECT_EQ(agent.takeMessages(), Messages({kEnable, kReload}));
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(fitted); }));
}

TEST_F(FormSettingsTest, AFailedSaveIsToldOnceAndTheNextSaveWritesIt) {
  setHiveDword("CustomCount", 1);
  setHiveString("CustomFile0", "/pictures/a.jpg");
  auto form = openForm();
  MessageBoxes boxes;
  {
    UnwritableSettingsFolder unwritable;
    // One save of a dozen values: the list and every setting.
    child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")->click();
    ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(" | ").toStdString();
    EXPECT_TRUE(
        boxes.texts().first().startsWith("The settings could not be saved: permission denied"))
        << boxes.texts().first().toStdString();
  }
  EXPECT_EQ(hiveDword("multiMonitorSupport"), std::nullopt);

  // Writable again: the next change saves what the failed one held too, and says nothing.
  child<QSpinBox>(*form, "pixoriaTimeSpinBox")->setValue(5);
  EXPECT_EQ(boxes.texts().size(), 1);
  EXPECT_EQ(hiveDword("multiMonitorSupport"), 2u);
  EXPECT_EQ(hiveDword("TimeIndex"), 5u);
  EXPECT_EQ(hiveString("CustomFile0"), "/pictures/a.jpg");
}

TEST_F(FormSettingsTest, AddStopsAtTheLongestListAndSaysHowManyFilesWereLeftOut) {
  // The limit lowered from kMaxCustomFiles to five, and a list two entries short of it.
  qputenv("PIXORIA_TEST_MAX_CUSTOM_FILES", "5");
  setHiveDword("CustomCount", 3);
  for (const char* value : {"CustomFile0", "CustomFile1", "CustomFile2"}) {
    setHiveString(value, std::string("/p/") + value + ".jpg");
  }
  folder = test::makeTemporaryFolder();
  for (const char* name : {"a", "b", "c", "d", "e"}) {
    ASSERT_TRUE(writeJpeg(folder + "/" + name + ".jpg", 8, 8, 0, 0, 0));
  }

  auto form = openForm();
  MessageBoxes boxes;
  answerFileDialog(QString::fromStdString(folder),
                   QStringLiteral("\"a.jpg\" \"b.jpg\" \"c.jpg\" \"d.jpg\" \"e.jpg\""));
  click(*form, "customSourceAddPushButton");
  const bool told = waitUntil([&] { return !boxes.texts().isEmpty(); });
  qunsetenv("PIXORIA_TEST_MAX_CUSTOM_FILES");
  ASSERT_TRUE(told);
  EXPECT_EQ(boxes.texts(),
            QStringList({"3 files were not added: the list holds at most 5 files."}));
  EXPECT_EQ(child<QTreeWidget>(*form, "customSourceTreeWidget")->topLevelItemCount(), 5);
  EXPECT_EQ(hiveDword("CustomCount"), 5u);
  EXPECT_EQ(hiveString("CustomFile4"), folder + "/b.jpg");
  EXPECT_EQ(hiveString("CustomFile5"), std::nullopt);
}

// The source box's items carry the source numbers: each label stores its own number and its own
// position value, and a stored number shows that label again when the form opens.
TEST_F(FormSettingsTest, EachSourceItemStoresItsOwnNumberAndPositionValue) {
  struct Case {
    const char* label;
    std::uint32_t number;
    const char* positionValue;
  };
  const Case cases[] = {
      {"Bing daily image", 0, "BingCurrentIndex"},
      {"NASA daily image", 1, "NasaCurrentIndex"},
      {"Wikimedia Picture of the Day", 2, "WikipediaCurrentIndex"},
      {"Custom", 3, "CustomIndex"},
  };
  const char* const feedValues[] = {"BingCurrentIndex", "NasaCurrentIndex",
                                    "WikipediaCurrentIndex"};
  for (const Case& entry : cases) {
    SCOPED_TRACE(entry.label);
    resetUserState();
    setHiveDword("Source", kMinusOne);  // no item is current, so choosing any item is a change
    {
      auto form = openForm();
      auto* box = child<QComboBox>(*form, "pixoriaSourceComboBox");
      ASSERT_EQ(box->currentIndex(), -1);
      box->setCurrentIndex(box->findText(QString::fromLatin1(entry.label)));
      EXPECT_EQ(hiveDword("Source"), entry.number);
      EXPECT_TRUE(hiveDword(entry.positionValue));
      for (const char* value : feedValues) {
        if (std::string_view(value) != entry.positionValue) {
          EXPECT_FALSE(hiveDword(value)) << value;
        }
      }
    }
    auto reopened = openForm();
    EXPECT_EQ(child<QComboBox>(*reopened, "pixoriaSourceComboBox")->currentText(), entry.label);
  }
}

}  // namespace
}  // namespace pixoria::app_test
