#include "url/body_transfer.h"

#include <curl/curl.h>

#include <memory>
#include <new>
#include <string>

#include "url/curl_result.h"
#include "url/curl_session_settings.h"
#include "url/default_route.h"
#include "url/transfer_error.h"
#include "url/url_encoding.h"
#include "url/url_limits.h"

namespace pixoria::platform::posix {
namespace {

struct EasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleDeleter>;

// What the write callback needs, and what it found out.
struct TransferState {
  CURL* handle = nullptr;
  BodySink* sink = nullptr;
  std::uint64_t bodyCap = 0;
  std::uint64_t received = 0;
  HResult stoppedWith = kOk;  // why the callback stopped the transfer, if it did
  bool overCap = false;       // whether that was the body cap
};

std::int64_t declaredLength(CURL* handle) {
  curl_off_t length = -1;
  if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
    return -1;
  }
  return length;
}

// libcurl does not stop a body of unknown length at any size, so the cap is enforced here, as
// each piece arrives (and at once when the announced length is already too large).
std::size_t writeBody(char* data, std::size_t, std::size_t size, void* userData) {
  auto& state = *static_cast<TransferState*>(userData);
  const std::int64_t length = declaredLength(state.handle);
  const bool announcedTooLarge = length > 0 && static_cast<std::uint64_t>(length) > state.bodyCap;
  if (announcedTooLarge || size > state.bodyCap - state.received) {
    state.stoppedWith = kDownloadFailure;
    state.overCap = true;
    return CURL_WRITEFUNC_ERROR;
  }
  state.received += size;
  HResult taken = kFail;
  try {
    taken = state.sink->take(data, size, length);
  } catch (...) {
    // Nothing may unwind through libcurl's C frames.
  }
  if (failed(taken)) {
    state.stoppedWith = taken;
    return CURL_WRITEFUNC_ERROR;
  }
  return size;
}

HResult perform(const std::string& encodedUrl, long deadlineSeconds, TransferState& state) {
  if (!ensureCurlInitialized()) {
    return kFail;
  }
  EasyHandle handle(curl_easy_init());
  if (!handle) {
    return kFail;
  }
  state.handle = handle.get();
  // The stall timeout alone lets a server that trickles just above it hold the caller for hours.
  if (!applySessionSettings(handle.get(), encodedUrl, urlLimits()) ||
      curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, deadlineSeconds) != CURLE_OK ||
      curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &writeBody) != CURLE_OK ||
      curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &state) != CURLE_OK) {
    return kFail;
  }
  TransferOutcome outcome;
  outcome.code = curl_easy_perform(handle.get());
  curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &outcome.httpStatus);
  curl_easy_getinfo(handle.get(), CURLINFO_OS_ERRNO, &outcome.osErrno);
  outcome.overBodyCap = state.overCap;
  outcome.stoppedByCaller = failed(state.stoppedWith) && !state.overCap;
  if (outcome.code == CURLE_COULDNT_RESOLVE_HOST || outcome.code == CURLE_COULDNT_RESOLVE_PROXY) {
    outcome.hasDefaultRoute = hasDefaultRoute();
  }
  recordTransferError(classifyTransfer(outcome));
  if (failed(state.stoppedWith)) {
    return state.stoppedWith;
  }
  return resultOfTransfer(outcome.code, outcome.httpStatus);
}

}  // namespace

HResult transferBody(std::string_view url, TransferBounds bounds, BodySink& sink) {
  // Whatever fails before libcurl reports keeps this reason; perform() replaces it.
  recordTransferError({TransferFailure::other, 0});
  if (url.empty()) {
    return kInvalidArg;
  }
  try {
    TransferState state;
    state.sink = &sink;
    state.bodyCap = bounds.bodyCap;
    return perform(percentEncodeUnsafeBytes(url), bounds.deadlineSeconds, state);
  } catch (const std::bad_alloc&) {
    recordTransferError({TransferFailure::other, 0});
    return kFail;
  }
}

}  // namespace pixoria::platform::posix
