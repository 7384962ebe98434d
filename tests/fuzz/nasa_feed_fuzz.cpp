// NASA's RSS: any bytes give at most seven entries cut out of the text, without a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pixoria/common/nasa_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view feed(reinterpret_cast<const char*>(data), size);
  const auto entries = pixoria::readNasaEntries(feed);
  if (entries.size() > pixoria::kNasaListLimit) {
    __builtin_trap();
  }
  for (const auto& entry : entries) {
    if (feed.find(entry.address) == std::string_view::npos) {
      __builtin_trap();  // an address is a stretch of the feed
    }
  }
  return 0;
}
