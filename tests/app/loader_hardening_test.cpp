// The preview fetcher's use of resources and its Wikipedia records: network managers released
// with their replies, image bodies written to disk as they arrive, a superseded load kept from the
// preview file, and one record per Wikipedia day.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>

#include "form_test_support.h"
#include "pixoria/common/wikipedia_feed.h"
#include "preview/load_wallpaper_thread.h"
#include "preview/preview_file.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

// The largest file this process holds open in `folder`, by its descriptors (temporary files
// without a name included); -1 when there is none.
qint64 largestOpenFileIn(const std::string& folder) {
  qint64 largest = -1;
  const QString prefix = QFileInfo(QString::fromStdString(folder)).canonicalFilePath() + "/";
  const QDir descriptors(QStringLiteral("/proc/self/fd"));
  for (const QFileInfo& link : descriptors.entryInfoList(QDir::AllEntries | QDir::System)) {
    if (!link.symLinkTarget().startsWith(prefix)) {
      continue;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(link.absoluteFilePath().toStdString(), error);
    if (!error) {
      largest = std::max(largest, static_cast<qint64>(size));
    }
  }
  return largest;
}

class LoaderHardeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetUserState();
    ASSERT_TRUE(server.running());
  }

  std::unique_ptr<LoadWallpaperThread> makeLoader(int source) {
    auto loader = std::make_unique<LoadWallpaperThread>();
    loader->source = source;
    loader->setNasaUrlList(&nasaUrls);
    loader->setNasaDescriptionList(&nasaDescriptions);
    loader->setWikipediaDays(&wikipediaDays);
    QObject::connect(loader.get(), &LoadWallpaperThread::downloadComplete,
                     [this] { seen << "complete"; });
    QObject::connect(loader.get(), &LoadWallpaperThread::downloadFail, [this] { seen << "fail"; });
    return loader;
  }

  static std::string fixture(const std::string& name) {
    return test::readFileBytes(std::string(PIXORIA_FIXTURE_DIR) + "/feeds/" + name);
  }

  FeedServer server;
  QStringList seen;
  QList<QByteArray> nasaUrls, nasaDescriptions;
  QList<WikipediaDay> wikipediaDays;
};

TEST_F(LoaderHardeningTest, EveryNetworkManagerGoesWithItsReply) {
  auto wikipedia = makeLoader(2);
  wikipedia->loadWallpaper();
  ASSERT_TRUE(waitUntil([&] { return wikipediaDays.size() == 7 && seen.contains("complete"); }));
  spin(100);
  // Seven days and one image asked for; none of their managers is left.
  EXPECT_TRUE(wikipedia->findChildren<QNetworkAccessManager*>().isEmpty());

  // Cancelled downloads release theirs too.
  auto cancelled = makeLoader(0);
  cancelled->downloadImage(QString::fromStdString(server.url("/stall-after/100")));
  spin(100);
  cancelled->setTerminateDownload(true);
  spin(100);
  EXPECT_TRUE(cancelled->findChildren<QNetworkAccessManager*>().isEmpty());
}

TEST_F(LoaderHardeningTest, AnImageIsWrittenToDiskAsItArrivesAndReplacesThePreviewWhole) {
  test::writeFileBytes(previewImagePath().toStdString(), "before");
  auto loader = makeLoader(0);
  loader->downloadImage(QString::fromStdString(server.url("/stall-after/300000")));
  // Half way through, the body is in a file beside the preview, not in memory; the preview
  // itself is untouched until the download is whole.
  EXPECT_TRUE(waitUntil([&] { return largestOpenFileIn(wallpaperFolder()) == 300000; }))
      << largestOpenFileIn(wallpaperFolder());
  EXPECT_EQ(test::readFileBytes(previewImagePath().toStdString()), "before");
  loader->setTerminateDownload(true);
  spin(100);
  EXPECT_EQ(largestOpenFileIn(wallpaperFolder()), -1);
  EXPECT_TRUE(seen.isEmpty());
}

TEST_F(LoaderHardeningTest, ASupersededLoadNeitherDownloadsNorWritesThePreview) {
  test::writeFileBytes(previewImagePath().toStdString(), "current");
  auto earlier = makeLoader(0);
  earlier->downloadImage(QString::fromStdString(server.url("/stall-after/1000")));
  spin(100);
  earlier->abandonImageDownload();
  earlier->downloadImage(QString::fromStdString(server.url("/th")));
  spin(300);
  EXPECT_TRUE(seen.isEmpty());
  EXPECT_EQ(test::readFileBytes(previewImagePath().toStdString()), "current");
}

TEST_F(LoaderHardeningTest, EachWikipediaDayKeepsItsOwnCaptions) {
  // Yesterday's picture names no artist, and the day before has no picture at all.
  std::string noArtist = fixture("wikipedia_2026_12_07.json");
  const std::size_t artist = noArtist.find("\"artist\"");
  ASSERT_NE(artist, std::string::npos);
  noArtist.replace(artist, 8, "\"painter\"");
  server.serve(FeedServer::wikipediaDayPath(1), noArtist);
  server.serve(FeedServer::wikipediaDayPath(2), fixture("wikipedia_no_image.json"));

  auto loader = makeLoader(2);
  loader->loadWallpaper();
  ASSERT_TRUE(waitUntil([&] { return wikipediaDays.size() == 6 && seen.contains("complete"); }));
  spin(100);
  ASSERT_EQ(wikipediaDays.size(), 6);
  EXPECT_TRUE(wikipediaDays.at(1).credit.isEmpty());
  // Every record carries what its own day's feed says.
  const int days[] = {0, 1, 3, 4, 5, 6};
  for (int record = 0; record < 6; ++record) {
    char name[64];
    std::snprintf(name, sizeof name, "wikipedia_2026_12_%02d.json", 8 - days[record]);
    const WikipediaPicture expected =
        readWikipediaPicture(record == 1 ? noArtist : fixture(name), true);
    const WikipediaDay& got = wikipediaDays.at(record);
    EXPECT_EQ(got.credit.toStdString(), expected.artist) << name;
    EXPECT_EQ(got.description.toStdString(), expected.description) << name;
    EXPECT_NE(got.address.indexOf(
                  QByteArray::fromStdString(expected.address.substr(expected.address.rfind('/')))),
              -1)
        << name;
  }
}

}  // namespace
}  // namespace pixoria::app_test
