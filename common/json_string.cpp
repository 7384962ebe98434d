#include "json_string.h"

#include "feed_text.h"

namespace pixoria {

std::int32_t findClosingQuote(std::string_view text, std::int32_t start) {
  if (start < 0) {
    return kNotFound;
  }
  for (std::size_t position = static_cast<std::size_t>(start); position < text.size(); ++position) {
    if (text[position] == '\\') {
      ++position;  // the escaped character cannot close the string
    } else if (text[position] == '"') {
      return static_cast<std::int32_t>(position);
    }
  }
  return kNotFound;
}

}  // namespace pixoria
