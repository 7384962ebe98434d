// The form as a person meets it: a load that fails says why and Reload tries again, Save writes
// what was asked or says why not (also for pictures far larger than memory should hold), keyboard
// focus stays where the user put it while a load disables the controls, and long captions are
// elided with the whole text in the tooltip.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form/elided_caption.h"
#include "form/preview_export.h"
#include "form_test_support.h"
#include "pixoria/platform/imaging.h"
#include "shell/cv_global.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

namespace pf = pixoria::platform;

// Closes the next message box and hands back its text through `text`.
void closeMessageBox(std::shared_ptr<QString> text) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [poll, text] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) {
        continue;
      }
      *text = box->text();
      box->accept();
      poll->deleteLater();
      return;
    }
  });
  poll->start();
}

// The process's peak resident memory (VmHWM) in KiB; writing 5 to clear_refs resets it.
long peakResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

bool resetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

class FormEverydayUseTest : public ::testing::Test {
 protected:
  void SetUp() override { resetUserState(); }
  void TearDown() override { form.reset(); }

  QLabel* label(const char* name) const { return child<QLabel>(*form, name); }
  QAbstractButton* button(const char* name) const { return child<QAbstractButton>(*form, name); }
  QComboBox* box(const char* name) const { return child<QComboBox>(*form, name); }
  QString status() const { return label("pixoriaImage")->text(); }

  bool loaded() { return loads.waitForNext(*form); }

  bool failed() {
    return waitUntil([this] { return status().startsWith(QStringLiteral("Could not download")); });
  }

  DebugLines debug;
  PreviewLoads loads{debug};
  std::unique_ptr<AutoPixoriaForm> form;
};

TEST_F(FormEverydayUseTest, AFailedLoadSaysWhyAndReloadTriesAgain) {
  // Offline: nothing listens where the feed should be.
  setHiveDword("Source", 1);
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(failed()) << status().toStdString();
  EXPECT_EQ(status(),
            "Could not download images from NASA Server (connection refused). "
            "Press Reload to try again.");
  EXPECT_TRUE(button("pixoriaImageReloadButton")->isEnabled());
  EXPECT_FALSE(button("pixoriaImageSaveButton")->isEnabled());

  // Back online, Reload loads.
  FeedServer server;
  ASSERT_TRUE(server.running());
  button("pixoriaImageReloadButton")->click();
  ASSERT_TRUE(loaded());
  // The picture is decoded away from the GUI thread and drawn when it is ready.
  EXPECT_TRUE(waitUntil([this] { return !label("pixoriaImage")->pixmap().isNull(); }));

  // A server that answers with an error status is quoted.
  std::filesystem::remove(server.folder() + "/th");
  setHiveDword("Source", 0);
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(failed()) << status().toStdString();
  EXPECT_EQ(status(),
            "Could not download images from Bing Server (HTTP status 404 Not Found). "
            "Press Reload to try again.");
}

TEST_F(FormEverydayUseTest, SaveAddsThePngSuffixAndSaysWhyAWriteFailed) {
  FeedServer server;
  ASSERT_TRUE(server.running());
  form = std::make_unique<AutoPixoriaForm>();
  ASSERT_TRUE(loaded());
  const std::string folder = test::makeTemporaryFolder();
  const QString saved = QString::fromStdString(folder);

  // A bare name is saved as PNG under the name with ".png".
  answerFileDialog(saved, QStringLiteral("lagoon"));
  button("pixoriaImageSaveButton")->click();
  // Written once the UHD rendition has been asked for (this server sends the same picture); the
  // later saves find the answer kept.
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(saved + "/lagoon.png"); }));
  QImageReader png(saved + "/lagoon.png");
  EXPECT_EQ(png.format(), "png");
  EXPECT_EQ(png.size(), QSize(64, 36));
  EXPECT_FALSE(QFile::exists(saved + "/lagoon"));

  // Asked for the format it already is in, the preview file is copied as it is.
  answerFileDialog(saved, QStringLiteral("lagoon.jpg"));
  button("pixoriaImageSaveButton")->click();
  EXPECT_EQ(test::readFileBytes(folder + "/lagoon.jpg"),
            test::readFileBytes(CVGlobal::wallpaperPath.toStdString()));

  // A place that cannot be written (a file stands where the folder should be): a message with
  // the system's reason, nothing silent.
  test::writeFileBytes(folder + "/taken", "a file, not a folder");
  auto message = std::make_shared<QString>();
  closeMessageBox(message);
  answerFileDialog(saved, QStringLiteral("taken/lagoon.png"));
  button("pixoriaImageSaveButton")->click();
  const QString failure = "The picture could not be saved to " + saved + "/taken/lagoon.png.";
  EXPECT_TRUE(message->startsWith(failure)) << message->toStdString();
  EXPECT_GT(message->size(), failure.size() + 4) << "no reason given";
  test::removeFolder(folder);
}

TEST(PreviewExport, ConvertsOrRefusesWithAReasonAndKeepsTheOldFileOnFailure) {
  const std::string folder = test::makeTemporaryFolder();
  const QString dir = QString::fromStdString(folder);
  ASSERT_TRUE(writeJpeg(folder + "/preview.jpg", 30, 20, 10, 200, 10));
  // A PNG preview (NASA sends some) asked for as JPEG is converted.
  ASSERT_EQ(exportPreviewImage(dir + "/preview.jpg", dir + "/a.png"), QString());
  ASSERT_EQ(exportPreviewImage(dir + "/a.png", dir + "/b.jpeg"), QString());
  QImageReader jpeg(dir + "/b.jpeg");
  EXPECT_EQ(jpeg.format(), "jpeg");
  EXPECT_EQ(jpeg.size(), QSize(30, 20));

  // Converted rows land where they belong: a BMP (decoded exactly) keeps every pixel as PNG.
  ASSERT_TRUE(test::writeBmp(folder + "/gradient.bmp", 37, 23, [](int x, int y) {
    return test::Rgb{static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 11), 99};
  }));
  ASSERT_EQ(exportPreviewImage(dir + "/gradient.bmp", dir + "/gradient.png"), QString());
  EXPECT_EQ(QImage(dir + "/gradient.png").convertToFormat(QImage::Format_RGB888),
            QImage(dir + "/gradient.bmp").convertToFormat(QImage::Format_RGB888));

  EXPECT_FALSE(exportPreviewImage(dir + "/preview.jpg", dir + "/c.bmp").isEmpty());
  EXPECT_FALSE(QFile::exists(dir + "/c.bmp"));
  EXPECT_FALSE(exportPreviewImage(dir + "/missing.jpg", dir + "/c.png").isEmpty());
  // A preview that does not decode fails, and the file saved before is left whole.
  test::writeFileBytes(folder + "/broken.jpg", "\xff\xd8\xff\xe0 not a picture");
  EXPECT_FALSE(exportPreviewImage(dir + "/broken.jpg", dir + "/a.png").isEmpty());
  EXPECT_EQ(QImageReader(dir + "/a.png").size(), QSize(30, 20));

  EXPECT_EQ(withImageSuffix(dir + "/name"), dir + "/name.png");
  EXPECT_EQ(withImageSuffix(dir + "/name.JPG"), dir + "/name.JPG");
  test::removeFolder(folder);
}

TEST(PreviewExport, ConvertingAHugePictureHoldsRowsNotThePicture) {
  // 6400 x 4800 is 88 MiB of pixels; written as BMP by hand, made a JPEG by the platform.
  const std::string folder = test::makeTemporaryFolder();
  const QString dir = QString::fromStdString(folder);
  constexpr int kWidth = 6400;
  constexpr int kHeight = 4800;
  ASSERT_TRUE(test::writeBmp(folder + "/huge.bmp", kWidth, kHeight, [](int x, int y) {
    return test::Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 90};
  }));
  ASSERT_EQ(exportPreviewImage(dir + "/huge.bmp", dir + "/huge.jpg"), QString());
  std::filesystem::remove(folder + "/huge.bmp");

  ASSERT_TRUE(resetPeakResident());
  const long before = peakResidentKib();
  ASSERT_EQ(exportPreviewImage(dir + "/huge.jpg", dir + "/huge.png"), QString());
  const long grown = peakResidentKib() - before;
  std::printf("peak resident memory grew by %ld KiB while converting\n", grown);
  EXPECT_LT(grown, 32 * 1024) << "peak grew by " << grown / 1024 << " MiB";
  EXPECT_EQ(QImageReader(dir + "/huge.png").size(), QSize(kWidth, kHeight));
  test::removeFolder(folder);
}

TEST_F(FormEverydayUseTest, FocusStaysWithTheControlTheUserPutItOnWhileALoadRuns) {
  FeedServer server;
  ASSERT_TRUE(server.running());
  form = std::make_unique<AutoPixoriaForm>();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  ASSERT_TRUE(loaded());

  QWidget* source = box("pixoriaSourceComboBox");
  QWidget* reload = button("pixoriaImageReloadButton");
  const std::vector<QWidget*> settings = {child<QSpinBox>(*form, "pixoriaTimeSpinBox"),
                                          box("pixoriaTimeComboBox"),
                                          child<QCheckBox>(*form, "pixoriaDualMonitorCheckBox")};
  auto focusInSettings = [&settings] {
    return std::find(settings.begin(), settings.end(), QApplication::focusWidget()) !=
           settings.end();
  };

  for (QWidget* focused : {source, reload}) {
    focused->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), focused);
    button("pixoriaImageReloadButton")->click();
    EXPECT_FALSE(source->isEnabled());
    EXPECT_FALSE(focusInSettings()) << QApplication::focusWidget()->objectName().toStdString();
    ASSERT_TRUE(loaded());
    EXPECT_EQ(QApplication::focusWidget(), focused) << focused->objectName().toStdString();
  }

  // Focus the user moved elsewhere meanwhile stays there.
  source->setFocus();
  button("pixoriaImageReloadButton")->click();
  QWidget* help = button("helpButton");
  help->setFocus();
  ASSERT_TRUE(loaded());
  EXPECT_EQ(QApplication::focusWidget(), help);
}

// Closing the window just after a load started: the loader's thread may not have run yet.
TEST_F(FormEverydayUseTest, TheFormCanCloseTheMomentALoadStarts) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    form = std::make_unique<AutoPixoriaForm>();
    button("pixoriaImageReloadButton")->click();
    form.reset();
  }
}

TEST(ElidedCaption, CutsWhatDoesNotFitWithAnEllipsisAndKeepsItAllInTheTooltip) {
  AutoPixoriaForm form;
  auto* caption = child<QLabel>(form, "pixoriaImageLabel2");
  form.show();
  const QString longCaption =
      QStringLiteral("By Someone With A Long Name\n") +
      QStringLiteral("A long description of a featured picture, ").repeated(6) + "the end.";
  setElidedCaption(caption, longCaption);
  EXPECT_EQ(caption->height(), 40);
  EXPECT_EQ(caption->toolTip(), longCaption);
  EXPECT_TRUE(caption->text().endsWith(QChar(0x2026))) << caption->text().toStdString();
  EXPECT_TRUE(caption->text().startsWith("By Someone With A Long Name\nA long description"));
  // What is shown fits the label: as many lines as its height holds, each within its width.
  const QFontMetrics metrics(caption->font());
  const QRect needed = metrics.boundingRect(QRect(0, 0, caption->width(), 1000),
                                            Qt::TextWordWrap | Qt::AlignHCenter, caption->text());
  EXPECT_LE(needed.height(), caption->height());
  for (const QString& line : caption->text().split('\n')) {
    EXPECT_LE(metrics.horizontalAdvance(line), caption->width()) << line.toStdString();
  }

  // A caption that fits is shown whole.
  setElidedCaption(caption, QStringLiteral("Short caption"));
  EXPECT_EQ(caption->text(), "Short caption");
  EXPECT_EQ(caption->toolTip(), "Short caption");

  // The label's text is plain: decoded entities from a feed stay text.
  setElidedCaption(caption, QStringLiteral("<b>bold</b>"));
  EXPECT_EQ(caption->textFormat(), Qt::PlainText);
}

TEST(ElidedCaption, LinesFollowTheWidthGiven) {
  const QFont font = QApplication::font();
  const QString text = QStringLiteral("word ").repeated(40).trimmed();
  const QString narrow = elideWrappedText(text, font, 120, 2);
  EXPECT_EQ(narrow.count('\n'), 1);
  EXPECT_TRUE(narrow.endsWith(QChar(0x2026)));
  const QString wide = elideWrappedText(text, font, 4000, 2);
  EXPECT_EQ(wide, text);
  // One word longer than the line is broken rather than lost.
  const QString word = QStringLiteral("x").repeated(400);
  EXPECT_TRUE(elideWrappedText(word, font, 100, 1).endsWith(QChar(0x2026)));
}

}  // namespace
}  // namespace pixoria::app_test
