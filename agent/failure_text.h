// What the tray says about a failed change, in the words the configuration application uses for
// the same failures.
#pragma once

#include <string>
#include <string_view>

#include "agent/change_result.h"

namespace pixoria {

// The reason of a failed transfer in a few words: "no network", "host not found", "HTTP status
// 503", ...
std::string transferFailureReason(platform::TransferError error);

// One sentence about a failed change at `server` ("Bing", "NASA", "Wikipedia"):
// "Could not reach Bing (no network)." or "Could not use the Bing image (the image could not be
// read)."
std::string changeFailureSentence(std::string_view server, const ChangeResult& result);

}  // namespace pixoria
