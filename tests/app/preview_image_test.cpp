// What the preview decodes and shows: pictures decoded at the size shown with bounded memory on a
// worker thread, the newest request winning, and captions made plain from feed text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form_test_support.h"
#include "pixoria/common/nasa_feed.h"
#include "preview/caption_text.h"
#include "preview/preview_decoder.h"
#include "preview/shrunk_image.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

std::uint32_t crc32Of(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= static_cast<std::uint8_t>(byte);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

void appendChunk(std::string& png, const char* type, const std::string& data) {
  const auto length = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) {
    png += static_cast<char>((length >> shift) & 0xff);
  }
  const std::string body = type + data;
  png += body;
  const std::uint32_t crc = crc32Of(body);
  for (int shift = 24; shift >= 0; shift -= 8) {
    png += static_cast<char>((crc >> shift) & 0xff);
  }
}

// A PNG of a few dozen bytes that declares `side` x `side` grey pixels; its data never comes.
std::string hugeDeclaredPng(std::uint32_t side) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  for (int i = 0; i < 2; ++i) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      header += static_cast<char>((side >> shift) & 0xff);
    }
  }
  header += std::string("\x08\x00\x00\x00\x00", 5);
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IEND", "");
  return png;
}

class PreviewImageTest : public ::testing::Test {
 protected:
  void SetUp() override { folder = test::makeTemporaryFolder(); }
  void TearDown() override { test::removeFolder(folder); }
  QString path(const char* name) const { return QString::fromStdString(folder + "/" + name); }

  std::string folder;
};

TEST_F(PreviewImageTest, ThePreviewSizeFillsTheBoxAlongTheImagesLongerSide) {
  const QSize box(300, 150);
  EXPECT_EQ(previewSize({18370, 4251}, box), QSize(300, 69));
  EXPECT_EQ(previewSize({4251, 18370}, box), QSize(35, 150));
  EXPECT_EQ(previewSize({100, 100}, box), QSize(150, 150));  // square: by height, as Qt scaled
  EXPECT_EQ(previewSize({65535, 1}, box), QSize(300, 1));    // never a zero side
  EXPECT_EQ(previewSize({640, 480}, box * 2), QSize(600, 450));
  EXPECT_TRUE(previewSize({640, 480}, QSize(0, 150)).isEmpty());
  EXPECT_TRUE(previewSize({0, 480}, box).isEmpty());
}

TEST_F(PreviewImageTest, LargeImagesDecodeAtTheShownSizeAndBadOnesToNothing) {
  // The memory this takes is measured by bench/preview_bench.sh.
  ASSERT_TRUE(writeJpeg(folder + "/wide.jpg", 3000, 750, 20, 40, 220));
  const QImage wide = decodeShrunk(path("wide.jpg"), {300, 150});
  ASSERT_EQ(wide.size(), QSize(300, 75));
  const QColor centre = wide.pixelColor(150, 37);
  EXPECT_NEAR(centre.red(), 20, 8);
  EXPECT_NEAR(centre.blue(), 220, 8);

  // A few bytes declaring 40000 x 40000 pixels (6.4 GB decoded) are refused at once.
  test::writeFileBytes(folder + "/bomb.png", hugeDeclaredPng(40000));
  EXPECT_TRUE(decodeShrunk(path("bomb.png"), {300, 150}).isNull());

  test::writeFileBytes(folder + "/text.jpg", "not a picture");
  EXPECT_TRUE(decodeShrunk(path("text.jpg"), {300, 150}).isNull());
  EXPECT_TRUE(decodeShrunk(path("missing.jpg"), {300, 150}).isNull());
  EXPECT_TRUE(decodeShrunk(QString::fromStdString(folder), {300, 150}).isNull());
}

TEST_F(PreviewImageTest, OnlyTheNewestRequestIsReported) {
  ASSERT_TRUE(writeJpeg(folder + "/big.jpg", 1600, 1200, 200, 0, 0));
  ASSERT_TRUE(writeJpeg(folder + "/small.jpg", 60, 40, 0, 0, 200));
  PreviewDecoder decoder;
  QSignalSpy decoded(&decoder, &PreviewDecoder::decoded);
  decoder.decode(path("big.jpg"), {300, 150});
  decoder.decode(path("missing.jpg"), {300, 150});
  decoder.decode(path("small.jpg"), {300, 150});
  ASSERT_TRUE(waitUntil([&] { return decoded.count() > 0; }));
  spin(200);
  ASSERT_EQ(decoded.count(), 1);
  const QImage image = decoded.at(0).at(0).value<QImage>();
  EXPECT_EQ(image.size(), QSize(300, 200));
  EXPECT_GT(image.pixelColor(10, 10).blue(), 150);

  // Discarded: the picture being decoded is not reported at all.
  decoder.decode(path("small.jpg"), {300, 150});
  decoder.discardPending();
  spin(300);
  EXPECT_EQ(decoded.count(), 1);
}

// A custom file that gives no picture says why in the preview, named as the user added it.
TEST_F(PreviewImageTest, AFileWithoutAPictureSaysWhyInThePreview) {
  resetUserState();
  std::filesystem::create_directory(folder + "/folder.jpg");
  test::writeFileBytes(folder + "/empty.jpg", "");
  test::writeFileBytes(folder + "/text.jpg", "not a picture");
  test::writeFileBytes(folder + "/bomb.png", hugeDeclaredPng(40000));
  const struct {
    const char* name;
    const char* shown;
  } cases[] = {
      {"missing.jpg", "Cannot read missing.jpg: no such file"},
      {"folder.jpg", "Cannot read folder.jpg: it is a folder"},
      {"empty.jpg", "Cannot read empty.jpg: the file is empty"},
      {"text.jpg", "Cannot read text.jpg: not a picture that can be shown"},
      {"bomb.png", "Cannot read bomb.png: not a picture that can be shown"},
  };
  setHiveDword("Source", 3);
  setHiveDword("CustomCount", static_cast<std::uint32_t>(std::size(cases)));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    setHiveString(("CustomFile" + std::to_string(i)).c_str(), folder + "/" + cases[i].name);
  }
  AutoPixoriaForm form;
  auto* image = child<QLabel>(form, "pixoriaImage");
  for (const auto& entry : cases) {
    ASSERT_TRUE(waitUntil([&] { return image->text() == entry.shown; }))
        << entry.name << ": " << image->text().toStdString();
    EXPECT_TRUE(image->pixmap().isNull());
    child<QAbstractButton>(form, "pixoriaNextToolButton")->click();
  }
}

TEST_F(PreviewImageTest, TheCustomListPreviewComesFromTheWorkerAtTheLabelsSize) {
  resetUserState();
  ASSERT_TRUE(writeJpeg(folder + "/tall.jpg", 600, 1200, 0, 180, 0));
  setHiveDword("Source", 3);
  setHiveDword("CustomCount", 1);
  setHiveString("CustomFile0", folder + "/tall.jpg");
  AutoPixoriaForm form;
  auto* image = child<QLabel>(form, "pixoriaImage");
  ASSERT_TRUE(waitUntil([&] { return !image->pixmap().isNull(); }));
  EXPECT_EQ(image->pixmap().size(), previewSize({600, 1200}, image->size()));
  EXPECT_GT(image->pixmap().toImage().pixelColor(5, 5).green(), 150);
}

TEST(CaptionText, NasaDescriptionsReadAsPlainWords) {
  EXPECT_EQ(nasaCaption("<![CDATA[<p>Astronaut photograph 2 &#8211; a view of Earth\xe2\x80\x99s "
                        "limb.</p>]]>"),
            "Astronaut photograph 2 \u2013 a view of Earth\u2019s limb.");
  EXPECT_EQ(nasaCaption(" <![CDATA[<p>One</p>\n<p>Two &amp; <a href=\"x\">three</a></p>]]> "),
            "One\nTwo & three");
  EXPECT_EQ(nasaCaption("Northrop Grumman&#039;s Cygnus &quot;ship&quot;"),
            "Northrop Grumman's Cygnus \"ship\"");
  // Escaped markup in the old layout is text the feed meant to show.
  EXPECT_EQ(nasaCaption("a &lt;b&gt; b"), "a <b> b");
  EXPECT_EQ(nasaCaption("<![CDATA[unterminated <p>text"), "unterminated text");
  EXPECT_EQ(nasaCaption(""), "");

  EXPECT_EQ(wikipediaCaption({"a", "Ana", "Lake"}), "By Ana\nLake");
  EXPECT_EQ(wikipediaCaption({"a", "", "Lake"}), "Lake");
}

TEST(CaptionText, RealNasaFeedsGiveCaptionsWithoutMarkup) {
  const std::string real = "../shared/real-feeds";
  const std::string root = std::string(PIXORIA_FIXTURE_DIR) + "/../../" + real;
  if (!std::filesystem::is_directory(root)) {
    GTEST_SKIP() << "no real feed documents at " << real;
  }
  int captions = 0;
  for (const char* name : {"nasa_lg_iotd_2020-02-09.rss", "nasa_lg_iotd_2021-04-05.rss",
                           "nasa_iotd_2015-03-11_image_of_the_day.rss"}) {
    for (const NasaEntry& entry : readNasaEntries(test::readFileBytes(root + "/" + name))) {
      const QString caption = nasaCaption(QByteArray::fromStdString(entry.description));
      ++captions;
      EXPECT_FALSE(caption.isEmpty()) << name;
      for (const char* markup : {"<p>", "CDATA", "&#", "&quot;", "&amp;"}) {
        EXPECT_FALSE(caption.contains(QLatin1String(markup)))
            << name << ": " << caption.toStdString();
      }
    }
  }
  EXPECT_EQ(captions, 21);
}

}  // namespace
}  // namespace pixoria::app_test
