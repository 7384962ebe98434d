// One GET with the house settings, its body handed piece by piece to a sink, within a size cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pixoria/platform/results.h"

namespace pixoria::platform::posix {

// Where a body goes as it arrives.
class BodySink {
 public:
  // Takes the next piece of the body. `declaredLength` is the length the server announced, or -1.
  // A failure result stops the transfer, and becomes its result.
  virtual HResult take(const char* data, std::size_t size, std::int64_t declaredLength) = 0;

 protected:
  ~BodySink() = default;
};

// How much a transfer may bring, and for how long it may run (connecting included).
struct TransferBounds {
  std::uint64_t bodyCap = 0;
  long deadlineSeconds = 0;
};

// Fetches `url` (UTF-8 bytes from anywhere; unsafe bytes are percent-encoded here). kOk only when
// the whole body of a successful response went to the sink within the bounds. A transfer that
// outlives its deadline fails with kDownloadFailure. An empty address fails at once with
// kInvalidArg, without a request. Records why it failed (or that it did not) for
// lastTransferError(). Never throws.
HResult transferBody(std::string_view url, TransferBounds bounds, BodySink& sink);

}  // namespace pixoria::platform::posix
