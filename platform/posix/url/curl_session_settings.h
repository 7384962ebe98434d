// The settings every request of the programs carries: which protocols, how many redirects, TLS,
// timeouts, identity and encodings.
#pragma once

#include <curl/curl.h>

#include <string>

#include "url/url_limits.h"

namespace pixoria::platform::posix {

// Initialises libcurl for the process once; false when it cannot be.
bool ensureCurlInitialized();

// Applies the house settings for a GET of `encodedUrl` to a fresh easy handle. False when libcurl
// refuses one of them (then the handle must not be used).
bool applySessionSettings(CURL* handle, const std::string& encodedUrl, const UrlLimits& limits);

}  // namespace pixoria::platform::posix
