// The three sources and the download service on the real Linux platform: real HTTP on loopback,
// the hive file, real JPEG files, the headless desktop and the real message loop.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/change_schedule.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/image_fitting.h"
#include "agent/sources/nasa_source.h"
#include "agent/sources/online_sources.h"
#include "agent/sources/source_addresses.h"
#include "agent/sources/wikipedia_feed.h"
#include "agent/sources/wikipedia_source.h"
#include "agent/wallpaper_files.h"
#include "e2e/isolated_world.h"
#include "pixoria/platform/windows.h"
#include "support/fixture_server.h"
#include "support/test_images.h"
#include "url/url_limits.h"

namespace pixoria::test {
namespace {

namespace pf = platform;
namespace fs = std::filesystem;

pf::LResult quietWindow(pf::WindowHandle window, std::uint32_t message, pf::WParam w,
                        pf::LParam l) {
  return pf::defWindowProc(window, message, w, l);
}

// Runs the real message loop for `ms` milliseconds, so the apply timer can fire.
void pumpFor(std::uint32_t ms) {
  constexpr std::uintptr_t kStopTimer = 4242;
  pf::setTimer(agentWindow, kStopTimer, ms,
               [](pf::WindowHandle window, std::uint32_t, std::uintptr_t id, std::uint32_t) {
                 pf::killTimer(window, id);
                 pf::postQuitMessage(0);
               });
  pf::runMessageLoop();
}

std::string wikipediaDocument(const std::string& address) {
  return R"({"tfa":{"originalimage":{"source":"x"}},"image":{"title":"File:A, B.jpg","thumbnail":)"
         R"({"source":"t"},"image":{"source":")" +
         address +
         R"(","width":640},"artist":{"html":"<b>Ana</b>"},"description":)"
         R"({"html":"A lake, at dawn"}}})";
}

class SourcesOverHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mirror = world.root() + "/mirror";
    fs::create_directories(mirror + "/images");
    server = std::make_unique<FixtureServer>(
        FixtureServerOptions{mirror, world.root() + "/requests.log", "", "", 120, "", 0, false});
    ASSERT_TRUE(server->running()) << server->error();
    world.setEnvironment("PIXORIA_BING_ORIGIN", server->url(""));
    world.setEnvironment("PIXORIA_BING_IMAGE_BASE", server->url(""));
    world.setEnvironment("PIXORIA_NASA_FEED_URL", server->url("/nasa.rss"));
    world.setEnvironment("PIXORIA_WIKIPEDIA_FEED_PREFIX", server->url("/featured/"));
    pf::posix::UrlLimits limits;
    limits.stallSeconds = 2;
    limits.connectTimeoutSeconds = 2;
    limits.downloadBodyCap = 1 << 20;
    pf::posix::setUrlLimitsForTesting(limits);

    makeJpeg("images/one.jpg", {200, 40, 40});
    makeJpeg("images/two.jpg", {40, 40, 200});
    pf::registerWindowClass("PIXORIA", quietWindow);
    agentWindow = pf::createWindow("PIXORIA", "Corvane Pixoria Helper");
    ASSERT_NE(agentWindow, nullptr);
    agentSettings = AgentSettings{};
    nasaWallpaperURLs.clear();
    wikipediaWallpaperURLs.clear();
    listDay = 0;
    bingBaseRequestTable = bingBaseRequests(bingArchiveOrigin());
    agentSettings.bingFeedUrls = bingFeedUrlsFor(bingBaseRequestTable, 0);
  }

  void TearDown() override {
    pf::destroyWindow(agentWindow);
    agentWindow = nullptr;
    pf::posix::resetUrlLimitsForTesting();
  }

  void makeJpeg(const std::string& name, Rgb colour) {
    const std::string bmp = world.root() + "/source.bmp";
    writeBmp(bmp, 64, 36, [colour](int, int) { return colour; });
    fitImage(bmp, mirror + "/" + name, 64, 36, FitVariant::agent);
    ASSERT_TRUE(fs::exists(mirror + "/" + name));
  }

  void serve(const std::string& name, const std::string& body) {
    fs::create_directories(fs::path(mirror + "/" + name).parent_path());
    writeFileBytes(mirror + "/" + name, body);
  }

  std::size_t requestsFor(const std::string& prefix) const {
    std::size_t count = 0;
    for (const std::string& line : server->requests()) {
      count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
  }

  std::string image(const std::string& name) const { return world.wallpaperFolder() + "/" + name; }

  IsolatedWorld world;
  std::string mirror;
  std::unique_ptr<FixtureServer> server;
};

TEST_F(SourcesOverHttpTest, BingChangeAsksTheArchiveTwiceThenDownloadsFitsAndSets) {
  serve("HPImageArchive.aspx",
        "<images><image><url>/images/one.jpg?rf=x&amp;pid=hp</url><copyright>One</copyright>"
        "</image></images>");
  agentSettings.bingIndex = 3;
  downloadWallpaperFromBing(3);
  EXPECT_EQ(requestsFor("/HPImageArchive.aspx"), 2u);
  EXPECT_EQ(server->requests().back(), "/images/one.jpg?rf=x&amp;pid=hp");
  EXPECT_EQ(readRegistryDword(kValueBingCurrentIndex, 99), 3u);
  ASSERT_TRUE(fs::exists(image("image.jpg")));
  // The very first change found no image.jpg while downloading: nothing is set yet.
  pumpFor(1300);
  EXPECT_FALSE(fs::exists(world.desktopLog()));

  onBingNext();  // 3 -> 2; image.jpg exists now, so the change is applied a second later
  pumpFor(1500);
  EXPECT_EQ(readFileBytes(world.desktopLog()),
            "set 0 HEADLESS-1 " + image("image.jpg") + "\nposition fill\n");
  EXPECT_EQ(requestsFor("/HPImageArchive.aspx"), 4u);
}

TEST_F(SourcesOverHttpTest, NasaAndWikipediaFetchTheirListsOncePerDay) {
  std::string feed = "<rss><channel><description>NASA</description>";
  for (int n = 0; n < 8; ++n) {
    feed += "<item><title>" + std::to_string(n) + "</title><enclosure url=\"" +
            server->url(n % 2 ? "/images/two.jpg" : "/images/one.jpg") +
            "\" length=\"1\" type=\"image/jpeg\"/><description>item</description></item>";
  }
  serve("nasa.rss", feed + "</channel></rss>");
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  for (const CalendarDate& date :
       wikipediaDates({utc.tm_year + 1900, static_cast<unsigned>(utc.tm_mon + 1),
                       static_cast<unsigned>(utc.tm_mday)})) {
    serve(wikipediaRequestAddress("featured/", date),
          wikipediaDocument(server->url("/images/two.jpg")));
  }

  downloadWallpaperFromNASA(0);
  downloadWallpaperFromNASA(1);
  EXPECT_EQ(nasaWallpaperURLs.size(), 7u);
  EXPECT_EQ(requestsFor("/nasa.rss"), 1u);
  downloadWallpaperFromWikipedia(0);
  downloadWallpaperFromWikipedia(1);
  EXPECT_EQ(wikipediaWallpaperURLs.size(), 7u);
  EXPECT_EQ(requestsFor("/featured/"), 7u);
  EXPECT_EQ(requestsFor("/images/"), 4u);
}

TEST_F(SourcesOverHttpTest, FaultsLeaveTheLastGoodFilesAndRecordNoIndex) {
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  writeFileBytes(first, "last good download");
  writeFileBytes(firstImagePath, "last good image");
  serve("notes.jpg", "this is text, not a picture");
  const std::vector<std::string> faults = {
      "/status/404",
      "/status/500",
      "/close-after/1000",
      "/stall-after/100",
      "/redirect?to=file:///etc/passwd",
      "/redirect?to=ftp://127.0.0.1/x.jpg",
      "/bytes/2000000",
      "/redirect-chain/6",
  };
  for (const std::string& fault : faults) {
    SCOPED_TRACE(fault);
    wallpaperURL = server->url(fault);
    const auto start = std::chrono::steady_clock::now();
    downloadWallpaperPair("Download Complete", kValueBingCurrentIndex, 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(readRegistryDword(kValueBingCurrentIndex, 99), 99u);
    EXPECT_EQ(readFileBytes(first), "last good download");
    EXPECT_EQ(readFileBytes(firstImagePath), "last good image");
  }
  // A body that is no picture downloads, but cannot be fitted: image.jpg keeps its picture.
  wallpaperURL = server->url("/notes.jpg");
  downloadWallpaperPair("Download Complete", kValueBingCurrentIndex, 5);
  EXPECT_EQ(readFileBytes(firstImagePath), "last good image");
  for (const auto& entry : fs::directory_iterator(world.wallpaperFolder())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "temp_image.jpg" || name == "image.jpg") << "left behind: " << name;
  }
}

}  // namespace
}  // namespace pixoria::test
