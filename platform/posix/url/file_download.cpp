// urlDownloadToFile: the body goes into a partial file beside the target, progress goes to the
// caller's binding-status callback, and the target is replaced only by a complete body.
#include <algorithm>
#include <chrono>
#include <limits>
#include <new>
#include <string>

#include "pixoria/platform/url.h"
#include "url/body_transfer.h"
#include "url/partial_file.h"
#include "url/transfer_error.h"
#include "url/url_limits.h"

namespace pixoria::platform::posix {
namespace {

// Progress is for a person watching (a status line), so a few reports a second are plenty.
constexpr std::chrono::milliseconds kProgressInterval{250};

std::uint32_t clampToStatusRange(std::uint64_t value) {
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

class FileSink final : public BodySink {
 public:
  FileSink(PartialFile& file, BindStatusCallback* callback) : file_(file), callback_(callback) {}

  HResult take(const char* data, std::size_t size, std::int64_t declaredLength) override {
    const HResult written = file_.append(data, size);
    if (failed(written)) {
      return written;
    }
    const bool first = received_ == 0;
    received_ += size;
    // A body decoded from gzip can outgrow its announced length; then the total is unknown.
    expected_ = declaredLength > 0 && received_ <= static_cast<std::uint64_t>(declaredLength)
                    ? static_cast<std::uint64_t>(declaredLength)
                    : 0;
    if (first && failed(report(kBindStatusBeginDownloadData))) {
      return kAbort;
    }
    return reportDownloading(first);
  }

  // The end of a complete body, once the file is in place.
  void reportEnd() {
    expected_ = received_;
    report(kBindStatusEndDownloadData);
  }

 private:
  HResult reportDownloading(bool first) {
    const auto now = std::chrono::steady_clock::now();
    if (!first && now - lastReport_ < kProgressInterval) {
      return kOk;
    }
    lastReport_ = now;
    // As with urlmon, a callback that answers with a failure cancels the download.
    return failed(report(kBindStatusDownloadingData)) ? kAbort : kOk;
  }

  HResult report(std::uint32_t status) {
    if (callback_ == nullptr) {
      return kOk;
    }
    return callback_->onProgress(clampToStatusRange(received_), clampToStatusRange(expected_),
                                 status, {});
  }

  PartialFile& file_;
  BindStatusCallback* callback_;
  std::uint64_t received_ = 0;
  std::uint64_t expected_ = 0;
  std::chrono::steady_clock::time_point lastReport_;
};

HResult download(std::string_view url, const std::string& filePath, BindStatusCallback* callback) {
  PartialFile file(filePath);
  if (failed(file.created())) {
    recordTransferError({TransferFailure::other, 0});
    return file.created();
  }
  FileSink sink(file, callback);
  const HResult transferred =
      transferBody(url, {urlLimits().downloadBodyCap, urlLimits().downloadDeadlineSeconds}, sink);
  if (failed(transferred)) {
    return transferred;
  }
  const HResult committed = file.commit();
  if (failed(committed)) {
    recordTransferError({TransferFailure::other, 0});
    return committed;
  }
  sink.reportEnd();
  return kOk;
}

}  // namespace
}  // namespace pixoria::platform::posix

namespace pixoria::platform {

HResult urlDownloadToFile(std::string_view url, std::string_view filePath,
                          BindStatusCallback* callback) {
  if (url.empty() || filePath.empty() || filePath.find('\0') != std::string_view::npos) {
    posix::recordTransferError({TransferFailure::other, 0});
    return kInvalidArg;
  }
  try {
    return posix::download(url, std::string(filePath), callback);
  } catch (const std::bad_alloc&) {
    posix::recordTransferError({TransferFailure::other, 0});
    return kFail;
  }
}

}  // namespace pixoria::platform
