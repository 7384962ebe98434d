// The product's identity, in one place: names, version and the maker's addresses.
#pragma once

#include <string_view>

#include "pixoria/version.h"  // kProductVersion and its parts, generated from project(VERSION)

namespace pixoria {

inline constexpr std::string_view kMakerWebAddress = "https://www.corvane.com";
inline constexpr std::string_view kProductWebAddress = "https://www.corvane.com/pixoria";
// The host name shown as the text of the link to kMakerWebAddress.
inline constexpr std::string_view kMakerLinkHost = "www.corvane.com";
inline constexpr std::string_view kCopyrightNotice =
    "Copyright \u00A9 2026 Corvane. All rights reserved.";
// The maker's suite product, which the information dialog offers as an upgrade.
inline constexpr std::string_view kSuiteProductWebAddress = "https://www.corvane.com/tavemark-plus";

}  // namespace pixoria
