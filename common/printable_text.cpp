#include "pixoria/common/printable_text.h"

namespace pixoria {
namespace {

bool isC0OrDelete(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

// U+0080 to U+009F are encoded as C2 80 to C2 9F.
bool isC1At(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]) == 0xC2 && at + 1 < text.size() &&
         static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
         static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

}  // namespace

std::string printableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (isC1At(text, at)) {
      ++at;  // and its second byte
    } else if (!isC0OrDelete(static_cast<unsigned char>(text[at]))) {
      printable.push_back(text[at]);
    }
  }
  return printable;
}

}  // namespace pixoria
