#include "pixoria/common/wikipedia_feed.h"

#include <chrono>
#include <cstdio>

#include "feed_text.h"
#include "json_string.h"
#include "pixoria/common/strip_tags.h"

namespace pixoria {
namespace {

constexpr std::string_view kImageMarker = "\"image\":";
constexpr std::string_view kSourceMarker = "\"source\":";
constexpr std::string_view kArtistMarker = "\"artist\":";
constexpr std::string_view kDescriptionMarker = "\"description\":";

// Between a text's key and its value: an opening brace, "html", a colon and the opening quote.
constexpr std::int32_t kHtmlMemberLead = 9;

struct Cut {
  std::string value;
  std::int32_t end = kNotFound;  // the closing quote
};

// The string value that starts `lead` characters after the marker found at or after `from`.
Cut cutValue(std::string_view feed, std::string_view marker, std::int32_t lead, std::int32_t from) {
  const std::int32_t at = findMarker(feed, marker, from);
  if (at == kNotFound) {
    return {};
  }
  const std::int32_t start = at + static_cast<std::int32_t>(marker.size()) + lead;
  const std::int32_t end = findClosingQuote(feed, start);
  if (end == kNotFound) {
    return {};
  }
  return {std::string(
              feed.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start))),
          end};
}

}  // namespace

WikipediaPicture readWikipediaPicture(std::string_view feed, bool withTexts) {
  WikipediaPicture picture;
  const std::int32_t first = findMarker(feed, kImageMarker, 0);
  const std::int32_t second =
      first == kNotFound ? kNotFound : findMarker(feed, kImageMarker, first + 1);
  Cut address;
  if (second != kNotFound) {
    address = cutValue(feed, kSourceMarker, 1, second + 1);  // 1: the string's opening quote
  }
  picture.found = address.end != kNotFound;
  // Escapes are decoded here too: a re-serialized document writes "https:\/\/upload...", and an
  // address kept as it stands would reach the network with its backslashes.
  picture.address = decodeJsonEscapes(address.value);
  if (!withTexts) {
    return picture;
  }
  const Cut artist =
      cutValue(feed, kArtistMarker, kHtmlMemberLead, picture.found ? address.end : 0);
  picture.artistFound = artist.end != kNotFound;
  picture.artist =
      stripTags(decodeJsonEscapes(artist.value), UnclosedTag::cut, &picture.artistTagUnclosed);
  if (artist.end != kNotFound) {
    const Cut description = cutValue(feed, kDescriptionMarker, kHtmlMemberLead, artist.end);
    picture.descriptionFound = description.end != kNotFound;
    picture.description = stripTags(decodeJsonEscapes(description.value), UnclosedTag::keep);
  }
  return picture;
}

std::array<CalendarDate, kWikipediaDays> wikipediaDates(CalendarDate today) {
  using namespace std::chrono;
  const sys_days start{year{today.year} / month{today.month} / day{today.day}};
  std::array<CalendarDate, kWikipediaDays> dates;
  for (int back = 0; back < kWikipediaDays; ++back) {
    const year_month_day date{start - days{back}};
    dates[back] = {static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                   static_cast<unsigned>(date.day())};
  }
  return dates;
}

std::string wikipediaRequestAddress(std::string_view prefix, CalendarDate date) {
  char path[32];
  std::snprintf(path, sizeof path, "%d/%02u/%02u", date.year, date.month, date.day);
  return std::string(prefix) + path;
}

}  // namespace pixoria
