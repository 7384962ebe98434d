#include "e2e/feed_mirror.h"

#include <ctime>
#include <filesystem>

#include "pixoria/common/image_fitting.h"
#include "pixoria/common/wikipedia_feed.h"

namespace pixoria::test {
namespace {

namespace fs = std::filesystem;

CalendarDate todayInUtc() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return {utc.tm_year + 1900, static_cast<unsigned>(utc.tm_mon + 1),
          static_cast<unsigned>(utc.tm_mday)};
}

std::string wikipediaDocument(const std::string& address) {
  return R"({"image":{"title":"File:Lake.jpg","image":{"source":")" + address +
         R"(","width":640},"artist":{"html":"Ana"},"description":{"html":"A lake"}}})";
}

}  // namespace

FeedMirror::FeedMirror(IsolatedWorld& world, FixtureServerOptions options)
    : folder_(world.root() + "/mirror") {
  fs::create_directories(folder_ + "/images");
  const std::string bmp = world.root() + "/mirror.bmp";
  writeBmp(bmp, 64, 36, [](int, int) { return Rgb{40, 150, 210}; });
  picture_ = "/images/picture.jpg";
  fitImage(bmp, folder_ + picture_, 64, 36, FitVariant::agent);

  options.folder = folder_;
  options.logPath = world.root() + "/requests.log";
  server_ = std::make_unique<FixtureServer>(options);
  if (!server_->running()) {
    return;
  }
  serveFeeds();
  world.setEnvironment("PIXORIA_BING_ORIGIN", server_->url(""));
  world.setEnvironment("PIXORIA_BING_IMAGE_BASE", server_->url(""));
  world.setEnvironment("PIXORIA_NASA_FEED_URL", server_->url("/nasa.rss"));
  world.setEnvironment("PIXORIA_NASA_FALLBACK_FEED_URL", server_->url("/iotd-feed/"));
  world.setEnvironment("PIXORIA_WIKIPEDIA_FEED_PREFIX", server_->url("/featured/"));
}

void FeedMirror::serve(const std::string& name, const std::string& body) {
  fs::create_directories(fs::path(folder_ + "/" + name).parent_path());
  writeFileBytes(folder_ + "/" + name, body);
}

void FeedMirror::serveFeeds() {
  serve("HPImageArchive.aspx", "<images><image><url>" + picture_ + "</url></image></images>");
  std::string nasa = "<rss><channel><description>NASA</description>";
  for (int n = 0; n < 7; ++n) {
    nasa += "<item><title>" + std::to_string(n) + "</title><enclosure url=\"" +
            server_->url(picture_) + "\" length=\"1\" type=\"image/jpeg\"/></item>";
  }
  serve("nasa.rss", nasa + "</channel></rss>");
  for (const CalendarDate& date : wikipediaDates(todayInUtc())) {
    serve(wikipediaRequestAddress("featured/", date), wikipediaDocument(server_->url(picture_)));
  }
}

std::size_t FeedMirror::requestsFor(const std::string& prefix) const {
  std::size_t count = 0;
  for (const std::string& line : server_->requests()) {
    count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  }
  return count;
}

}  // namespace pixoria::test
