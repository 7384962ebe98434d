// The product's identity, in one place: names, version and the maker's addresses.
#pragma once

#include <string_view>

namespace pixoria {

inline constexpr std::string_view kProductVersion = "1.0.1";
inline constexpr std::string_view kMakerWebAddress = "https://www.corvane.com";
inline constexpr std::string_view kProductWebAddress = "https://www.corvane.com/pixoria";

}  // namespace pixoria
