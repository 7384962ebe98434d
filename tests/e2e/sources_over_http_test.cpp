// The three sources and the download service on the real Linux platform: real HTTP on loopback,
// the hive file, real JPEG files, the headless desktop and the real message loop.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/change_schedule.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/sources/nasa_source.h"
#include "agent/sources/online_sources.h"
#include "agent/sources/wikipedia_source.h"
#include "agent/wallpaper_paths.h"
#include "e2e/isolated_world.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/common/wikipedia_feed.h"
#include "pixoria/platform/imaging.h"
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
    FixtureServerOptions options;
    options.folder = mirror;
    options.logPath = world.root() + "/requests.log";
    server = std::make_unique<FixtureServer>(options);
    ASSERT_TRUE(server->running()) << server->error();
    world.setEnvironment("PIXORIA_BING_ORIGIN", server->url(""));
    world.setEnvironment("PIXORIA_BING_IMAGE_BASE", server->url(""));
    world.setEnvironment("PIXORIA_NASA_FEED_URL", server->url("/nasa.rss"));
    world.setEnvironment("PIXORIA_NASA_FALLBACK_FEED_URL", server->url("/feeds/iotd-feed/"));
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

  void makeJpeg(const std::string& name, Rgb colour, int width = 64, int height = 36) {
    const std::string bmp = world.root() + "/source.bmp";
    writeBmp(bmp, width, height, [colour](int, int) { return colour; });
    fs::create_directories(fs::path(mirror + "/" + name).parent_path());
    fitImage(bmp, mirror + "/" + name, width, height, FitVariant::agent);
    fs::remove(bmp);
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
  // The very first change found no image.jpg while downloading; its fit arms the apply timer.
  pumpFor(1300);
  const std::string oneSet = "set 0 HEADLESS-1 " + image("image.jpg") + "\nposition fill\n";
  EXPECT_EQ(readFileBytes(world.desktopLog()), oneSet);

  onBingNext();  // 3 -> 2, applied a second later
  pumpFor(1500);
  EXPECT_EQ(readFileBytes(world.desktopLog()), oneSet + oneSet);
  EXPECT_EQ(requestsFor("/HPImageArchive.aspx"), 4u);
}

// A fitted picture's size and the colour at its centre, read back through the platform's imaging.
struct FittedPicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Rgb centre;
};

FittedPicture readFitted(const std::string& path) {
  FittedPicture fitted;
  pf::ImagePtr image;
  pf::ImagePtr canvas;
  pf::GraphicsPtr graphics;
  pf::BitmapPixels pixels{};
  if (pf::loadImageFromFile(path, image) != pf::GpStatus::ok ||
      pf::getImageWidth(image.get(), fitted.width) != pf::GpStatus::ok ||
      pf::getImageHeight(image.get(), fitted.height) != pf::GpStatus::ok ||
      pf::createBitmap(4, 4, canvas) != pf::GpStatus::ok ||
      pf::getImageGraphicsContext(canvas.get(), graphics) != pf::GpStatus::ok ||
      pf::drawImageRectRect(graphics.get(), image.get(), 0, 0, 4, 4, 0, 0,
                            static_cast<float>(fitted.width),
                            static_cast<float>(fitted.height)) != pf::GpStatus::ok ||
      !pf::getBitmapPixels(canvas.get(), pixels)) {
    return fitted;
  }
  const std::uint8_t* centre = pixels.rgb + 2 * pixels.stride + 2 * 3;
  fitted.centre = {centre[0], centre[1], centre[2]};
  return fitted;
}

// Which picture a fitted file came from: the UHD rendition is red, the standard one blue.
const char* renditionOf(const FittedPicture& fitted) {
  if (fitted.centre.r > 150 && fitted.centre.b < 100) {
    return "UHD";
  }
  return fitted.centre.b > 150 && fitted.centre.r < 100 ? "standard" : "neither";
}

enum class UhdAnswer { picture, missing, notAPicture, overTheCap };

struct UhdCase {
  const char* screen;     // the size of each monitor
  int monitors;           // with two, the second image is downloaded the same way
  const char* imagePath;  // the archive's <url>
  UhdAnswer answer;       // what the server has at the UHD address
  bool uhdAsked;
  const char* fittedFrom;
};

// Bing's UHD rendition on screens larger than 1920x1080: asked for first, taken when it is a
// picture, and in the same change the standard rendition when it is not; never asked for on a
// 1920x1080 screen or for a path that names none.
TEST_F(SourcesOverHttpTest, BingTakesTheUhdRenditionOnLargerScreensAndFallsBackInTheSameChange) {
  constexpr const char* kToday =
      "/th?id=OHR.Lake_EN-US1_1920x1080.jpg&amp;rf=LaDigue_1920x1080.jpg&amp;pid=hp";
  constexpr const char* kUhd = "/th?id=OHR.Lake_EN-US1_UHD.jpg&amp;pid=hp";
  constexpr const char* k2016 = "/az/hprichbg/rb/Lake_EN-US1_1366x768.jpg";
  makeJpeg("th/OHR.Lake_EN-US1_1920x1080.jpg", {40, 40, 200}, 1920, 1080);
  makeJpeg("az/hprichbg/rb/Lake_EN-US1_1366x768.jpg", {40, 40, 200}, 1920, 1080);
  makeJpeg("uhd.jpg", {200, 40, 40}, 3840, 2160);
  const std::string uhdPicture = readFileBytes(mirror + "/uhd.jpg");
  const std::string uhdFile = mirror + "/th/OHR.Lake_EN-US1_UHD.jpg";
  const UhdCase cases[] = {
      {"3840x2160", 2, kToday, UhdAnswer::picture, true, "UHD"},
      {"3840x2160", 2, kToday, UhdAnswer::missing, true, "standard"},
      {"2560x1440", 1, kToday, UhdAnswer::picture, true, "UHD"},
      {"2560x1440", 1, kToday, UhdAnswer::missing, true, "standard"},
      {"2560x1440", 1, kToday, UhdAnswer::notAPicture, true, "standard"},
      {"2560x1440", 1, kToday, UhdAnswer::overTheCap, true, "standard"},
      {"2560x1440", 1, k2016, UhdAnswer::picture, false, "standard"},
      {"1920x1080", 1, kToday, UhdAnswer::picture, false, "standard"},
      {"1920x1080", 1, kToday, UhdAnswer::missing, false, "standard"},
  };
  for (const UhdCase& entry : cases) {
    SCOPED_TRACE(std::string(entry.screen) + " " + entry.imagePath + " answer " +
                 std::to_string(static_cast<int>(entry.answer)));
    agentSettings.multiMonitor = entry.monitors == 2;
    world.setEnvironment("PIXORIA_SCREENS", std::string(entry.screen) + "," + entry.screen);
    serve("HPImageArchive.aspx",
          std::string("<images><image><url>") + entry.imagePath + "</url></image></images>");
    fs::remove(uhdFile);
    if (entry.answer == UhdAnswer::picture) {
      writeFileBytes(uhdFile, uhdPicture);
    } else if (entry.answer == UhdAnswer::notAPicture) {
      writeFileBytes(uhdFile, "<html>Not here</html>");
    } else if (entry.answer == UhdAnswer::overTheCap) {
      writeFileBytes(uhdFile, uhdPicture + std::string(1 << 20, '\0'));
    }
    std::string first;
    std::string second;
    getWallpaperPaths(first, second);
    fs::remove(firstImagePath);
    fs::remove(secondImagePath);
    const std::size_t uhdRequestsBefore = requestsFor(kUhd);
    const std::size_t standardRequestsBefore = requestsFor(entry.imagePath);

    downloadWallpaperFromBing(0);
    const auto images = static_cast<std::size_t>(entry.monitors);
    EXPECT_EQ(requestsFor(kUhd) - uhdRequestsBefore, entry.uhdAsked ? images : 0u);
    // The standard rendition is downloaded only when the UHD one was not taken.
    EXPECT_EQ(requestsFor(entry.imagePath) - standardRequestsBefore,
              std::string(entry.fittedFrom) == "UHD" ? 0u : images);
    EXPECT_EQ(readRegistryDword(kValueBingCurrentIndex, 99), 0u);
    const FittedPicture fitted = readFitted(firstImagePath);
    EXPECT_EQ(std::to_string(fitted.width) + "x" + std::to_string(fitted.height), entry.screen);
    EXPECT_STREQ(renditionOf(fitted), entry.fittedFrom);
    if (entry.monitors == 2) {
      EXPECT_STREQ(renditionOf(readFitted(secondImagePath)), entry.fittedFrom);
    }
    std::printf("screen %s, UHD %s: fitted %ux%u, %ju bytes, from the %s rendition\n", entry.screen,
                entry.answer == UhdAnswer::picture ? "served" : "unusable", fitted.width,
                fitted.height, static_cast<std::uintmax_t>(fs::file_size(firstImagePath)),
                renditionOf(fitted));
    writeRegistryDword(kValueBingCurrentIndex, 99);
  }
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

struct NasaCase {
  const char* primary;   // the path of PIXORIA_NASA_FEED_URL; empty: nothing listens there
  const char* fallback;  // the path of PIXORIA_NASA_FALLBACK_FEED_URL
  bool fallbackAsked;
  const char* firstImage;  // the path of the list's first image; empty: no list
};

// The long-standing feed first, in its Drupal layout; when it fails, answers with an error
// status or names no image, the feed NASA publishes now, in its WordPress layout.
TEST_F(SourcesOverHttpTest, NasaReadsTheCurrentFeedWhenTheLongStandingOneGivesNoImage) {
  for (const char* layout : {"nasa_old_layout.rss", "nasa_new_layout.rss"}) {
    std::string feed = readFileBytes(std::string(PIXORIA_TEST_FIXTURES) + "/feeds/" + layout);
    for (std::size_t at = feed.find("https://www.nasa.gov"); at != std::string::npos;
         at = feed.find("https://www.nasa.gov", at)) {
      feed.replace(at, 20, server->url(""));
    }
    serve(layout, feed);
  }
  serve("no_image.rss", "<rss><channel><description>NASA</description></channel></rss>");
  serve("wp-content/uploads/2026/12/iotd-1.jpg", readFileBytes(mirror + "/images/one.jpg"));
  serve("wp-content/uploads/2026/12/amf-1.jpg", readFileBytes(mirror + "/images/two.jpg"));
  const char* kOld = "/wp-content/uploads/2026/12/iotd-1.jpg";
  const char* kNew = "/wp-content/uploads/2026/12/amf-1.jpg?w=4096";
  const NasaCase cases[] = {
      {"/nasa_old_layout.rss", "/nasa_new_layout.rss", false, kOld},
      {"/status/404", "/nasa_new_layout.rss", true, kNew},
      {"/status/503", "/nasa_new_layout.rss", true, kNew},
      {"/no_image.rss", "/nasa_new_layout.rss", true, kNew},
      {"", "/nasa_new_layout.rss", true, kNew},
      {"/status/404", "/nasa_old_layout.rss", true, kOld},
      {"/status/404", "/no_image.rss", true, ""},
  };
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  for (const NasaCase& entry : cases) {
    SCOPED_TRACE(std::string(entry.primary) + " then " + entry.fallback);
    world.setEnvironment("PIXORIA_NASA_FEED_URL", *entry.primary != '\0'
                                                      ? server->url(entry.primary)
                                                      : "http://127.0.0.1:9/nasa.rss");
    world.setEnvironment("PIXORIA_NASA_FALLBACK_FEED_URL", server->url(entry.fallback));
    nasaWallpaperURLs.clear();
    fs::remove(first);
    const std::size_t fallbackBefore = requestsFor(entry.fallback);

    downloadWallpaperFromNASA(0);
    EXPECT_EQ(requestsFor(entry.fallback) - fallbackBefore, entry.fallbackAsked ? 1u : 0u);
    if (*entry.firstImage == '\0') {
      EXPECT_TRUE(nasaWallpaperURLs.empty());
      EXPECT_FALSE(fs::exists(first));
      continue;
    }
    ASSERT_EQ(nasaWallpaperURLs.size(), 7u);
    EXPECT_EQ(nasaWallpaperURLs[0], server->url(entry.firstImage));
    EXPECT_EQ(server->requests().back(), entry.firstImage);
    EXPECT_TRUE(fs::exists(first));
  }
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
