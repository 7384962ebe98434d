// The preview fetcher against the loopback feed server: the signal sequence of each source, the
// lists it fills, the cancel rule, and the ways a load fails.
#include "preview/load_wallpaper_thread.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <filesystem>
#include <memory>

#include "form_test_support.h"
#include "pixoria/product.h"
#include "preview/preview_file.h"
#include "preview/uhd_rendition.h"
#include "shell/cv_global.h"
#include "support/test_images.h"

namespace pixoria::app_test {
namespace {

const QString kBingPreparing =
    QStringLiteral("ready:Preparing to download images from Bing Server...");
const QString kNasaPreparing =
    QStringLiteral("ready:Preparing to download images from NASA Server...");
const QString kWikipediaPreparing =
    QStringLiteral("ready:Preparing to download images from Wikipedia Server...");

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetUserState();
    ASSERT_TRUE(server.running());
    server.takeRequests();
  }

  // A loader wired to the test's lists, recording its seen in order.
  std::unique_ptr<LoadWallpaperThread> makeLoader(int source) {
    auto loader = std::make_unique<LoadWallpaperThread>();
    loader->source = source;
    loader->setNasaUrlList(&nasaUrls);
    loader->setNasaDescriptionList(&nasaDescriptions);
    loader->setWikipediaDays(&wikipediaDays);
    QObject::connect(loader.get(), &LoadWallpaperThread::firstImageReady,
                     [this](const QString& text) { seen << "ready:" + text; });
    QObject::connect(loader.get(), &LoadWallpaperThread::showDesc,
                     [this](const QString& text) { seen << "desc:" + text; });
    QObject::connect(loader.get(), &LoadWallpaperThread::downloadComplete,
                     [this] { seen << "complete"; });
    QObject::connect(loader.get(), &LoadWallpaperThread::downloadFail, [this] { seen << "fail"; });
    return loader;
  }

  bool ended() {
    return waitUntil([this] {
      return seen.contains(QStringLiteral("complete")) || seen.contains(QStringLiteral("fail"));
    });
  }

  QStringList withoutProgress() const {
    QStringList kept;
    for (const QString& line : seen) {
      if (!line.startsWith(QStringLiteral("ready:Download progress:"))) {
        kept << line;
      }
    }
    return kept;
  }

  std::string preview() const { return test::readFileBytes(previewImagePath().toStdString()); }
  std::string served(const std::string& path) const {
    return test::readFileBytes(server.folder() + path);
  }

  FeedServer server;
  QStringList seen;
  QList<QByteArray> nasaUrls, nasaDescriptions;
  QList<WikipediaDay> wikipediaDays;
};

TEST_F(LoaderTest, BingAnnouncesCaptionProgressAndSavesTheImage) {
  auto loader = makeLoader(0);
  loader->bingUrl =
      QString::fromStdString(server.url("/HPImageArchive.aspx?format=xml&idx=3&n=1&mkt=en-GB"));
  loader->loadWallpaper();
  ASSERT_TRUE(ended());
  // The caption ends before its closing tag, with the XML entities decoded.
  EXPECT_EQ(
      withoutProgress(),
      QStringList({kBingPreparing,
                   QStringLiteral("desc:Anse Source d\u2019Argent beach, La Digue, Seychelles "
                                  "& the \u201cIndian Ocean\u201d (\u00a9 Jane Doe/Getty "
                                  "Images)"),
                   QStringLiteral("complete")}));
  EXPECT_EQ(seen.at(seen.size() - 2), QStringLiteral("ready:Download progress: 100 %"));
  EXPECT_EQ(CVGlobal::wallpaperPath, previewImagePath());
  EXPECT_EQ(preview(), served("/th"));
  const std::vector<std::string> requests = server.takeRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "/HPImageArchive.aspx?format=xml&idx=3&n=1&mkt=en-GB");
  EXPECT_EQ(requests[1].rfind("/th?id=OHR.LaDigue_EN-US1234567890_1920x1080.jpg", 0), 0u);
}

TEST_F(LoaderTest, NasaBuildsItsListOnceThenDownloadsStraightFromIt) {
  auto first = makeLoader(1);
  first->loadWallpaper();
  ASSERT_TRUE(ended());
  EXPECT_EQ(withoutProgress(), QStringList({kNasaPreparing, QStringLiteral("complete")}));
  ASSERT_GE(nasaUrls.size(), 2);
  EXPECT_LE(nasaUrls.size(), 7);
  EXPECT_EQ(nasaUrls.size(), nasaDescriptions.size());
  std::vector<std::string> requests = server.takeRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "/nasa.rss");
  EXPECT_EQ(server.url(requests[1]), nasaUrls.at(0).toStdString());

  seen.clear();
  auto second = makeLoader(1);
  second->nasaIndex = 1;
  second->loadWallpaper();
  ASSERT_TRUE(ended());
  EXPECT_EQ(withoutProgress(), QStringList({QStringLiteral("complete")}));
  requests = server.takeRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(server.url(requests[0]), nasaUrls.at(1).toStdString());
  EXPECT_EQ(preview(), served(requests[0].substr(0, requests[0].find('?'))));
}

struct NasaFallbackCase {
  const char* primary;   // the long-standing feed's path; empty: nothing listens there
  const char* fallback;  // what the feed at the current address holds: "feed", "empty" or ""
  const char* outcome;
};

// The long-standing feed first; when it fails, answers with an error status or names no image,
// the feed NASA publishes at now (its WordPress layout), by the same rules. Only the last one
// read reports a failure.
TEST_F(LoaderTest, NasaReadsTheCurrentFeedWhenTheLongStandingOneGivesNoImage) {
  const std::string feed = test::readFileBytes(server.folder() + "/nasa.rss");
  server.serve("/no-image.rss", "<rss><channel><description>x</description></channel></rss>");
  const NasaFallbackCase cases[] = {
      {"/status/404", "feed", "complete"},   {"/status/503", "feed", "complete"},
      {"/no-image.rss", "feed", "complete"}, {"", "feed", "complete"},
      {"/status/404", "empty", ""},          {"/status/404", "", "fail"},
  };
  for (const NasaFallbackCase& entry : cases) {
    SCOPED_TRACE(std::string(entry.primary) + " then " + entry.fallback);
    setenv("PIXORIA_NASA_FEED_URL",
           *entry.primary != '\0' ? server.url(entry.primary).c_str() : "http://127.0.0.1:9/x", 1);
    std::filesystem::remove(server.folder() + "/feeds/iotd-feed");
    if (std::string(entry.fallback) == "feed") {
      server.serve("/feeds/iotd-feed", feed);
    } else if (std::string(entry.fallback) == "empty") {
      server.serve("/feeds/iotd-feed", "<rss></rss>");
    }
    seen.clear();
    nasaUrls.clear();
    nasaDescriptions.clear();
    server.takeRequests();
    auto loader = makeLoader(1);
    loader->loadWallpaper();
    std::vector<std::string> requests;
    if (*entry.outcome == '\0') {
      // Nothing to show at either address: nothing more is asked, and the preparing line stays.
      ASSERT_TRUE(waitUntil([&] {
        for (const std::string& request : server.takeRequests()) {
          requests.push_back(request);
        }
        return requests.size() == 2;
      }));
      spin(200);
      EXPECT_EQ(seen, QStringList({kNasaPreparing}));
      EXPECT_TRUE(server.takeRequests().empty());
      continue;
    }
    ASSERT_TRUE(ended());
    EXPECT_EQ(withoutProgress(), QStringList({kNasaPreparing, QString::fromUtf8(entry.outcome)}));
    requests = server.takeRequests();
    ASSERT_GE(requests.size(), 1u);
    EXPECT_EQ(requests[*entry.primary != '\0' ? 1 : 0], "/feeds/iotd-feed/");
    if (std::string(entry.outcome) == "complete") {
      ASSERT_EQ(nasaUrls.size(), 7);
      EXPECT_EQ(server.url(requests.back()), nasaUrls.at(0).toStdString());
    }
  }
}

// Every request of the application names the product, its version and where its makers are:
// the feeds, the images, a redirected image and a UHD rendition.
TEST_F(LoaderTest, EveryRequestSaysWhoIsAsking) {
  setenv("PIXORIA_NASA_FEED_URL", server.url("/status/404").c_str(), 1);
  server.serve("/feeds/iotd-feed", test::readFileBytes(server.folder() + "/nasa.rss"));
  std::vector<std::unique_ptr<LoadWallpaperThread>> loaders;
  for (int source : {0, 1, 2}) {
    seen.clear();
    loaders.push_back(makeLoader(source));
    loaders.back()->bingUrl = QString::fromStdString(server.url("/HPImageArchive.aspx"));
    loaders.back()->loadWallpaper();
    ASSERT_TRUE(ended()) << source;
  }
  seen.clear();
  auto redirected = makeLoader(0);
  redirected->downloadImage(
      QString::fromStdString(server.url("/redirect?to=" + server.url("/th"))));
  ASSERT_TRUE(ended());
  bool fetched = false;
  UhdRendition rendition;
  rendition.fetch(QString::fromStdString(server.url("/th")),
                  [&](const QString& file) { fetched = !file.isEmpty(); });
  ASSERT_TRUE(waitUntil([&] { return fetched && wikipediaDays.size() == 7; }));

  // Bing 2, NASA 3 (its long-standing feed answers 404), Wikipedia 8, the redirect 2, UHD 1.
  const std::vector<std::string> agents = server.userAgents();
  EXPECT_EQ(agents.size(), 16u);
  EXPECT_EQ(agents.size(), server.takeRequests().size());
  for (const std::string& agent : agents) {
    EXPECT_EQ(agent, pixoria::userAgent());
  }
  EXPECT_EQ(pixoria::userAgent().rfind("Pixoria/", 0), 0u);
}

TEST_F(LoaderTest, WikipediaAsksForSevenDaysInTurnAndDownloadsTheFirstPictureFound) {
  // Today has no picture: the first one comes from yesterday.
  server.serve(
      FeedServer::wikipediaDayPath(0),
      test::readFileBytes(std::string(PIXORIA_FIXTURE_DIR) + "/feeds/wikipedia_no_image.json"));
  auto loader = makeLoader(2);
  loader->loadWallpaper();
  ASSERT_TRUE(waitUntil([&] {
    return server.takeRequests().size() == 0 && wikipediaDays.size() == 6 &&
           seen.contains(QStringLiteral("complete"));
  }));
  EXPECT_EQ(withoutProgress(), QStringList({kWikipediaPreparing, QStringLiteral("complete")}));
  EXPECT_EQ(wikipediaDays.size(), 6);
  EXPECT_NE(wikipediaDays.at(0).address.indexOf("Featured_picture_7"), -1)
      << wikipediaDays.at(0).address.data();
}

TEST_F(LoaderTest, WikipediaRequestsComeInDateOrderWithOneImageDownload) {
  auto loader = makeLoader(2);
  loader->loadWallpaper();
  ASSERT_TRUE(waitUntil([&] { return wikipediaDays.size() == 7 && seen.contains("complete"); }));
  spin(100);
  std::vector<std::string> requests = server.takeRequests();
  std::vector<std::string> days, images;
  for (const std::string& request : requests) {
    (request.rfind("/featured/", 0) == 0 ? days : images).push_back(request);
  }
  ASSERT_EQ(days.size(), 7u);
  for (int day = 0; day < 7; ++day) {
    EXPECT_EQ(days[static_cast<std::size_t>(day)], FeedServer::wikipediaDayPath(day));
  }
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(server.url(images[0]), wikipediaDays.at(0).address.toStdString());

  // A filled list goes straight to the image, no preparing line.
  seen.clear();
  auto again = makeLoader(2);
  again->wikipediaIndex = 6;
  again->loadWallpaper();
  ASSERT_TRUE(ended());
  EXPECT_EQ(withoutProgress(), QStringList({QStringLiteral("complete")}));
  requests = server.takeRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(server.url(requests[0]), wikipediaDays.at(6).address.toStdString());
}

TEST_F(LoaderTest, CancellingStopsEveryRequestAndSilencesTheDownloadInFlight) {
  auto early = makeLoader(0);
  early->bingUrl = QString::fromStdString(server.url("/HPImageArchive.aspx"));
  early->setTerminateDownload(true);
  early->loadWallpaper();
  early->downloadImage(QString::fromStdString(server.url("/th")));
  auto nasa = makeLoader(1);
  nasa->setTerminateDownload(true);
  nasa->loadWallpaper();
  spin(300);
  EXPECT_TRUE(seen.isEmpty()) << seen.join(',').toStdString();
  EXPECT_TRUE(server.takeRequests().empty());

  // A download that hangs half way: cancelled, it reports nothing, and the file stays as it was.
  test::writeFileBytes(previewImagePath().toStdString(), "before");
  auto stalled = makeLoader(0);
  stalled->downloadImage(QString::fromStdString(server.url("/stall-after/4000")));
  ASSERT_TRUE(waitUntil([&] { return !server.takeRequests().empty(); }));
  spin(200);
  stalled->setTerminateDownload(true);
  seen.clear();
  spin(500);
  EXPECT_TRUE(seen.isEmpty()) << seen.join(',').toStdString();
  EXPECT_EQ(preview(), "before");
}

TEST_F(LoaderTest, FailuresReportDownloadFailAndLeaveThePreviewFile) {
  test::writeFileBytes(previewImagePath().toStdString(), "before");
  struct Case {
    const char* name;
    std::string address;
  };
  const Case cases[] = {
      {"server error", server.url("/status/500")},
      {"local file", "file:///etc/hostname"},
      {"redirect to a local file", server.url("/redirect?to=file:///etc/hostname")},
      {"connection closed early", server.url("/close-after/100")},
  };
  for (const Case& c : cases) {
    seen.clear();
    auto loader = makeLoader(0);
    loader->downloadImage(QString::fromStdString(c.address));
    ASSERT_TRUE(ended()) << c.name;
    EXPECT_EQ(seen.last(), QStringLiteral("fail")) << c.name;
    EXPECT_EQ(preview(), "before") << c.name;
  }

  // A failed archive request ends the Bing load at once.
  seen.clear();
  auto bing = makeLoader(0);
  bing->bingUrl = QString::fromStdString(server.url("/status/404"));
  bing->loadWallpaper();
  ASSERT_TRUE(ended());
  EXPECT_EQ(seen, QStringList({kBingPreparing, QStringLiteral("fail")}));

  // A file where the wallpaper folder should be: nothing can be saved.
  std::filesystem::remove_all(wallpaperFolder());
  test::writeFileBytes(wallpaperFolder(), "not a folder");
  seen.clear();
  auto blocked = makeLoader(0);
  blocked->downloadImage(QString::fromStdString(server.url("/th")));
  ASSERT_TRUE(ended());
  EXPECT_EQ(seen.last(), QStringLiteral("fail"));

  // No wallpaper folder yet (a new machine): it is made, and the preview saved.
  std::filesystem::remove(wallpaperFolder());
  seen.clear();
  auto fresh = makeLoader(0);
  fresh->downloadImage(QString::fromStdString(server.url("/th")));
  ASSERT_TRUE(ended());
  EXPECT_EQ(seen.last(), QStringLiteral("complete"));
  EXPECT_EQ(preview(), served("/th"));
}

TEST_F(LoaderTest, ABodyWithoutLengthGivesNoPercentagesOnTheWayAndReplacesTheWholeFile) {
  auto first = makeLoader(0);
  first->downloadImage(QString::fromStdString(server.url("/bytes/70000")));
  ASSERT_TRUE(ended());
  // Only the end of the transfer knows the total; Qt reports it then.
  EXPECT_EQ(withoutProgress(), QStringList({QStringLiteral("complete")}));
  EXPECT_LE(seen.size(), 2);
  EXPECT_EQ(seen.first(), seen.size() == 2 ? "ready:Download progress: 100 %" : "complete");
  EXPECT_EQ(preview().size(), 70000u);

  seen.clear();
  auto second = makeLoader(0);
  second->downloadImage(QString::fromStdString(server.url("/th")));
  ASSERT_TRUE(ended());
  EXPECT_EQ(preview(), served("/th"));
}

}  // namespace
}  // namespace pixoria::app_test
