#include "agent/online_source_doubles.h"

#include <deque>

#include "agent/sources/online_sources.h"

namespace pixoria {
namespace test {
namespace {

struct Doubles {
  std::vector<SourceCall> calls;
  std::size_t nasaSize = 0;
  std::size_t wikipediaSize = 0;
  std::deque<ChangeResult> results;
};

Doubles& doubles() {
  static Doubles instance;
  return instance;
}

}  // namespace

std::vector<SourceCall>& sourceCalls() {
  return doubles().calls;
}
void setNasaListSize(std::size_t size) {
  doubles().nasaSize = size;
}
void setWikipediaListSize(std::size_t size) {
  doubles().wikipediaSize = size;
}
void scriptSourceResults(std::vector<ChangeResult> results) {
  doubles().results.assign(results.begin(), results.end());
}
void resetSourceDoubles() {
  doubles() = Doubles{};
}

namespace {

ChangeResult record(const char* source, std::int32_t index) {
  sourceCalls().push_back({source, index});
  if (doubles().results.empty()) {
    return {};
  }
  const ChangeResult result = doubles().results.front();
  doubles().results.pop_front();
  return result;
}

}  // namespace
}  // namespace test

ChangeResult downloadWallpaperFromBing(std::int32_t index) {
  return test::record("bing", index);
}
ChangeResult downloadWallpaperFromNASA(std::int32_t index) {
  return test::record("nasa", index);
}
ChangeResult downloadWallpaperFromWikipedia(std::int32_t index) {
  return test::record("wikipedia", index);
}
std::size_t nasaListSize() {
  return test::doubles().nasaSize;
}
std::size_t wikipediaListSize() {
  return test::doubles().wikipediaSize;
}

}  // namespace pixoria
