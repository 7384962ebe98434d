// Control of the fake network: scripted responses per address and a log of what was asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixoria/platform/results.h"

namespace pixoria::fake {

// A blocking stream: the open's result and the chunks its reads hand out, one read per chunk,
// exactly as scripted (a chunk larger than the caller's buffer is handed out over several reads).
struct ScriptedStream {
  platform::HResult openResult = platform::kOk;
  std::vector<std::string> chunks;
};

struct ScriptedProgress {
  std::uint32_t progress = 0;
  std::uint32_t progressMax = 0;
  std::uint32_t statusCode = 0;
};

// A file download: the progress reports made, in order, and the result. With kOk the body
// replaces the target file (atomically, through the real file system) before the first report of
// status 6, as with the real service; with a failure the target is left as it was.
struct ScriptedDownload {
  std::string body;
  std::vector<ScriptedProgress> reports;
  platform::HResult result = platform::kOk;
};

// A later script for the same address replaces the earlier one. Scripts stay until urlReset().
void scriptStream(const std::string& url, ScriptedStream stream);
void scriptDownload(const std::string& url, ScriptedDownload download);

// Every address asked for (streams and downloads), in order. An address without a script fails
// with kResourceNotFound; an empty one fails with kInvalidArg and is not logged.
const std::vector<std::string>& urlRequests();

void urlReset();

}  // namespace pixoria::fake
