// Turning paths into the texts the desktops' tools read: a file URI, a GVariant string for
// gsettings, a JavaScript string for Plasma's scripting. Each refuses what it cannot carry safely.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform {

// "file://" and the absolute path with every byte outside the URI's unreserved set and "/"
// percent-encoded (so spaces, '%', '#', '?' and non-ASCII bytes survive). Empty for a path
// that is not absolute.
std::string fileUri(std::string_view absolutePath);

// A single-quoted GVariant text literal, as `gsettings set` parses its value. False for text
// that is not UTF-8 or holds control characters.
bool gvariantStringLiteral(std::string_view text, std::string& literal);

// A double-quoted JavaScript string literal with backslashes and quotes escaped. False for text
// holding control characters or line separators, which a script string must not carry raw.
bool javascriptStringLiteral(std::string_view text, std::string& literal);

// True when the text is well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view text);

}  // namespace pixoria::platform
