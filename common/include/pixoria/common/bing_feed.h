// Reading Bing's archive answer: the image path and the caption.
#pragma once

#include <string>
#include <string_view>

namespace pixoria {

// The text of the first <url> element: the image's path and query on Bing's server, verbatim
// (entities such as &amp; stay as they are: the server takes them). Empty when absent.
std::string readBingImagePath(std::string_view feed);

// The text of the first <copyright> element, with its XML entities decoded for display. Empty
// when absent.
std::string readBingCaption(std::string_view feed);

}  // namespace pixoria
