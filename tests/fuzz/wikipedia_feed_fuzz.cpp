// Wikipedia's featured-content JSON: any bytes give a picture or none, without a fault. Decoding
// escapes never lengthens the address beyond the feed (a \uXXXX of six bytes is at most three in
// UTF-8, a surrogate pair of twelve is four).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pixoria/common/wikipedia_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view feed(reinterpret_cast<const char*>(data), size);
  const auto picture = pixoria::readWikipediaPicture(feed, true);
  const auto addressOnly = pixoria::readWikipediaPicture(feed, false);
  if (picture.found != addressOnly.found || picture.address != addressOnly.address ||
      (!picture.found && !picture.address.empty()) || picture.address.size() > size) {
    __builtin_trap();
  }
  return 0;
}
