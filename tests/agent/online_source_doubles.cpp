#include "agent/online_source_doubles.h"

#include "agent/sources/online_sources.h"

namespace pixoria {
namespace test {
namespace {

struct Doubles {
  std::vector<SourceCall> calls;
  std::size_t nasaSize = 0;
  std::size_t wikipediaSize = 0;
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
void resetSourceDoubles() {
  doubles() = Doubles{};
}

}  // namespace test

void downloadWallpaperFromBing(std::int32_t index) {
  test::sourceCalls().push_back({"bing", index});
}
void downloadWallpaperFromNASA(std::int32_t index) {
  test::sourceCalls().push_back({"nasa", index});
}
void downloadWallpaperFromWikipedia(std::int32_t index) {
  test::sourceCalls().push_back({"wikipedia", index});
}
std::size_t nasaListSize() {
  return test::doubles().nasaSize;
}
std::size_t wikipediaListSize() {
  return test::doubles().wikipediaSize;
}

}  // namespace pixoria
