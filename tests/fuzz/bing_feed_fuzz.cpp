// Bing's archive answer: any bytes give a path and a caption, or nothing, without a fault; the
// address built from the path stays on the image server, and its trace line is printable.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pixoria/common/bing_feed.h"
#include "pixoria/common/printable_text.h"
#include "pixoria/common/source_addresses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view feed(reinterpret_cast<const char*>(data), size);
  const std::string path = pixoria::readBingImagePath(feed);
  const std::string caption = pixoria::readBingCaption(feed);
  if (path.size() > size || caption.size() > size) {
    __builtin_trap();  // a value is cut out of the feed: it cannot be longer
  }
  const std::string base = pixoria::bingImageBase();
  const std::string address = pixoria::bingImageAddress(path);
  if (!address.empty() && address.compare(0, base.size() + 1, base + "/") != 0) {
    __builtin_trap();  // the path may not reach past the base's host
  }
  for (const char c : pixoria::printableText(address)) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      __builtin_trap();
    }
  }
  return 0;
}
