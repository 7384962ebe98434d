// The form against damaged settings, overlapping loads and feed text meant to be markup: the
// custom count's bound, the monitor Set uses, one write per Add, which load may draw the preview,
// and captions shown as plain text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "agent/agent_settings.h"
#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form_test_support.h"
#include "gated_image_server.h"
#include "pixoria/common/nasa_feed.h"
#include "pixoria/common/wikipedia_feed.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

using Messages = std::vector<std::uint32_t>;
constexpr std::uint32_t kReload = 1324;
constexpr std::uint32_t kEnable = 1326;

// The headless desktop's monitors for one test.
class Screens {
 public:
  explicit Screens(const char* value) {
    const char* saved = std::getenv("PIXORIA_SCREENS");
    before = saved != nullptr ? saved : "";
    setenv("PIXORIA_SCREENS", value, 1);
  }
  ~Screens() { setenv("PIXORIA_SCREENS", before.c_str(), 1); }

 private:
  std::string before;
};

class FormHardeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetUserState();
    pictures = test::makeTemporaryFolder();
  }
  void TearDown() override { test::removeFolder(pictures); }

  QLabel* label(const char* name) const { return child<QLabel>(*form, name); }
  QAbstractButton* button(const char* name) const { return child<QAbstractButton>(*form, name); }

  // The centre pixel of the preview as it is shown.
  QColor previewColour() const {
    const QImage shown = label("pixoriaImage")->pixmap().toImage();
    return shown.isNull() ? QColor() : shown.pixelColor(shown.width() / 2, shown.height() / 2);
  }

  std::string desktopLog() const { return test::readFileBytes(desktopLogFile()); }

  // Sets the custom list's only entry with Set, once the form is open and the agent runs.
  void setCustomEntry(const std::string& picture) {
    setHiveDword("Source", 3);
    setHiveDword("CustomCount", 1);
    setHiveString("CustomFile0", picture);
    form.reset();
    form = std::make_unique<AutoPixoriaForm>();
    spin(200);
    const qsizetype before = fittingsEnded();
    button("pixoriaImageButton")->click();
    ASSERT_TRUE(waitUntil([&] { return fittingsEnded() > before; }));
  }

  qsizetype fittingsEnded() const {
    qsizetype ended = 0;
    for (const QString& line : debug.lines()) {
      if (line.startsWith(QLatin1String("Fitted into")) ||
          line == QLatin1String("The image could not be fitted; nothing is set")) {
        ++ended;
      }
    }
    return ended;
  }

  std::string pictures;
  DebugLines debug;
  std::unique_ptr<AutoPixoriaForm> form;
};

TEST_F(FormHardeningTest, ADamagedCustomCountReadsNoMoreEntriesThanTheAgentDoes) {
  setHiveDword("CustomCount", 0xFFFFFFFFu);
  setHiveString("CustomFile0", "/pictures/a.jpg");
  form = std::make_unique<AutoPixoriaForm>();
  auto* tree = child<QTreeWidget>(*form, "customSourceTreeWidget");
  ASSERT_EQ(tree->topLevelItemCount(), static_cast<int>(kMaxCustomFiles));
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "/pictures/a.jpg");
  EXPECT_EQ(hiveDword("CustomCount"), 0xFFFFFFFFu);  // reading alone writes nothing
}

TEST_F(FormHardeningTest, SetPutsTheFittedImageOnTheSecondMonitorAndNothingElse) {
  const std::string fitted = wallpaperFolder() + "/temp_image2.jpg";
  ASSERT_TRUE(writeJpeg(pictures + "/lake.jpg", 64, 48, 10, 150, 10));
  {
    Screens two("320x180,200x100");
    setCustomEntry(pictures + "/lake.jpg");
    ASSERT_TRUE(waitUntil([&] { return !desktopLog().empty(); }));
    EXPECT_EQ(desktopLog(), "set 1 HEADLESS-2 " + fitted + "\n");
    EXPECT_EQ(QImage(QString::fromStdString(fitted)).size(), QSize(320, 180));

    // A file that does not decode sets nothing: not even the older temp_image2.jpg still there.
    std::filesystem::remove(desktopLogFile());
    test::writeFileBytes(pictures + "/notes.jpg", "not a picture");
    const std::string older = test::readFileBytes(fitted);
    setCustomEntry(pictures + "/notes.jpg");
    spin(200);
    EXPECT_EQ(desktopLog(), "");
    EXPECT_EQ(test::readFileBytes(fitted), older);
  }

  // One monitor: the picture is fitted for the agent's reload, and the form sets nothing.
  std::filesystem::remove(fitted);
  setCustomEntry(pictures + "/lake.jpg");
  EXPECT_TRUE(std::filesystem::exists(fitted));
  spin(200);
  EXPECT_EQ(desktopLog(), "");
}

TEST_F(FormHardeningTest, AddingSeveralFilesStoresTheListOnceAndReloadsTheAgentOnce) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
    ASSERT_TRUE(writeJpeg(pictures + "/" + name, 40, 30, 200, 0, 0));
  }
  setHiveDword("Enabled", 1);
  setHiveDword("Source", 3);
  StandInAgent agent;
  form = std::make_unique<AutoPixoriaForm>();
  spin(200);
  agent.takeMessages();
  const qsizetype writesBefore = debug.lines().count(QStringLiteral("true"));
  answerFileDialog(QString::fromStdString(pictures),
                   QStringLiteral("\"a.jpg\" \"b.jpg\" \"c.jpg\" \"d.jpg\""));
  button("customSourceAddPushButton")->click();
  EXPECT_EQ(agent.takeMessages(), Messages({kEnable, kReload}));
  // CustomCount, the four entries and CustomIndex: one save.
  EXPECT_EQ(debug.lines().count(QStringLiteral("true")) - writesBefore, 1);
  EXPECT_EQ(hiveDword("CustomCount"), 4u);
  EXPECT_EQ(hiveString("CustomFile3"), pictures + "/d.jpg");

  // Files that are all in the list already change nothing, and tell the agent nothing.
  answerFileDialog(QString::fromStdString(pictures), QStringLiteral("\"A.JPG\""));
  test::writeFileBytes(pictures + "/A.JPG", test::readFileBytes(pictures + "/a.jpg"));
  button("customSourceAddPushButton")->click();
  EXPECT_EQ(agent.takeMessages(), Messages());
}

TEST_F(FormHardeningTest, AnEarlierDownloadEndingLastLeavesThePreviewToTheCurrentImage) {
  FeedServer feeds;
  GatedImageServer images;
  ASSERT_TRUE(feeds.running() && images.listening());
  const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
  std::string rss = "<rss><channel><description>Images</description>";
  for (int n = 0; n < 3; ++n) {
    const std::string file = pictures + "/" + std::to_string(n) + ".jpg";
    ASSERT_TRUE(writeJpeg(file, 48, 32, static_cast<std::uint8_t>(colours[n].red()),
                          static_cast<std::uint8_t>(colours[n].green()),
                          static_cast<std::uint8_t>(colours[n].blue())));
    const QString path = QStringLiteral("/%1.jpg").arg(n);
    images.serve(path, QByteArray::fromStdString(test::readFileBytes(file)));
    rss += "<item><description>Caption " + std::to_string(n) + "</description><enclosure url=\"" +
           images.url(path).toStdString() + "\" type=\"image/jpeg\"/></item>";
  }
  feeds.serve("/nasa.rss", rss + "</channel></rss>");
  setHiveDword("Source", 1);
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(waitUntil([&] { return previewColour().red() > 150; }));

  // Back asks for image 1, which hangs; Back again asks for image 2, which comes at once.
  images.hold(QStringLiteral("/1.jpg"));
  button("pixoriaBackToolButton")->click();
  ASSERT_TRUE(waitUntil([&] {
    return images.requests().contains(QStringLiteral("/1.jpg")) &&
           child<QComboBox>(*form, "pixoriaSourceComboBox")->isEnabled();
  }));
  button("pixoriaBackToolButton")->click();
  ASSERT_TRUE(waitUntil([&] { return previewColour().blue() > 150; }));
  EXPECT_EQ(label("pixoriaImageLabel2")->text(), "Caption 2");

  // Image 1 ends last: it must not replace the preview under image 2's caption.
  images.release(QStringLiteral("/1.jpg"));
  spin(1500);
  EXPECT_GT(previewColour().blue(), 150);
  EXPECT_EQ(label("pixoriaImageLabel2")->text(), "Caption 2");
  EXPECT_EQ(test::readFileBytes(wallpaperFolder() + "/image2.jpg"),
            test::readFileBytes(pictures + "/2.jpg"));
}

TEST_F(FormHardeningTest, CaptionsAreShownAsTheTextTheFeedsMean) {
  FeedServer feeds;
  ASSERT_TRUE(feeds.running());
  std::string archive = test::readFileBytes(feeds.folder() + "/HPImageArchive.aspx");
  const std::size_t open = archive.find("<copyright>") + 11;
  archive.replace(open, archive.find("</copyright>") - open,
                  "&lt;b&gt;Bold&lt;/b&gt; &lt;img src=x&gt; lake");
  feeds.serve("/HPImageArchive.aspx", archive);
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(waitUntil([&] { return !label("pixoriaImage")->pixmap().isNull(); }));
  for (const char* name :
       {"pixoriaImage", "pixoriaImageLabel", "pixoriaImageLabel2", "PreviewLabel"}) {
    EXPECT_EQ(label(name)->textFormat(), Qt::PlainText) << name;
  }
  EXPECT_EQ(label("pixoriaImageLabel2")->text(), "<b>Bold</b> <img src=x> lake");

  // NASA's newer layout wraps HTML in CDATA: the reader sees the words alone.
  child<QComboBox>(*form, "pixoriaSourceComboBox")->setCurrentIndex(1);
  ASSERT_TRUE(waitUntil(
      [&] { return label("pixoriaImageLabel")->text() == "NASA Astronomy Picture of the Day"; }));
  // The first entry pairs the channel's own description with the first enclosure.
  const QString channel = label("pixoriaImageLabel2")->text();
  button("pixoriaBackToolButton")->click();
  ASSERT_TRUE(waitUntil([&] { return label("pixoriaImageLabel2")->text() != channel; }));
  const QString caption = label("pixoriaImageLabel2")->text();
  EXPECT_EQ(caption, "Astronaut photograph 2 \u2013 a view of Earth\u2019s limb.");
  for (const char* markup : {"CDATA", "<p>", "</p>", "]]>", "&#"}) {
    EXPECT_FALSE(caption.contains(QLatin1String(markup))) << caption.toStdString();
  }
}

// Switching away and back while a list is still on its way asks for it once: a second fetch into
// the same list would repeat its entries, and the index Set stores would name another picture
// than the agent's list holds there.
TEST_F(FormHardeningTest, ASourceChosenAgainWhileItsListIsFetchedWaitsForThatFetch) {
  FeedServer feeds;
  GatedImageServer gate;
  ASSERT_TRUE(feeds.running() && gate.listening());
  // The documents as the feed server has them (their images stay there), served by the gate.
  int wikipediaDays = 0;
  for (int day = 0; day < kWikipediaDays; ++day) {
    const std::string path = FeedServer::wikipediaDayPath(day);
    const std::string document = test::readFileBytes(feeds.folder() + path);
    if (!document.empty()) {
      gate.serve(QString::fromStdString(path), QByteArray::fromStdString(document));
      wikipediaDays += readWikipediaPicture(document, true).found ? 1 : 0;
    }
  }
  const std::string nasa = test::readFileBytes(feeds.folder() + "/nasa.rss");
  gate.serve(QStringLiteral("/nasa.rss"), QByteArray::fromStdString(nasa));
  setenv("PIXORIA_NASA_FEED_URL", gate.url(QStringLiteral("/nasa.rss")).toUtf8().constData(), 1);
  setenv("PIXORIA_WIKIPEDIA_FEED_PREFIX",
         gate.url(QStringLiteral("/featured/")).toUtf8().constData(), 1);
  const struct {
    int source;
    QString heldPath;
    QString lastPath;  // the list is whole once this has been answered
    qsizetype entries;
    const char* indexValue;
  } cases[] = {
      {1, QStringLiteral("/nasa.rss"), QStringLiteral("/nasa.rss"),
       static_cast<qsizetype>(readNasaEntries(nasa).size()), "NasaCurrentIndex"},
      {2, QString::fromStdString(FeedServer::wikipediaDayPath(0)),
       QString::fromStdString(FeedServer::wikipediaDayPath(kWikipediaDays - 1)), wikipediaDays,
       "WikipediaCurrentIndex"},
  };
  PreviewLoads loads(debug);
  form = std::make_unique<AutoPixoriaForm>();
  auto* sourceBox = child<QComboBox>(*form, "pixoriaSourceComboBox");
  ASSERT_TRUE(loads.waitForNext(*form));
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.indexValue);
    ASSERT_GT(entry.entries, 1);
    gate.hold(entry.heldPath);
    sourceBox->setCurrentIndex(entry.source);
    ASSERT_TRUE(waitUntil([&] { return gate.requests().contains(entry.heldPath); }));
    ASSERT_TRUE(waitUntil([&] { return sourceBox->isEnabled(); }));
    sourceBox->setCurrentIndex(0);
    ASSERT_TRUE(loads.waitForNext(*form));
    sourceBox->setCurrentIndex(entry.source);
    ASSERT_TRUE(waitUntil([&] { return sourceBox->isEnabled(); }));
    spin(200);
    gate.release(entry.heldPath);
    ASSERT_TRUE(loads.waitForNext(*form));
    ASSERT_TRUE(waitUntil([&] { return gate.requests().contains(entry.lastPath); }));
    spin(300);
    EXPECT_EQ(gate.requests().count(entry.heldPath), 1);

    // One step forward from the first entry wraps to the last one, which Set stores.
    button("pixoriaNextToolButton")->click();
    ASSERT_TRUE(loads.waitForNext(*form));
    button("pixoriaImageButton")->click();
    EXPECT_EQ(hiveDword(entry.indexValue), static_cast<std::uint32_t>(entry.entries - 1));
  }
}

}  // namespace
}  // namespace pixoria::app_test
