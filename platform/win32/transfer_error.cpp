#include "transfer_error.h"

#include <winsock2.h>
#include <ws2ipdef.h>
// The Windows headers below need the socket headers before them.
#include <iphlpapi.h>
#include <urlmon.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <string>

namespace pixoria::platform::win32 {

namespace {

thread_local TransferError lastError;

bool isLoopbackHost(std::string_view host) {
  return host == "localhost" || host.rfind("127.", 0) == 0 || host == "[::1]";
}

// A machine without a default route reaches only its own networks: for the programs, offline.
bool hasDefaultRoute() {
  PMIB_IPFORWARD_TABLE2 table = nullptr;
  if (GetIpForwardTable2(AF_UNSPEC, &table) != NO_ERROR || table == nullptr) {
    return true;  // unknown: the failure is reported as urlmon named it
  }
  bool found = false;
  for (ULONG i = 0; i < table->NumEntries && !found; ++i) {
    found = table->Table[i].DestinationPrefix.PrefixLength == 0;
  }
  FreeMibTable(table);
  return found;
}

constexpr long kProbeTimeoutSeconds = 3;

std::string portOf(std::string_view url, std::string_view host) {
  const std::size_t scheme = url.find("://");
  std::string_view rest = url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  const std::size_t at = rest.find(host);
  const std::string_view after = rest.substr(at + host.size());
  if (!after.empty() && after.front() == ':') {
    return std::string(after.substr(1));
  }
  return url.rfind("https:", 0) == 0 ? "443" : "80";
}

// How one connection attempt to `address` ends, within the probe's timeout.
TransferFailure connectOnce(const addrinfo& address) {
  const SOCKET probe = socket(address.ai_family, SOCK_STREAM, IPPROTO_TCP);
  if (probe == INVALID_SOCKET) {
    return TransferFailure::other;
  }
  u_long nonBlocking = 1;
  ioctlsocket(probe, FIONBIO, &nonBlocking);
  TransferFailure kind = TransferFailure::other;  // it connects: something else went wrong
  if (connect(probe, address.ai_addr, static_cast<int>(address.ai_addrlen)) == SOCKET_ERROR &&
      WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set written;
    fd_set failed;
    FD_ZERO(&written);
    FD_ZERO(&failed);
    FD_SET(probe, &written);
    FD_SET(probe, &failed);
    timeval timeout{kProbeTimeoutSeconds, 0};
    const int ready = select(0, nullptr, &written, &failed, &timeout);
    int error = 0;
    int size = sizeof error;
    getsockopt(probe, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    if (ready == 0) {
      kind = TransferFailure::timedOut;
    } else if (error == WSAECONNREFUSED) {
      kind = TransferFailure::connectionRefused;
    } else if (error == WSAENETUNREACH || error == WSAEHOSTUNREACH) {
      kind = TransferFailure::noNetwork;
    }
  } else if (WSAGetLastError() == WSAENETUNREACH) {
    kind = TransferFailure::noNetwork;
  }
  closesocket(probe);
  return kind;
}

// urlmon (Wine's in particular) often says no more than INET_E_DOWNLOAD_FAILURE when no answer
// came: one lookup and one connection of our own to the same host tell why.
TransferFailure probe(std::string_view url) {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    return TransferFailure::other;
  }
  const std::string host(hostOf(url));
  const std::string port = portOf(url, host);
  std::string name = host;
  if (name.size() > 2 && name.front() == '[') {
    name = name.substr(1, name.size() - 2);
  }
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  TransferFailure kind = TransferFailure::hostNotFound;
  if (getaddrinfo(name.c_str(), port.c_str(), &hints, &found) == 0 && found != nullptr) {
    kind = connectOnce(*found);
    freeaddrinfo(found);
  }
  WSACleanup();
  return kind;
}

}  // namespace

void recordTransferError(TransferError error) {
  lastError = error;
}

std::string_view hostOf(std::string_view url) {
  const std::size_t scheme = url.find("://");
  std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  rest = rest.substr(rest.find('@') == std::string_view::npos ? 0 : rest.find('@') + 1);
  if (!rest.empty() && rest.front() == '[') {
    return rest.substr(0, rest.find(']') + 1);
  }
  return rest.substr(0, rest.find(':'));
}

TransferFailure failureOf(HResult result, std::string_view url) {
  if (result == INET_E_CONNECTION_TIMEOUT) {
    return TransferFailure::timedOut;
  }
  if (result != INET_E_CANNOT_CONNECT && result != INET_E_RESOURCE_NOT_FOUND &&
      result != INET_E_DOWNLOAD_FAILURE) {
    return TransferFailure::other;
  }
  if (!isLoopbackHost(hostOf(url)) && !hasDefaultRoute()) {
    return TransferFailure::noNetwork;
  }
  return probe(url);
}

}  // namespace pixoria::platform::win32

namespace pixoria::platform {

TransferError lastTransferError() {
  return win32::lastError;
}

}  // namespace pixoria::platform
