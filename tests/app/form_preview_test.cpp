// The form's preview against the loopback feed server: the first load, stepping through each
// feed, the cancel rule, the custom list, saving, and what bad input leaves on screen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form_test_support.h"
#include "preview/preview_file.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

class FormPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetUserState();
    ASSERT_TRUE(server.running());
  }

  QLabel* label(const char* name) const { return child<QLabel>(*form, name); }
  QAbstractButton* button(const char* name) const { return child<QAbstractButton>(*form, name); }
  QComboBox* box(const char* name) const { return child<QComboBox>(*form, name); }

  bool loaded() { return loads.waitForNext(*form); }

  bool showsPicture() const { return !label("pixoriaImage")->pixmap().isNull(); }
  // Pictures are decoded on a worker thread: they appear, or go, a moment after the request.
  bool pictureComes() const {
    return waitUntil([this] { return showsPicture(); });
  }
  bool pictureGoes() const {
    return waitUntil([this] { return !showsPicture(); });
  }

  std::vector<std::string> archiveRequests() {
    std::vector<std::string> archive;
    for (const std::string& request : server.takeRequests()) {
      if (request.rfind("/HPImageArchive.aspx", 0) == 0) {
        archive.push_back(request);
      }
    }
    return archive;
  }

  static std::string archive(int index, const char* market = "en-US") {
    return "/HPImageArchive.aspx?format=xml&idx=" + std::to_string(index) + "&n=1&mkt=" + market;
  }

  static QString bingTitle(int daysBack) {
    return QStringLiteral("Bing\u2019s image of the day (") +
           QDate::currentDate().addDays(-daysBack).toString(Qt::TextDate) + ")";
  }

  FeedServer server;
  DebugLines debug;
  PreviewLoads loads{debug};
  std::unique_ptr<AutoPixoriaForm> form;
};

TEST_F(FormPreviewTest, BingLoadsAfterStartUpAndWrapsAroundItsEightDays) {
  form = std::make_unique<AutoPixoriaForm>();
  EXPECT_TRUE(server.takeRequests().empty());  // the first load waits for the timer
  ASSERT_TRUE(loaded());
  EXPECT_TRUE(pictureComes());
  EXPECT_EQ(archiveRequests(), std::vector<std::string>({archive(0)}));
  EXPECT_EQ(label("pixoriaImageLabel")->text(), bingTitle(0));
  EXPECT_TRUE(label("pixoriaImageLabel2")->text().startsWith("Anse Source d\u2019Argent beach"));

  button("pixoriaNextToolButton")->click();  // from today to the oldest day
  ASSERT_TRUE(loaded());
  EXPECT_EQ(archiveRequests(), std::vector<std::string>({archive(7)}));
  EXPECT_EQ(label("pixoriaImageLabel")->text(), bingTitle(7));
  button("pixoriaBackToolButton")->click();  // and back round to today
  ASSERT_TRUE(loaded());
  EXPECT_EQ(archiveRequests(), std::vector<std::string>({archive(0)}));
  button("pixoriaBackToolButton")->click();
  ASSERT_TRUE(loaded());
  EXPECT_EQ(label("pixoriaImageLabel")->text(), bingTitle(1));

  // Save writes the preview file as the chosen path's format.
  const std::string saved = test::makeTemporaryFolder();
  answerFileDialog(QString::fromStdString(saved), QStringLiteral("copy.png"));
  button("pixoriaImageSaveButton")->click();
  // Saved once the UHD rendition has been asked for (this server sends the same picture).
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(saved + "/copy.png"); }));
  const QImage copy(QString::fromStdString(saved + "/copy.png"));
  EXPECT_EQ(copy.size(), QSize(64, 36));
  test::removeFolder(saved);
}

TEST_F(FormPreviewTest, OnlyOneLoadStartsPerTurnAndNextBeforeItsEndCancelsIt) {
  setHiveDword("Source", 1);
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(loaded());
  server.takeRequests();
  // With the list kept, a load goes straight to its image and Next stays available meanwhile.
  button("pixoriaImageReloadButton")->click();
  button("pixoriaImageReloadButton")->click();
  button("pixoriaNextToolButton")->click();
  spin(800);
  const std::vector<std::string> requests = server.takeRequests();
  EXPECT_LE(requests.size(), 1u);
  for (const std::string& request : requests) {
    EXPECT_NE(request.find("/amf-1.jpg"), std::string::npos) << request;
  }
  EXPECT_EQ(debug.lines().count(QStringLiteral("onDownloadComplete")), loads.completions());
  EXPECT_EQ(debug.lines().count(QStringLiteral("onLoadWallpaperProcessFinish")), 2);

  // Pressed once the load has ended, Next loads the image it chose.
  button("pixoriaNextToolButton")->click();
  ASSERT_TRUE(loaded());
  const std::vector<std::string> later = server.takeRequests();
  ASSERT_EQ(later.size(), 1u);
  EXPECT_NE(later[0].find("/amf-6.jpg"), std::string::npos) << later[0];
}

TEST_F(FormPreviewTest, ARegionChosenBeforeTheFirstLoadOnlyChangesTheAddresses) {
  form = std::make_unique<AutoPixoriaForm>();
  box("pixoriaRegionComboBox")->setCurrentIndex(1);
  EXPECT_EQ(hiveDword("Region"), 1u);
  ASSERT_TRUE(loaded());
  EXPECT_EQ(archiveRequests(), std::vector<std::string>({archive(0, "en-GB")}));
  box("pixoriaRegionComboBox")->setCurrentIndex(3);
  ASSERT_TRUE(loaded());
  EXPECT_EQ(archiveRequests(), std::vector<std::string>({archive(0, "ja-JP")}));
}

TEST_F(FormPreviewTest, NasaAndWikipediaShowTheirCaptionsAndStepThroughTheirLists) {
  setHiveDword("Source", 1);
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(loaded());
  EXPECT_EQ(label("pixoriaImageLabel")->text(), "NASA Astronomy Picture of the Day");
  const QString first = label("pixoriaImageLabel2")->text();
  EXPECT_FALSE(first.isEmpty());
  server.takeRequests();
  button("pixoriaBackToolButton")->click();
  ASSERT_TRUE(loaded());
  EXPECT_NE(label("pixoriaImageLabel2")->text(), first);
  const std::vector<std::string> requests = server.takeRequests();
  ASSERT_EQ(requests.size(), 1u);  // the image alone: the list is kept
  EXPECT_EQ(requests[0].find("nasa.rss"), std::string::npos);

  box("pixoriaSourceComboBox")->setCurrentIndex(2);
  ASSERT_TRUE(loaded());
  EXPECT_EQ(label("pixoriaImageLabel")->text(), "Wikimedia Picture of the Day");
  EXPECT_TRUE(label("pixoriaImageLabel2")->text().startsWith("By "));
  EXPECT_EQ(hiveDword("Source"), 2u);
}

TEST_F(FormPreviewTest, BadInputEndsInAStatusTextOrAnEmptyPicture) {
  // A preview that does not decode: the download succeeds, the preview says why.
  server.serve("/th", "not a picture");
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(loaded());
  EXPECT_TRUE(waitUntil([this] {
    return label("pixoriaImage")->text() ==
           "Cannot show the downloaded picture: not a picture that can be shown";
  }));
  EXPECT_FALSE(showsPicture());

  // No wallpaper folder to write into: the failure is shown, only Reload is offered.
  std::filesystem::remove_all(wallpaperFolder());
  test::writeFileBytes(wallpaperFolder(), "a file where the folder should be");
  button("pixoriaImageReloadButton")->click();
  ASSERT_TRUE(waitUntil([this] {
    return button("pixoriaImageReloadButton")->isEnabled() &&
           !button("pixoriaImageButton")->isEnabled();
  }));
  spin(1200);  // no redraw of the earlier picture comes to cover the status
  EXPECT_FALSE(button("pixoriaBackToolButton")->isEnabled());
  EXPECT_TRUE(label("pixoriaImage")->text().startsWith("Could not download images from Bing"))
      << label("pixoriaImage")->text().toStdString();

  // Feeds without a single complete entry, at both addresses: the preparing line stays.
  for (const char* feed : {"/nasa.rss", "/feeds/iotd-feed"}) {
    server.serve(feed, "<rss><channel><item><title>only a title</title></item></channel></rss>");
  }
  box("pixoriaSourceComboBox")->setCurrentIndex(1);
  ASSERT_TRUE(waitUntil([this] { return box("pixoriaSourceComboBox")->isEnabled(); }));
  spin(300);
  EXPECT_EQ(label("pixoriaImage")->text(), "Preparing to download images from NASA Server...");
}

struct UhdFormCase {
  const char* screens;
  bool uhdServed;
  bool setFromUhd;
  bool savedFromUhd;
};

// Bing's UHD rendition: Save takes it whenever the server has it, Set by the agent's rule
// (screens larger than 1920x1080), one download for both; the preview stays the standard one.
TEST_F(FormPreviewTest, SaveAndSetTakeBingsUhdRenditionWhenTheServerHasIt) {
  const std::string name = "/th/OHR.LaDigue_EN-US1234567890_";
  std::filesystem::remove(server.folder() + "/th");
  std::filesystem::create_directory(server.folder() + "/th");
  ASSERT_TRUE(writeJpeg(server.folder() + name + "1920x1080.jpg", 64, 36, 30, 30, 200));
  ASSERT_TRUE(writeJpeg(server.folder() + "/uhd.jpg", 128, 72, 200, 30, 30));
  const std::string standard = test::readFileBytes(server.folder() + name + "1920x1080.jpg");
  const std::string uhd = test::readFileBytes(server.folder() + "/uhd.jpg");
  const std::string fitted = wallpaperFolder() + "/temp_image2.jpg";
  const std::string saved = test::makeTemporaryFolder();
  const std::string screensBefore = std::getenv("PIXORIA_SCREENS");
  const UhdFormCase cases[] = {
      {"2560x1440,2560x1440", true, true, true},
      {"2560x1440,2560x1440", false, false, false},
      {"1920x1080,1920x1080", true, false, true},
  };
  for (const UhdFormCase& entry : cases) {
    SCOPED_TRACE(std::string(entry.screens) + (entry.uhdServed ? " with UHD" : " without UHD"));
    setenv("PIXORIA_SCREENS", entry.screens, 1);
    std::filesystem::remove(server.folder() + name + "UHD.jpg");
    if (entry.uhdServed) {
      server.serve(name + "UHD.jpg", uhd);
    }
    std::filesystem::remove(fitted);
    std::filesystem::remove(saved + "/copy.jpg");
    form = std::make_unique<AutoPixoriaForm>();
    ASSERT_TRUE(loaded());
    EXPECT_EQ(test::readFileBytes(previewImagePath().toStdString()), standard);
    server.takeRequests();

    answerFileDialog(QString::fromStdString(saved), QStringLiteral("copy.jpg"));
    button("pixoriaImageSaveButton")->click();
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(saved + "/copy.jpg"); }));
    EXPECT_EQ(test::readFileBytes(saved + "/copy.jpg"), entry.savedFromUhd ? uhd : standard);

    button("pixoriaImageButton")->click();
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(fitted); }));
    const QImage set(QString::fromStdString(fitted));
    EXPECT_EQ(set.width(), std::atoi(entry.screens));
    const QColor centre = set.pixelColor(set.width() / 4, set.height() / 4);
    EXPECT_EQ(centre.red() > 150, entry.setFromUhd) << centre.name().toStdString();
    EXPECT_EQ(centre.blue() > 150, !entry.setFromUhd) << centre.name().toStdString();
    // Save asked once; Set found the rendition already here.
    std::size_t uhdRequests = 0;
    for (const std::string& request : server.takeRequests()) {
      uhdRequests += request.find("_UHD.jpg") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(uhdRequests, 1u);
  }
  setenv("PIXORIA_SCREENS", screensBefore.c_str(), 1);
  test::removeFolder(saved);
}

TEST_F(FormPreviewTest, TheCustomListAddsRemovesAndShowsItsFiles) {
  const std::string pictures = test::makeTemporaryFolder();
  ASSERT_TRUE(writeJpeg(pictures + "/a.jpg", 40, 30, 200, 0, 0));
  ASSERT_TRUE(writeJpeg(pictures + "/b.jpg", 30, 40, 0, 200, 0));
  setHiveDword("Source", 3);
  form = std::make_unique<AutoPixoriaForm>();
  EXPECT_EQ(label("pixoriaImage")->text(), "Loading image from the list...");
  EXPECT_TRUE(button("pixoriaImageButton")->isHidden());

  const QString folder = QString::fromStdString(pictures);
  answerFileDialog(folder, QStringLiteral("\"a.jpg\" \"b.jpg\""));
  button("customSourceAddPushButton")->click();
  EXPECT_EQ(hiveDword("CustomCount"), 2u);
  EXPECT_EQ(hiveString("CustomFile1"), pictures + "/b.jpg");
  EXPECT_EQ(label("PreviewLabel")->text(), "a.jpg");
  EXPECT_TRUE(pictureComes());
  EXPECT_FALSE(button("pixoriaNextToolButton")->isHidden());

  // The same file in other letters is already there.
  answerFileDialog(folder, QStringLiteral("\"A.JPG\""));
  test::writeFileBytes(pictures + "/A.JPG", test::readFileBytes(pictures + "/a.jpg"));
  button("customSourceAddPushButton")->click();
  EXPECT_EQ(hiveDword("CustomCount"), 2u);

  button("pixoriaNextToolButton")->click();
  EXPECT_EQ(label("PreviewLabel")->text(), "b.jpg");
  button("pixoriaNextToolButton")->click();
  EXPECT_EQ(label("PreviewLabel")->text(), "a.jpg");
  button("pixoriaBackToolButton")->click();
  EXPECT_EQ(label("PreviewLabel")->text(), "b.jpg");

  // A file deleted after it was added gives no picture, and the preview says why.
  std::filesystem::remove(pictures + "/b.jpg");
  button("pixoriaBackToolButton")->click();
  button("pixoriaNextToolButton")->click();
  EXPECT_EQ(label("PreviewLabel")->text(), "b.jpg");
  EXPECT_TRUE(pictureGoes());
  EXPECT_TRUE(waitUntil(
      [this] { return label("pixoriaImage")->text() == "Cannot read b.jpg: no such file"; }));

  // Removing the shown entry shows the one left; removing that one empties the preview.
  button("customSourceRemovePushButton")->click();
  EXPECT_EQ(label("PreviewLabel")->text(), "a.jpg");
  EXPECT_TRUE(button("pixoriaNextToolButton")->isHidden());
  EXPECT_EQ(hiveDword("CustomCount"), 1u);
  child<QTreeWidget>(*form, "customSourceTreeWidget")->topLevelItem(0)->setSelected(true);
  button("customSourceRemovePushButton")->click();
  EXPECT_EQ(label("pixoriaImage")->text(), "Loading image from the list...");
  EXPECT_TRUE(button("pixoriaImageButton")->isHidden());
  EXPECT_EQ(hiveDword("CustomCount"), 0u);

  // Back to a feed, the arrows come back with it.
  box("pixoriaSourceComboBox")->setCurrentIndex(0);
  EXPECT_FALSE(button("pixoriaNextToolButton")->isHidden());
  test::removeFolder(pictures);
}

}  // namespace
}  // namespace pixoria::app_test
