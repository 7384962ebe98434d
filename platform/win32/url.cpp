// The network on urlmon: blocking streams and downloads to a file.
#include "pixoria/platform/url.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <urlmon.h>

#include <exception>
#include <memory>

#include "bind_status_adapter.h"
#include "replace_file.h"
#include "stall_watchdog.h"
#include "url/url_encoding.h"
#include "url_limits.h"
#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toWide;

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
  ComStream(IStream* stream, ULONGLONG openedAt) : stream_(stream), openedAt_(openedAt) {}
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
      return INET_E_DOWNLOAD_FAILURE;
    }
    ULONG read = 0;
    const HRESULT result = stream_->Read(buffer, wanted, &read);
    bytesRead = read;
    total_ += read;
    return result;
  }

 private:
  IStream* stream_;
  const ULONGLONG openedAt_;
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
    return FAILED(result) ? result : E_POINTER;
  }
  stream = std::make_unique<ComStream>(opened, openedAt);
  return S_OK;
}

HResult downloadToFile(std::string_view url, std::string_view filePath,
                       BindStatusCallback* callback) {
  const std::wstring destination = toWide(filePath);
  const std::wstring temporary = win32::temporaryPathBeside(destination);
  HRESULT result = S_OK;
  {
    win32::BindStatusAdapter adapter(callback, win32::kDownloadBodyCap);
    {
      win32::StallWatchdog watchdog(adapter.tracker(), win32::stallTimeoutMs(),
                                    win32::imageDeadlineMs());
      result = URLDownloadToFileW(nullptr, toNetworkAddress(url).c_str(), temporary.c_str(), 0,
                                  &adapter);
    }
    if (result == S_OK && (isErrorStatus(adapter.httpStatus()) || adapter.bodyCutShort())) {
      result = INET_E_DOWNLOAD_FAILURE;
    }
  }
  if (result != S_OK) {
    DeleteFileW(temporary.c_str());
    return result;
  }
  return win32::replaceWith(temporary, destination) ? S_OK : E_FAIL;
}

}  // namespace

HResult urlOpenBlockingStream(std::string_view url, std::unique_ptr<Stream>& stream) {
  if (!isHttpAddress(url)) {
    return E_INVALIDARG;
  }
  win32::applyUrlTimeouts();
  try {
    return openStream(url, stream);
  } catch (const std::exception&) {  // no memory or no thread for the watchdog
    return E_OUTOFMEMORY;
  }
}

HResult urlDownloadToFile(std::string_view url, std::string_view filePath,
                          BindStatusCallback* callback) {
  if (!isHttpAddress(url)) {
    return E_INVALIDARG;
  }
  win32::applyUrlTimeouts();
  try {
    return downloadToFile(url, filePath, callback);
  } catch (const std::exception&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace pixoria::platform
