// Bing's archive answer: any bytes give a path and a caption, or nothing, without a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "agent/sources/bing_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view feed(reinterpret_cast<const char*>(data), size);
  const std::string path = pixoria::readBingImagePath(feed);
  const std::string caption = pixoria::readBingCaption(feed);
  if (path.size() > size || caption.size() > size) {
    __builtin_trap();  // a value is cut out of the feed: it cannot be longer
  }
  return 0;
}
