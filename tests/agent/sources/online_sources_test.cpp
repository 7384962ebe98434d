#include "agent/sources/online_sources.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "agent/agent_test_fixture.h"
#include "agent/change_schedule.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/sources/bing_source.h"
#include "agent/sources/nasa_source.h"
#include "agent/sources/wikipedia_source.h"
#include "agent/wallpaper_paths.h"
#include "agent/wallpaper_setter.h"
#include "pixoria/platform/folders.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr std::uint32_t kDownloading = pf::kBindStatusDownloadingData;
constexpr std::uint32_t kEnded = pf::kBindStatusEndDownloadData;
const std::string kSep(1, pf::kPathSeparator);

class OnlineSourcesTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    nasaWallpaperURLs.clear();
    wikipediaWallpaperURLs.clear();
    root = makeTemporaryFolder();
    fake::setAppDataFolder(root);
    fake::setScreenSize(64, 36);
    folder = root + kSep + "Corvane Tavemark Plus!" + kSep + "Wallpaper" + kSep;
    const std::string bmp = root + "/picture.bmp";
    writeBmp(bmp, 32, 16, [](int, int) { return Rgb{10, 200, 10}; });
    picture = readFileBytes(bmp);
    agentSettings.bingFeedUrls = bingFeedUrlsFor(bingBaseRequestTable, 0);
  }
  void TearDown() override { removeFolder(root); }

  // A download that succeeds with the test picture, reporting data and its end.
  void scriptImage(const std::string& url) {
    fake::scriptDownload(url, {picture, {{10, 20, kDownloading}, {20, 20, kEnded}}, pf::kOk});
  }

  void scriptBing(int index, const std::string& path) {
    fake::scriptStream(agentSettings.bingFeedUrls[index],
                       {pf::kOk, {"<images><image><url>" + path + "</url></image></images>"}});
  }

  std::size_t requestsStartingWith(const std::string& prefix) const {
    std::size_t count = 0;
    for (const std::string& url : fake::urlRequests()) {
      count += url.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
  }

  std::string root;
  std::string folder;
  std::string picture;
};

TEST_F(OnlineSourcesTest, FeedTextKeepsEveryByteAndStopsOnlyWhenAsked) {
  fake::scriptStream(
      "https://feed/a",
      {pf::kOk, {std::string("ab\0c", 4), std::string(99, 'x'), std::string(100, 'y'), "tail"}});
  std::string text;
  ASSERT_TRUE(fetchFeedText("https://feed/a", 1024, false, text));
  EXPECT_EQ(text.size(), 4u + 99 + 100 + 4);
  ASSERT_TRUE(fetchFeedText("https://feed/a", 1024, true, text));  // 4 bytes: short at once
  EXPECT_EQ(text, std::string("ab\0c", 4));

  fake::scriptStream("https://feed/b",
                     {pf::kOk, {std::string(100, 'y'), std::string(99, 'x'), "never read"}});
  ASSERT_TRUE(fetchFeedText("https://feed/b", 1024, true, text));
  EXPECT_EQ(text.size(), 199u);
  EXPECT_FALSE(fetchFeedText("https://unscripted", 1024, false, text));
}

TEST_F(OnlineSourcesTest, ProgressArmsTheApplyTimerOnlyForDataWhileImageJpgExists) {
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  CallbackHandler handler;
  EXPECT_EQ(handler.onProgress(0, 0, kDownloading, ""), pf::kOk);
  EXPECT_FALSE(fake::timerPeriod(agentWindow, TIMER_APPLY));  // no image.jpg yet
  writeFileBytes(firstImagePath, "old");
  handler.onProgress(0, 0, pf::kBindStatusBeginDownloadData, "");
  EXPECT_FALSE(fake::timerPeriod(agentWindow, TIMER_APPLY));
  handler.onProgress(0, 0, kEnded, "");
  EXPECT_EQ(fake::timerPeriod(agentWindow, TIMER_APPLY), 1000u);
}

TEST_F(OnlineSourcesTest, ThePairIsDownloadedFittedRecordedAndSetOnceASecondLater) {
  agentSettings.multiMonitor = true;
  fake::setMonitors({"L", "R"});
  wallpaperURL = "https://img/1.jpg";
  wallpaper2URL = "https://img/2.jpg";
  scriptImage(wallpaperURL);
  scriptImage(wallpaper2URL);
  downloadWallpaperPair("Done", kValueNasaCurrentIndex, 3);
  EXPECT_EQ(fake::debugOutput(), "DoneImage converted and saved\nDoneImage converted and saved\n");
  EXPECT_EQ(storedDword(kValueNasaCurrentIndex), 3u);
  EXPECT_TRUE(pf::fileExists(folder + "image.jpg"));
  EXPECT_TRUE(pf::fileExists(folder + "image2.jpg"));
  // The first download found no image.jpg; the second did, and armed the timer.
  fake::advanceClock(999);
  EXPECT_TRUE(fake::desktopCalls().empty());
  fake::advanceClock(1);
  ASSERT_EQ(fake::desktopCalls().size(), 3u);
  EXPECT_EQ(fake::desktopCalls()[0].path, folder + "image2.jpg");
  EXPECT_EQ(fake::desktopCalls()[1].path, folder + "image.jpg");
}

TEST_F(OnlineSourcesTest, AFailedFirstDownloadKeepsItsFileAndRecordsNothing) {
  agentSettings.multiMonitor = true;
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  writeFileBytes(firstImagePath, "last good image");
  wallpaperURL = "https://img/missing.jpg";
  wallpaper2URL = "https://img/2.jpg";
  fake::scriptDownload(wallpaperURL, {"", {{0, 0, kDownloading}}, pf::kDownloadFailure});
  scriptImage(wallpaper2URL);
  downloadWallpaperPair("Done", kValueBingCurrentIndex, 5);
  EXPECT_FALSE(storedDword(kValueBingCurrentIndex));
  EXPECT_EQ(readFileBytes(firstImagePath), "last good image");
  EXPECT_NE(readFileBytes(secondImagePath), "");
  EXPECT_EQ(fake::timerPeriod(agentWindow, TIMER_APPLY), 1000u);  // the failed one armed it too
}

TEST_F(OnlineSourcesTest, BingAsksTheArchiveTwiceAndDownloadsTheFirstPath) {
  scriptBing(7, "/th?id=Seven&amp;rf=x.jpg");
  scriptBing(0, "/th?id=Zero.jpg");
  scriptImage("https://www.bing.com/th?id=Seven&amp;rf=x.jpg");
  agentSettings.bingIndex = 7;
  downloadWallpaperFromBing(7);
  EXPECT_EQ(wallpaperURL, "https://www.bing.com/th?id=Seven&amp;rf=x.jpg");
  EXPECT_EQ(wallpaper2URL, "https://www.bing.com/th?id=Zero.jpg");
  EXPECT_EQ(requestsStartingWith("https://bing.test/HPImageArchive.aspx"), 2u);
  EXPECT_EQ(storedDword(kValueBingCurrentIndex), 7u);
  EXPECT_EQ(
      fake::debugOutput().rfind("\ndownloadWallpaperFromBing\nhttps://www.bing.com/th?id=Seven"
                                "&amp;rf=x.jpgDownload Complete",
                                0),
      0u);
}

// On a screen larger than 1920x1080 the UHD rendition is asked for first; when it fails the
// standard one follows in the same change, and no later change of another source asks for it.
TEST_F(OnlineSourcesTest, BingUhdRenditionIsTriedFirstAndBelongsToItsOwnChange) {
  fake::setScreenSize(2560, 1440);
  scriptBing(0, "/th?id=OHR.A_1920x1080.jpg&amp;pid=hp");
  scriptBing(1, "/th?id=OHR.B_1920x1080.jpg&amp;pid=hp");
  scriptImage("https://www.bing.com/th?id=OHR.A_1920x1080.jpg&amp;pid=hp");
  downloadWallpaperFromBing(0);
  const std::vector<std::string> images(fake::urlRequests().begin() + 2, fake::urlRequests().end());
  EXPECT_EQ(images, (std::vector<std::string>{
                        "https://www.bing.com/th?id=OHR.A_UHD.jpg&amp;pid=hp",
                        "https://www.bing.com/th?id=OHR.A_1920x1080.jpg&amp;pid=hp"}));
  EXPECT_EQ(storedDword(kValueBingCurrentIndex), 0u);
  EXPECT_TRUE(wallpaperUhdURL.empty());

  fake::scriptStream(
      "https://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss",
      {pf::kOk, {"<description>d</description><enclosure url=\"https://n/a.jpg\"/>"}});
  downloadWallpaperFromNASA(0);
  EXPECT_EQ(requestsStartingWith("https://www.bing.com/th?id=OHR.A_UHD"), 1u);
}

TEST_F(OnlineSourcesTest, BingIndexOutsideTheArchiveStartsAtTheNewest) {
  scriptBing(0, "/zero.jpg");
  scriptBing(1, "/one.jpg");
  agentSettings.bingIndex = 8;
  downloadWallpaperFromBing(8);
  EXPECT_EQ(agentSettings.bingIndex, 0);
  EXPECT_EQ(wallpaper2URL, "https://www.bing.com/one.jpg");

  // An archive answer without a path gives an empty address, whose download fails.
  fake::scriptStream(agentSettings.bingFeedUrls[2], {pf::kOk, {"<images></images>"}});
  agentSettings.bingIndex = 2;
  downloadWallpaperFromBing(2);
  EXPECT_TRUE(wallpaperURL.empty());
  EXPECT_FALSE(storedDword(kValueBingCurrentIndex));
}

// The archive must not be able to send the download to another host.
TEST_F(OnlineSourcesTest, BingPathThatIsNoPathGivesNoAddress) {
  scriptBing(3, "@other.host/x.jpg");
  scriptBing(4, "/four.jpg");
  agentSettings.bingIndex = 3;
  downloadWallpaperFromBing(3);
  EXPECT_TRUE(wallpaperURL.empty());
  EXPECT_EQ(wallpaper2URL, "https://www.bing.com/four.jpg");
  EXPECT_EQ(requestsStartingWith("https://www.bing.com@other.host"), 0u);
  EXPECT_FALSE(storedDword(kValueBingCurrentIndex));
}

// The address keeps its bytes for the network, which encodes them; the trace line loses them.
TEST_F(OnlineSourcesTest, BingTraceLineCarriesNoControlCharactersFromTheFeed) {
  scriptBing(0, "/a\x1B[2J\nforged\x07.jpg");
  scriptBing(1, "/b.jpg");
  downloadWallpaperFromBing(0);
  EXPECT_EQ(wallpaperURL, "https://www.bing.com/a\x1B[2J\nforged\x07.jpg");
  EXPECT_NE(fake::debugOutput().find("https://www.bing.com/a[2Jforged.jpg"), std::string::npos)
      << fake::debugOutput();
  EXPECT_EQ(fake::debugOutput().find('\x1B'), std::string::npos);
}

TEST_F(OnlineSourcesTest, BingWithoutARequestTableDoesNothing) {
  agentSettings.bingFeedUrls = {};
  downloadWallpaperFromBing(0);
  EXPECT_TRUE(fake::urlRequests().empty());
}

TEST_F(OnlineSourcesTest, NasaFetchesItsListOncePerDayWhileComplete) {
  std::string feed;
  for (int n = 0; n < 9; ++n) {
    feed += "<description>d</description><enclosure url=\"https://nasa/" + std::to_string(n) +
            ".jpg\" length=\"1\"/>";
  }
  fake::scriptStream("https://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss", {pf::kOk, {feed}});
  scriptImage("https://nasa/6.jpg");
  agentSettings.nasaIndex = 6;
  downloadWallpaperFromNASA(6);
  EXPECT_EQ(nasaWallpaperURLs.size(), 7u);
  EXPECT_EQ(wallpaperURL, "https://nasa/6.jpg");
  EXPECT_EQ(wallpaper2URL, "https://nasa/0.jpg");
  EXPECT_EQ(storedDword(kValueNasaCurrentIndex), 6u);
  EXPECT_NE(fake::debugOutput().find("\nindex\n6\nindex2\n0\nwallpaperURL\n\nwallpaperURL\n"
                                     "https://nasa/6.jpg\nwallpaper2URL\nhttps://nasa/0.jpg"),
            std::string::npos);

  downloadWallpaperFromNASA(5);  // same day, complete list: no feed request
  EXPECT_EQ(requestsStartingWith("https://www.nasa.gov/"), 1u);
  pf::SystemTime tomorrow = pf::getLocalTime();
  tomorrow.day = 9;
  fake::setLocalTime(tomorrow);
  downloadWallpaperFromNASA(5);
  EXPECT_EQ(requestsStartingWith("https://www.nasa.gov/"), 2u);
}

TEST_F(OnlineSourcesTest, NasaRefetchesAShortListAndSkipsAnEmptyOne) {
  listDay = 8;
  const std::string two =
      "<description>a</description><enclosure url=\"https://n/a.jpg\"/>"
      "<description>b</description><enclosure url=\"https://n/b.jpg\"/>";
  const std::string nasa = "https://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss";
  // A short chunk in the middle ends the reading: only the items before it count.
  fake::scriptStream(nasa, {pf::kOk, {two.substr(0, 60), two.substr(60, 20), two.substr(80)}});
  downloadWallpaperFromNASA(0);
  EXPECT_EQ(nasaWallpaperURLs, (std::vector<std::string>{"https://n/a.jpg"}));
  EXPECT_EQ(wallpaper2URL, "https://n/a.jpg");  // a list of one: both monitors the same image

  fake::scriptStream(nasa, {pf::kFail, {}});
  wallpaperURL = "https://kept";
  downloadWallpaperFromNASA(0);  // fewer than 7: fetched anew, and the feed fails
  EXPECT_TRUE(nasaWallpaperURLs.empty());
  EXPECT_EQ(wallpaperURL, "https://kept");
  EXPECT_EQ(requestsStartingWith("https://n/"), 1u);
}

TEST_F(OnlineSourcesTest, WikipediaAsksForTheSevenUniversalDatesEndingToday) {
  fake::setLocalTime({2026, 3, 0, 1, 0, 30, 0, 0});        // just after local midnight...
  fake::setUniversalTime({2026, 2, 6, 28, 23, 30, 0, 0});  // ...still yesterday in UTC
  const std::string prefix = "https://en.wikipedia.org/api/rest_v1/feed/featured/";
  const char* days[] = {"2026/02/28", "2026/02/27", "2026/02/26", "2026/02/25",
                        "2026/02/24", "2026/02/23", "2026/02/22"};
  for (int i = 0; i < 7; ++i) {
    const std::string address = "https://up/" + std::to_string(i) + ".jpg";
    const std::string body = i == 2 ? R"({"image":{"title":"no inner image"}})"
                                    : R"({"image":{"image":{"source":")" + address + R"("}}})";
    fake::scriptStream(prefix + days[i], {pf::kOk, {body}});
  }
  scriptImage("https://up/6.jpg");
  agentSettings.wikiIndex = 4;
  downloadWallpaperFromWikipedia(4);
  EXPECT_EQ(fake::urlRequests().size(), 7u + 1u);
  EXPECT_EQ(listDay, 1u);
  ASSERT_EQ(wikipediaWallpaperURLs.size(), 6u);  // the third day named no picture
  EXPECT_EQ(wallpaperURL, "https://up/5.jpg");
  EXPECT_EQ(wallpaper2URL, "https://up/6.jpg");

  agentSettings.wikiIndex = 5;
  downloadWallpaperFromWikipedia(5);  // six entries: all seven days are asked again
  EXPECT_EQ(requestsStartingWith(prefix), 14u);
  EXPECT_EQ(wallpaper2URL, "https://up/0.jpg");
  EXPECT_EQ(storedDword(kValueWikipediaCurrentIndex), 5u);
}

TEST_F(OnlineSourcesTest, WikipediaWithNothingFoundChangesNothing) {
  wallpaperURL = "https://kept";
  agentSettings.wikiIndex = -1;
  downloadWallpaperFromWikipedia(-1);
  EXPECT_EQ(fake::urlRequests().size(), 7u);
  EXPECT_EQ(wallpaperURL, "https://kept");
  EXPECT_EQ(agentSettings.wikiIndex, -1);
}

// A machine where the agent never ran has no image.jpg, so no progress report arms the apply
// timer; the fit does, and the wallpaper is set once, a second after it.
TEST_F(OnlineSourcesTest, TheFirstChangeOnAFreshMachineSetsTheWallpaperOnce) {
  const std::string nasaFeed = "https://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss";
  const std::string wikipediaDay = "https://en.wikipedia.org/api/rest_v1/feed/featured/2026/12/08";
  struct Case {
    const char* name;
    ChangeResult (*change)(std::int32_t index);
  };
  const Case cases[] = {{"Bing", downloadWallpaperFromBing},
                        {"NASA", downloadWallpaperFromNASA},
                        {"Wikipedia", downloadWallpaperFromWikipedia}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    scriptBing(0, "/first.jpg");
    fake::scriptStream(
        nasaFeed, {pf::kOk, {R"(<description>d</description><enclosure url="https://n/1.jpg"/>)"}});
    fake::scriptStream(wikipediaDay,
                       {pf::kOk, {R"({"image":{"image":{"source":"https://w/1.jpg"}}})"}});
    for (const char* image :
         {"https://www.bing.com/first.jpg", "https://n/1.jpg", "https://w/1.jpg"}) {
      scriptImage(image);
    }
    ASSERT_FALSE(pf::fileExists(folder + "image.jpg"));
    EXPECT_TRUE(c.change(0).succeeded());
    fake::advanceClock(999);
    EXPECT_TRUE(fake::desktopCalls().empty());
    fake::advanceClock(1);
    fake::advanceClock(60'000);
    ASSERT_EQ(fake::desktopCalls().size(), 2u);  // the one monitor, then the position
    EXPECT_EQ(fake::desktopCalls()[0].path, folder + "image.jpg");
  }
}

// A change that fails is tried again at the same index until it works, and only then is the
// index recorded, once; the tray says why it failed meanwhile.
TEST_F(OnlineSourcesTest, AFailedChangeIsRetriedAndRecordedOnceItWorks) {
  setDword(kValueEnabled, 1);
  setDword(kValueSource, kSourceBing);
  setDword(kValueBingCurrentIndex, 2);
  pf::notifyIconAdd({agentWindow, TRAY_ICON_ID, pf::kNifTip, 0, 0, "Pixoria Helper", nullptr});
  fake::scriptStream(agentSettings.bingFeedUrls[2],
                     {pf::kFail, {}, {pf::TransferFailure::httpStatus, 503}});
  scriptBing(3, "/three.jpg");
  loadSettingsAndApply();
  fake::advanceClock(60'000);
  EXPECT_EQ(fake::shownIcons()[0].tip,
            "Pixoria Helper\nCould not reach Bing (HTTP status 503). Trying again at 12:03.");
  scriptBing(2, "/two.jpg");
  scriptImage("https://www.bing.com/two.jpg");
  fake::advanceClock(120'000);
  EXPECT_EQ(requestsStartingWith(agentSettings.bingFeedUrls[2]), 3u);
  EXPECT_EQ(std::count(fake::registryWrites().begin(), fake::registryWrites().end(),
                       std::string(kValueBingCurrentIndex)),
            1);
  EXPECT_EQ(storedDword(kValueBingCurrentIndex), 2u);
  EXPECT_EQ(fake::shownIcons()[0].tip, "Pixoria Helper");
  fake::advanceClock(1'000);
  EXPECT_EQ(fake::desktopCalls().size(), 2u);
}

// An image that cannot be read fails the change; the user hears of it once, not at every retry.
TEST_F(OnlineSourcesTest, AnUnreadableImageIsReportedOnceAcrossItsRetries) {
  std::string first;
  std::string second;
  getWallpaperPaths(first, second);
  writeFileBytes(firstImagePath, "last good image");
  fake::scriptDownload("https://n/bad.jpg", {"not an image", {{4, 4, kEnded}}, pf::kOk});
  fake::scriptStream(
      "https://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss",
      {pf::kOk, {R"(<description>d</description><enclosure url="https://n/bad.jpg"/>)"}});
  onNasaNext();  // an empty list: -1, which the source takes as 0
  fake::advanceClock(3 * 60'000);
  EXPECT_EQ(requestsStartingWith("https://n/bad.jpg"), 3u);
  EXPECT_EQ(fake::messageBoxes().size(), 1u);
  EXPECT_FALSE(storedDword(kValueNasaCurrentIndex));
  EXPECT_EQ(readFileBytes(folder + "image.jpg"), "last good image");
  EXPECT_EQ(trayTip(),
            "Pixoria Helper\nCould not use the NASA image (the image could not be read). Trying "
            "again at 12:07.");
}

}  // namespace
}  // namespace pixoria::test
