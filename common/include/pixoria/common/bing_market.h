// Bing's archive: the eleven markets and the eight request addresses for one of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pixoria {

struct BingMarket {
  std::string_view regionName;  // as the configuration application lists it
  std::string_view code;        // the archive's mkt parameter
};

// Indexed by the Region setting.
inline constexpr std::array<BingMarket, 11> kBingMarkets = {{
    {"United States", "en-US"},
    {"United Kingdom", "en-GB"},
    {"Spain", "en-ES"},
    {"Japan", "ja-JP"},
    {"Italy", "it-IT"},
    {"India", "hi-IN"},
    {"France", "fr-FR"},
    {"Germany", "de-DE"},
    {"China", "zh-CN"},
    {"Canada", "en-CA"},
    {"Australia", "en-AU"},
}};

// The archive holds the newest image and the seven before it.
inline constexpr int kBingArchiveDays = 8;

using BingRequests = std::array<std::string, kBingArchiveDays>;

// The market code for a Region value; a value outside the table means the first market.
std::string_view bingMarketCode(std::uint32_t region);

// Entry K asks for archive index K, up to and including "&mkt=": the market code follows.
BingRequests bingBaseRequests(std::string_view origin);

// The base requests with the market code of `region` appended.
BingRequests bingFeedUrlsFor(const BingRequests& baseRequests, std::uint32_t region);

}  // namespace pixoria
