// The reason of this thread's last failed transfer (lastTransferError in url.h), and how urlmon's
// results map onto it.
#pragma once

#include <string_view>

#include "pixoria/platform/url.h"

namespace pixoria::platform::win32 {

// Replaces this thread's record: kind none after a success.
void recordTransferError(TransferError error);

// The kind a failed urlmon call's result stands for, when no HTTP answer came. urlmon names an
// unreachable network, a refused connection and an unknown host alike (INET_E_CANNOT_CONNECT or
// INET_E_RESOURCE_NOT_FOUND on Windows, INET_E_DOWNLOAD_FAILURE under Wine): for those the host
// is looked up and connected to once more (at most 3 s), and a machine without a default route is
// offline (noNetwork) unless `url` names a loopback host.
TransferFailure failureOf(HResult result, std::string_view url);

// The host of an http or https address, without its port ("[::1]" keeps its brackets).
std::string_view hostOf(std::string_view url);

}  // namespace pixoria::platform::win32
