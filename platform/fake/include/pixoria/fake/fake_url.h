// Control of the fake network: scripted responses per address and a log of what was asked for.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pixoria/platform/results.h"
#include "pixoria/platform/url.h"

namespace pixoria::fake {

// A blocking stream: the open's result and the chunks its reads hand out, one read per chunk,
// exactly as scripted (a chunk larger than the caller's buffer is handed out over several reads).
// A failed open reports `error` through lastTransferError(), or kind other when none is given.
struct ScriptedStream {
  ScriptedStream() = default;
  ScriptedStream(platform::HResult openResult, std::vector<std::string> chunks,
                 platform::TransferError error = {})
      : openResult(openResult), chunks(std::move(chunks)), error(error) {}

  platform::HResult openResult = platform::kOk;
  std::vector<std::string> chunks;
  platform::TransferError error;
};

struct ScriptedProgress {
  std::uint32_t progress = 0;
  std::uint32_t progressMax = 0;
  std::uint32_t statusCode = 0;
};

// A file download: the progress reports made, in order, and the result. With kOk the body
// replaces the target file (atomically, through the real file system) before the first report of
// status 6, as with the real service; with a failure the target is left as it was, and `error`
// (or kind other when none is given) is what lastTransferError() reports.
struct ScriptedDownload {
  ScriptedDownload() = default;
  ScriptedDownload(std::string body, std::vector<ScriptedProgress> reports,
                   platform::HResult result, platform::TransferError error = {})
      : body(std::move(body)), reports(std::move(reports)), result(result), error(error) {}

  std::string body;
  std::vector<ScriptedProgress> reports;
  platform::HResult result = platform::kOk;
  platform::TransferError error;
};

// A later script for the same address replaces the earlier one. Scripts stay until urlReset().
void scriptStream(const std::string& url, ScriptedStream stream);
void scriptDownload(const std::string& url, ScriptedDownload download);

// Every address asked for (streams and downloads), in order. An address without a script fails
// with kResourceNotFound and reports hostNotFound; an empty one fails with kInvalidArg, reports
// other and is not logged.
const std::vector<std::string>& urlRequests();

void urlReset();

}  // namespace pixoria::fake
