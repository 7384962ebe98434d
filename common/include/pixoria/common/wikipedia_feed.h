// Reading Wikipedia's featured-content answer for one day: the picture of the day's full-size
// address, its artist and its description; and the request addresses for a week of days.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pixoria {

struct WikipediaPicture {
  bool found = false;              // an address was found
  bool artistFound = false;        // an artist value was found
  bool descriptionFound = false;   // a description value was found
  std::string address;             // the full-size file's address, JSON escapes decoded
  std::string artist;              // plain text: escapes decoded, tags cut
  std::string description;         // plain text: escapes decoded, tags removed
  bool artistTagUnclosed = false;  // the artist ended in a tag that never closed, and was cut
};

// The address is the "source" of the second "image" object of the document (the picture of the
// day's full-size image); the artist and description follow it. Each value is the JSON string's
// contents up to its closing quote, with its escapes decoded. The texts are read only when
// `withTexts` is set.
WikipediaPicture readWikipediaPicture(std::string_view feed, bool withTexts);

struct CalendarDate {
  int year = 0;
  unsigned month = 0;  // 1 to 12
  unsigned day = 0;    // 1 to 31
};

// The feed holds the seven days ending today.
inline constexpr int kWikipediaDays = 7;

// Today and the six days before it, newest first, across month and year ends.
std::array<CalendarDate, kWikipediaDays> wikipediaDates(CalendarDate today);

// `prefix` + year "/" two-digit month "/" two-digit day.
std::string wikipediaRequestAddress(std::string_view prefix, CalendarDate date);

}  // namespace pixoria
