// Feed text on its way into a diagnostic line.
#pragma once

#include <string>
#include <string_view>

namespace pixoria {

// `text` without control characters: C0 (line feeds and tabs included), DEL, and C1 in UTF-8
// (U+0080 to U+009F). A feed could otherwise forge diagnostic lines of its own or send escape
// sequences to the terminal that shows them. Other bytes, malformed UTF-8 included, are kept.
std::string printableText(std::string_view text);

}  // namespace pixoria
