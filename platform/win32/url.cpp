// The network on urlmon: blocking streams and downloads to a file.
#include "pixoria/platform/url.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <urlmon.h>

#include <exception>
#include <memory>
#include <string>

#include "bind_status_adapter.h"
#include "pixoria/platform/files.h"
#include "stall_watchdog.h"
#include "transfer_error.h"
#include "url/url_encoding.h"
#include "url_limits.h"
#include "user_agent.h"
#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toWide;

void recordFailure(TransferFailure kind, std::uint32_t httpStatus = 0) {
  win32::recordTransferError({kind, httpStatus});
}

bool isHttpAddress(std::string_view url) {
  return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

// Addresses cut out of feeds may carry spaces or UTF-8: encoded as on Linux, then widened.
std::wstring toNetworkAddress(std::string_view url) {
  return toWide(posix::percentEncodeUnsafeBytes(url));
}

// HTTP answers an error with a page that urlmon happily delivers; the page is not the file.
bool isErrorStatus(DWORD httpStatus) {
  return httpStatus >= 400;
}

// Owns the IStream and reads it to its end, to the cap or to the feed deadline.
class ComStream final : public Stream {
 public:
  ComStream(IStream* stream, ULONGLONG openedAt, std::string_view url)
      : stream_(stream), openedAt_(openedAt), url_(url) {}
  ~ComStream() override { stream_->Release(); }
  ComStream(const ComStream&) = delete;
  ComStream& operator=(const ComStream&) = delete;

  HResult read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) override {
    bytesRead = 0;
    // A feed is small; a longer body is cut off rather than read into memory.
    const std::uint64_t left = win32::kStreamBodyCap - total_;
    const ULONG wanted = static_cast<ULONG>(left < size ? left : size);
    if (wanted == 0) {
      return S_FALSE;
    }
    // No callback can abort a stream (see openStream), so a body that a server trickles past the
    // feed deadline is refused here, between reads.
    if (GetTickCount64() - openedAt_ > win32::feedDeadlineMs()) {
      recordFailure(TransferFailure::timedOut);
      return INET_E_DOWNLOAD_FAILURE;
    }
    ULONG read = 0;
    const HRESULT result = stream_->Read(buffer, wanted, &read);
    if (FAILED(result)) {
      recordFailure(win32::failureOf(result, url_));
    }
    bytesRead = read;
    total_ += read;
    return result;
  }

 private:
  IStream* stream_;
  const ULONGLONG openedAt_;
  const std::string url_;
  std::uint64_t total_ = 0;
};

// No callback: urlmon declines to open a stream for one that answers E_NOTIMPL, and goes on
// calling it while the stream is read. A stall is bounded by wininet's own timeouts here.
HResult openStream(std::string_view url, std::unique_ptr<Stream>& stream) {
  const ULONGLONG openedAt = GetTickCount64();
  IStream* opened = nullptr;
  const HRESULT result =
      URLOpenBlockingStreamW(nullptr, toNetworkAddress(url).c_str(), &opened, 0, nullptr);
  if (FAILED(result) || opened == nullptr) {
    recordFailure(FAILED(result) ? win32::failureOf(result, url) : TransferFailure::other);
    return FAILED(result) ? result : E_POINTER;
  }
  stream = std::make_unique<ComStream>(opened, openedAt, url);
  return S_OK;
}

// Why a download failed, from what its adapter and watchdog saw first and urlmon's result last:
// an abort (E_ABORT) is the watchdog's or the body cap's.
TransferError downloadFailure(HRESULT result, const win32::BindStatusAdapter& adapter,
                              bool watchdogFired, std::string_view url) {
  if (watchdogFired) {
    return {TransferFailure::timedOut};
  }
  if (adapter.capExceeded()) {
    return {TransferFailure::tooLarge};
  }
  if (isErrorStatus(adapter.httpStatus())) {
    return {TransferFailure::httpStatus, adapter.httpStatus()};
  }
  if (result == S_OK || adapter.bodyCutShort() || adapter.httpStatus() != 0) {
    return {TransferFailure::other};  // an answer came: the connection was not the trouble
  }
  return {win32::failureOf(result, url)};
}

HResult downloadToFile(std::string_view url, std::string_view filePath,
                       BindStatusCallback* callback) {
  HRESULT result = S_OK;
  const bool replaced = replaceFileFrom(std::string(filePath), [&](const std::string& temporary) {
    win32::BindStatusAdapter adapter(callback, win32::kDownloadBodyCap);
    bool watchdogFired = false;
    {
      win32::StallWatchdog watchdog(adapter.tracker(), win32::stallTimeoutMs(),
                                    win32::imageDeadlineMs());
      result = URLDownloadToFileW(nullptr, toNetworkAddress(url).c_str(), toWide(temporary).c_str(),
                                  0, &adapter);
      watchdogFired = watchdog.fired();
    }
    const bool failed =
        result != S_OK || isErrorStatus(adapter.httpStatus()) || adapter.bodyCutShort();
    if (failed) {
      win32::recordTransferError(downloadFailure(result, adapter, watchdogFired, url));
      result = result != S_OK ? result : INET_E_DOWNLOAD_FAILURE;
    }
    return result == S_OK;
  });
  if (result != S_OK) {
    return result;
  }
  if (!replaced) {
    recordFailure(TransferFailure::other);
    return E_FAIL;
  }
  return S_OK;
}

// The session's settings, once per process, before the first request.
void applySessionSettings() {
  win32::applyUrlTimeouts();
  win32::applyUserAgent();
}

}  // namespace

HResult urlOpenBlockingStream(std::string_view url, std::unique_ptr<Stream>& stream) {
  recordFailure(TransferFailure::none);
  if (!isHttpAddress(url)) {
    recordFailure(TransferFailure::other);
    return E_INVALIDARG;
  }
  applySessionSettings();
  try {
    return openStream(url, stream);
  } catch (const std::exception&) {  // no memory or no thread for the watchdog
    recordFailure(TransferFailure::other);
    return E_OUTOFMEMORY;
  }
}

HResult urlDownloadToFile(std::string_view url, std::string_view filePath,
                          BindStatusCallback* callback) {
  recordFailure(TransferFailure::none);
  if (!isHttpAddress(url)) {
    recordFailure(TransferFailure::other);
    return E_INVALIDARG;
  }
  applySessionSettings();
  try {
    return downloadToFile(url, filePath, callback);
  } catch (const std::exception&) {
    recordFailure(TransferFailure::other);
    return E_OUTOFMEMORY;
  }
}

}  // namespace pixoria::platform
