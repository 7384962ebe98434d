// What a finished libcurl transfer means in the result codes urlmon gives.
#pragma once

#include <curl/curl.h>

#include "pixoria/platform/results.h"

namespace pixoria::platform::posix {

// kOk for a complete 2xx response; kResourceNotFound when the host could not be resolved or
// reached; kInvalidArg for an address libcurl cannot parse; kDownloadFailure for anything else
// (HTTP errors, refused protocols, too many redirects, TLS failures, stalls, cut-off bodies).
HResult resultOfTransfer(CURLcode code, long httpStatus);

}  // namespace pixoria::platform::posix
