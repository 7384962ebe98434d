// A network that answers from scripts and writes downloads through the real file system.
#include "pixoria/fake/fake_url.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "pixoria/platform/url.h"

namespace pixoria::fake {
namespace {

struct FakeNetwork {
  std::map<std::string, ScriptedStream> streams;
  std::map<std::string, ScriptedDownload> downloads;
  std::vector<std::string> requests;
  platform::TransferError lastError;
};

FakeNetwork& network() {
  static FakeNetwork instance;
  return instance;
}

class ScriptedChunkStream final : public platform::Stream {
 public:
  explicit ScriptedChunkStream(const std::vector<std::string>& chunks)
      : chunks_(chunks.begin(), chunks.end()) {}

  platform::HResult read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) override {
    bytesRead = 0;
    if (chunks_.empty()) {
      return platform::kFalse;
    }
    std::string& chunk = chunks_.front();
    const std::size_t count = std::min<std::size_t>(size, chunk.size());
    std::memcpy(buffer, chunk.data(), count);
    chunk.erase(0, count);
    if (chunk.empty()) {
      chunks_.pop_front();
    }
    bytesRead = static_cast<std::uint32_t>(count);
    return count < size ? platform::kFalse : platform::kOk;
  }

 private:
  std::deque<std::string> chunks_;
};

// Temporary file in the target's folder, then a rename: the target is old or new, never half.
bool replaceFile(const std::string& path, const std::string& body) {
  const std::string partial = path + ".fake-download";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    if (!out.flush()) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) {
    std::filesystem::remove(partial, error);
    return false;
  }
  return true;
}

platform::HResult playDownload(const ScriptedDownload& script, const std::string& path,
                               platform::BindStatusCallback* callback) {
  bool written = false;
  for (const ScriptedProgress& report : script.reports) {
    if (report.statusCode == platform::kBindStatusEndDownloadData && !written &&
        platform::succeeded(script.result)) {
      if (!replaceFile(path, script.body)) {
        return platform::kAccessDenied;
      }
      written = true;
    }
    if (callback != nullptr) {
      callback->onProgress(report.progress, report.progressMax, report.statusCode, {});
    }
  }
  if (!written && platform::succeeded(script.result) && !replaceFile(path, script.body)) {
    return platform::kAccessDenied;
  }
  return script.result;
}

// Records how a call ended, for lastTransferError(): none on success, the scripted reason (or
// other) on failure.
platform::HResult reported(platform::HResult result, platform::TransferError error) {
  if (platform::succeeded(result)) {
    error = {};
  } else if (error.kind == platform::TransferFailure::none) {
    error.kind = platform::TransferFailure::other;
  }
  network().lastError = error;
  return result;
}

constexpr platform::TransferError kUnscripted{platform::TransferFailure::hostNotFound, 0};

}  // namespace

void scriptStream(const std::string& url, ScriptedStream stream) {
  network().streams[url] = std::move(stream);
}

void scriptDownload(const std::string& url, ScriptedDownload download) {
  network().downloads[url] = std::move(download);
}

const std::vector<std::string>& urlRequests() {
  return network().requests;
}

void urlReset() {
  network() = FakeNetwork{};
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::network;

HResult urlOpenBlockingStream(std::string_view url, std::unique_ptr<Stream>& stream) {
  stream.reset();
  if (url.empty()) {
    return fake::reported(kInvalidArg, {});
  }
  const std::string address(url);
  network().requests.push_back(address);
  const auto script = network().streams.find(address);
  if (script == network().streams.end()) {
    return fake::reported(kResourceNotFound, fake::kUnscripted);
  }
  if (failed(script->second.openResult)) {
    return fake::reported(script->second.openResult, script->second.error);
  }
  stream = std::make_unique<fake::ScriptedChunkStream>(script->second.chunks);
  return fake::reported(kOk, {});
}

HResult urlDownloadToFile(std::string_view url, std::string_view filePath,
                          BindStatusCallback* callback) {
  if (url.empty() || filePath.empty()) {
    return fake::reported(kInvalidArg, {});
  }
  const std::string address(url);
  network().requests.push_back(address);
  const auto script = network().downloads.find(address);
  if (script == network().downloads.end()) {
    return fake::reported(kResourceNotFound, fake::kUnscripted);
  }
  const HResult result = fake::playDownload(script->second, std::string(filePath), callback);
  return fake::reported(result, script->second.error);
}

TransferError lastTransferError() {
  return network().lastError;
}

}  // namespace pixoria::platform
