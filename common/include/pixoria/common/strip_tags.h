// Removing markup from a caption.
#pragma once

#include <string>

namespace pixoria {

// The two variants differ only at a '<' that no '>' closes: cutting ends the text before it,
// keeping leaves the text as it is.
enum class UnclosedTag { cut, keep };

// Removes every "<...>" tag, repeatedly. A '>' in the plain words before the first tag makes the
// rest of the text, from that first '<', go. `unclosedTagCut` is set when the cutting variant cut
// at an unclosed tag.
std::string stripTags(std::string text, UnclosedTag unclosed, bool* unclosedTagCut = nullptr);

}  // namespace pixoria
