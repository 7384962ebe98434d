// Tag stripping: both variants end, never grow the text, and leave no tag that has a '>' after it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pixoria/common/strip_tags.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string cut = pixoria::stripTags(text, pixoria::UnclosedTag::cut);
  const std::string kept = pixoria::stripTags(text, pixoria::UnclosedTag::keep);
  if (cut.size() > size || kept.size() > size || cut.find('<') != std::string::npos) {
    __builtin_trap();
  }
  return 0;
}
