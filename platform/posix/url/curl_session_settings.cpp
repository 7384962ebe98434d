#include "url/curl_session_settings.h"

#include <cstdlib>

#include "pixoria/product.h"

namespace pixoria::platform::posix {
namespace {

// Only the web goes to the network: no file://, ftp:// or the like, not even by a redirect.
constexpr const char* kAllowedProtocols = "http,https";

bool setAll(CURL* handle, const std::string& encodedUrl, const UrlLimits& limits,
            const std::string& agent) {
  bool ok = curl_easy_setopt(handle, CURLOPT_URL, encodedUrl.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, kAllowedProtocols) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_MAXREDIRS, limits.maxRedirects) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
  ok = ok &&
       curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds) == CURLE_OK;
  ok = ok &&
       curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.stallBytesPerSecond) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds) == CURLE_OK;
  // Status 400 and above ends the transfer before any of the error page is delivered.
  ok = ok && curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L) == CURLE_OK;
  // The agent has one thread and its own signal handling; libcurl must not touch signals.
  ok = ok && curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK;
  // An empty string offers every encoding this libcurl can decode (gzip and deflate at least).
  ok = ok && curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK;
  // Debian's libcurl ignores SSL_CERT_FILE, so a private CA (a company proxy, a test server) is
  // named through our own variable.
  const char* caBundle = std::getenv("PIXORIA_CA_BUNDLE");
  if (caBundle != nullptr && *caBundle != '\0') {
    ok = ok && curl_easy_setopt(handle, CURLOPT_CAINFO, caBundle) == CURLE_OK;
  }
  return ok;
}

}  // namespace

bool ensureCurlInitialized() {
  // A function-local static is initialised once even if two threads race to it.
  static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return initialized;
}

bool applySessionSettings(CURL* handle, const std::string& encodedUrl, const UrlLimits& limits) {
  // The one User-Agent of both programs. libcurl copies string options, so a temporary is fine.
  return setAll(handle, encodedUrl, limits, pixoria::userAgent());
}

}  // namespace pixoria::platform::posix
