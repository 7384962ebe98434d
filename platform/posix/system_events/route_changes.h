// What the kernel's routing netlink reports, read for one question: may the network have come
// back?
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixoria::platform::posix {

// True when the datagram (a sequence of netlink messages, as the kernel sends them to a
// NETLINK_ROUTE socket) holds an address being added (RTM_NEWADDR), a link that is up
// (RTM_NEWLINK with IFF_UP) or a default route (RTM_NEWROUTE with a destination length of 0).
// Removals, other messages and anything malformed or cut short are ignored: parsing stops at the
// first message whose length does not fit.
bool announcesNetworkReturn(const std::uint8_t* data, std::size_t size);

}  // namespace pixoria::platform::posix
