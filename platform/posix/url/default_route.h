// Whether the machine has a default route: without one, a name that cannot be resolved means the
// machine is offline, not that the name is unknown.
#pragma once

#include <string_view>

namespace pixoria::platform::posix {

// True when the kernel's IPv4 or IPv6 routing table (of this network namespace) holds a usable
// default route.
bool hasDefaultRoute();

// The same test on the text of /proc/net/route and /proc/net/ipv6_route.
bool hasDefaultRoute(std::string_view ipv4Routes, std::string_view ipv6Routes);

}  // namespace pixoria::platform::posix
