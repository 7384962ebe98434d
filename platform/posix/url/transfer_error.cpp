#include "url/transfer_error.h"

#include <cerrno>

namespace pixoria::platform::posix {
namespace {

// Each thread runs its own blocking transfers, so each keeps its own reason, as GetLastError does.
thread_local TransferError lastError;

TransferError kindOnly(TransferFailure kind) {
  return {kind, 0};
}

// CURLE_COULDNT_CONNECT covers every failed connect(); the system's error tells an offline
// machine (no route) from a host where nothing listens.
TransferError connectFailure(long osErrno) {
  switch (osErrno) {
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
      return kindOnly(TransferFailure::noNetwork);
    case ECONNREFUSED:
      return kindOnly(TransferFailure::connectionRefused);
    case ETIMEDOUT:
      return kindOnly(TransferFailure::timedOut);
    default:
      return kindOnly(TransferFailure::other);
  }
}

}  // namespace

TransferError classifyTransfer(const TransferOutcome& outcome) {
  if (outcome.overBodyCap) {
    return kindOnly(TransferFailure::tooLarge);
  }
  if (outcome.stoppedByCaller) {
    return kindOnly(TransferFailure::other);
  }
  switch (outcome.code) {
    case CURLE_OK:
      // A 3xx that was not followed (no Location) or a 1xx carries no body worth having.
      return outcome.httpStatus >= 200 && outcome.httpStatus < 300
                 ? kindOnly(TransferFailure::none)
                 : kindOnly(TransferFailure::other);
    case CURLE_HTTP_RETURNED_ERROR:
      return {TransferFailure::httpStatus, static_cast<std::uint32_t>(outcome.httpStatus)};
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kindOnly(outcome.hasDefaultRoute ? TransferFailure::hostNotFound
                                              : TransferFailure::noNetwork);
    case CURLE_COULDNT_CONNECT:
      return connectFailure(outcome.osErrno);
    case CURLE_OPERATION_TIMEDOUT:
      // Connecting too long, a stall below the speed limit, or the overall deadline.
      return kindOnly(TransferFailure::timedOut);
    default:
      return kindOnly(TransferFailure::other);
  }
}

void recordTransferError(const TransferError& error) {
  lastError = error;
}

}  // namespace pixoria::platform::posix

namespace pixoria::platform {

TransferError lastTransferError() {
  return posix::lastError;
}

}  // namespace pixoria::platform
