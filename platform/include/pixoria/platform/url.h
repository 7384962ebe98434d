// The network, after urlmon: a blocking stream on an address, and a download to a file that
// reports its progress to a binding-status callback.
//
// Only http and https are fetched (redirects included). Every call has a connect timeout, a stall
// timeout, an overall deadline and a body size cap, so it always returns.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pixoria/platform/results.h"

namespace pixoria::platform {

// BINDSTATUS values the programs look at.
inline constexpr std::uint32_t kBindStatusBeginDownloadData = 4;
inline constexpr std::uint32_t kBindStatusDownloadingData = 5;
inline constexpr std::uint32_t kBindStatusEndDownloadData = 6;

// The longest a whole transfer may take, however steadily the server trickles: a feed opened as a
// stream, and an image downloaded to a file. A file the programs are still downloading is never
// older than the image deadline, so a temporary file that is older was left behind.
inline constexpr std::uint32_t kFeedDeadlineSeconds = 60;
inline constexpr std::uint32_t kImageDeadlineSeconds = 10 * 60;

// IStream, reading only.
class Stream {
 public:
  virtual ~Stream() = default;
  // Places up to `size` bytes into `buffer` and reports how many in `bytesRead`; 0 at the end.
  virtual HResult read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) = 0;
};

// IBindStatusCallback, the operation a download reports through.
class BindStatusCallback {
 public:
  virtual HResult onProgress(std::uint32_t progress, std::uint32_t progressMax,
                             std::uint32_t statusCode, std::string_view statusText) = 0;

 protected:
  ~BindStatusCallback() = default;
};

// URLOpenBlockingStreamW: blocks until the response body can be read.
HResult urlOpenBlockingStream(std::string_view url, std::unique_ptr<Stream>& stream);

// URLDownloadToFileW: blocks until the body is in the file; kOk only when all of it is. The file
// is written beside the target and renamed over it on success, so a failure leaves it whole.
HResult urlDownloadToFile(std::string_view url, std::string_view filePath,
                          BindStatusCallback* callback);

// Why the last failed urlOpenBlockingStream or urlDownloadToFile of this thread failed, in the
// kinds a user can act on (GetLastError's role for the network). A call that succeeds leaves
// kind none. A stream that fails while it is read reports through the same record.
enum class TransferFailure {
  none,
  noNetwork,          // no route to the host: the machine is offline
  hostNotFound,       // the name could not be resolved
  connectionRefused,  // the host answered, nothing listens
  timedOut,           // connecting, a stall, or the overall deadline
  httpStatus,         // the server answered with a status of 400 or more (in httpStatus)
  tooLarge,           // the body passed its size cap
  other,              // anything else (TLS, a cut-off body, a bad address, a disk error)
};

struct TransferError {
  TransferFailure kind = TransferFailure::none;
  std::uint32_t httpStatus = 0;  // for kind httpStatus
};

TransferError lastTransferError();

}  // namespace pixoria::platform
