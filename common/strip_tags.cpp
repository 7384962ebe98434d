#include "pixoria/common/strip_tags.h"

namespace pixoria {

// The rule, stated on the whole text: repeatedly find the first '<' and the first '>' in the text
// (the '>' searched from the text's start, not from the '<'); remove "<...>" when the '>' comes
// after the '<', else remove everything from the '<' on. Every removal leaves a prefix without
// either character, so one cursor walks the text once instead of searching it from the start
// again after each removal.
std::string stripTags(std::string text, UnclosedTag unclosed, bool* unclosedTagCut) {
  std::string out;
  out.reserve(text.size());
  std::size_t position = 0;
  for (;;) {
    const std::size_t open = text.find('<', position);
    if (open == std::string::npos) {
      out.append(text, position);
      return out;
    }
    const std::size_t close = text.find('>', position);
    if (close == std::string::npos) {
      if (unclosed == UnclosedTag::keep) {
        out.append(text, position);
        return out;
      }
      if (unclosedTagCut != nullptr) {
        *unclosedTagCut = true;
      }
      out.append(text, position, open - position);
      return out;
    }
    out.append(text, position, open - position);
    if (close < open) {
      return out;  // the '>' stood in the plain words: the rest goes
    }
    position = close + 1;
  }
}

}  // namespace pixoria
