#include "url/curl_result.h"

namespace pixoria::platform::posix {

HResult resultOfTransfer(CURLcode code, long httpStatus) {
  switch (code) {
    case CURLE_OK:
      // A 3xx that was not followed (no Location) or a 1xx carries no body worth having.
      return httpStatus >= 200 && httpStatus < 300 ? kOk : kDownloadFailure;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      return kResourceNotFound;
    case CURLE_URL_MALFORMAT:
      return kInvalidArg;
    default:
      return kDownloadFailure;
  }
}

}  // namespace pixoria::platform::posix
