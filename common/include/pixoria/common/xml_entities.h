// XML character references in feed captions.
#pragma once

#include <string>
#include <string_view>

namespace pixoria {

// Decodes &amp; &lt; &gt; &quot; &apos; and numeric references (&#233; &#xE9;) into UTF-8. Anything
// else that starts with '&' stays as it is, so no text is lost.
std::string decodeXmlEntities(std::string_view text);

}  // namespace pixoria
