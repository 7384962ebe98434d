#include "pixoria/common/bing_market.h"

namespace pixoria {

std::string_view bingMarketCode(std::uint32_t region) {
  return region < kBingMarkets.size() ? kBingMarkets[region].code : kBingMarkets[0].code;
}

BingRequests bingBaseRequests(std::string_view origin) {
  BingRequests requests;
  for (int index = 0; index < kBingArchiveDays; ++index) {
    requests[index] = std::string(origin) +
                      "/HPImageArchive.aspx?format=xml&idx=" + std::to_string(index) + "&n=1&mkt=";
  }
  return requests;
}

BingRequests bingFeedUrlsFor(const BingRequests& baseRequests, std::uint32_t region) {
  BingRequests urls;
  for (int index = 0; index < kBingArchiveDays; ++index) {
    // A base entry that was never filled stays empty: the source then knows it has no table.
    if (!baseRequests[index].empty()) {
      urls[index] = baseRequests[index] + std::string(bingMarketCode(region));
    }
  }
  return urls;
}

}  // namespace pixoria
