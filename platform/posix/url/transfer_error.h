// The record behind lastTransferError(): why this thread's last network call failed, in the
// kinds a user can act on, worked out from what libcurl reports.
#pragma once

#include <curl/curl.h>

#include "pixoria/platform/url.h"

namespace pixoria::platform::posix {

// What a finished transfer left behind, as far as the reason of a failure goes.
struct TransferOutcome {
  CURLcode code = CURLE_OK;
  long httpStatus = 0;
  long osErrno = 0;          // CURLINFO_OS_ERRNO: the connect() error behind CURLE_COULDNT_CONNECT
  bool overBodyCap = false;  // the body passed its cap (the write callback stopped it)
  bool stoppedByCaller = false;  // the sink refused the body (a disk error, a cancelled download)
  // Whether the machine had a default route when a name could not be resolved: an offline
  // machine fails every lookup, and that is no news about the name.
  bool hasDefaultRoute = true;
};

// The kind of failure; kind none for a complete 2xx response.
TransferError classifyTransfer(const TransferOutcome& outcome);

// Sets the thread's record; a success records kind none.
void recordTransferError(const TransferError& error);

}  // namespace pixoria::platform::posix
