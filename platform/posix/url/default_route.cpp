#include "url/default_route.h"

#include <fstream>
#include <sstream>
#include <string>

namespace pixoria::platform::posix {
namespace {

constexpr unsigned long kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned long kRouteReject = 0x0200;  // RTF_REJECT: the kernel's "unreachable" routes

bool usable(unsigned long flags) {
  return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0;
}

// /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ..., in hex; the first
// line names the columns.
bool hasIpv4Default(std::string_view table) {
  std::istringstream lines{std::string(table)};
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string iface;
    std::string destination;
    std::string gateway;
    std::string flags;
    std::string refCount;
    std::string use;
    std::string metric;
    std::string mask;
    if (fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask &&
        destination == "00000000" && mask == "00000000" && usable(std::stoul(flags, nullptr, 16))) {
      return true;
    }
  }
  return false;
}

// /proc/net/ipv6_route: destination, prefix length, source, prefix length, next hop, metric,
// reference count, use, flags, device; no header.
bool hasIpv6Default(std::string_view table) {
  std::istringstream lines{std::string(table)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string destination;
    std::string prefixLength;
    std::string skipped;
    std::string flags;
    if (!(fields >> destination >> prefixLength)) {
      continue;
    }
    for (int column = 0; column < 6 && fields >> skipped; ++column) {
    }
    if (fields >> flags && prefixLength == "00" &&
        destination.find_first_not_of('0') == std::string::npos &&
        usable(std::stoul(flags, nullptr, 16))) {
      return true;
    }
  }
  return false;
}

std::string fileText(const char* path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

bool hasDefaultRoute(std::string_view ipv4Routes, std::string_view ipv6Routes) {
  try {
    return hasIpv4Default(ipv4Routes) || hasIpv6Default(ipv6Routes);
  } catch (const std::exception&) {
    return true;  // a table it cannot read says nothing: keep the resolver's own answer
  }
}

bool hasDefaultRoute() {
  return hasDefaultRoute(fileText("/proc/net/route"), fileText("/proc/net/ipv6_route"));
}

}  // namespace pixoria::platform::posix
