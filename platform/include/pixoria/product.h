// The product's identity, in one place: names, version and the maker's addresses.
#pragma once

#include <string>
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

// What every request of both programs says of who is asking: the program, its version and where
// its makers can be reached ("Pixoria/1.2.3 (https://www.corvane.com/pixoria)"), as web services
// such as Wikimedia's ask of their clients.
inline std::string userAgent() {
  return std::string("Pixoria/") + std::string(kProductVersion) + " (" +
         std::string(kProductWebAddress) + ")";
}

}  // namespace pixoria
