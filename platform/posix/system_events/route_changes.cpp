#include "system_events/route_changes.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>

#include <cstring>

namespace pixoria::platform::posix {
namespace {

// The fixed header after the netlink header, copied out (the buffer's alignment is not the
// struct's); false when the message is too short to hold it.
template <typename Header>
bool readHeader(const std::uint8_t* message, std::size_t length, Header& header) {
  if (length < NLMSG_HDRLEN + sizeof(Header)) {
    return false;
  }
  std::memcpy(&header, message + NLMSG_HDRLEN, sizeof(Header));
  return true;
}

bool announcesReturn(std::uint16_t type, const std::uint8_t* message, std::size_t length) {
  switch (type) {
    case RTM_NEWADDR: {
      ifaddrmsg address{};
      return readHeader(message, length, address);
    }
    case RTM_NEWLINK: {
      ifinfomsg link{};
      return readHeader(message, length, link) && (link.ifi_flags & IFF_UP) != 0;
    }
    case RTM_NEWROUTE: {
      rtmsg route{};
      return readHeader(message, length, route) && route.rtm_dst_len == 0 &&
             route.rtm_type == RTN_UNICAST;
    }
    default:
      return false;
  }
}

}  // namespace

bool announcesNetworkReturn(const std::uint8_t* data, std::size_t size) {
  std::size_t offset = 0;
  bool announced = false;
  while (size - offset >= sizeof(nlmsghdr)) {
    nlmsghdr header{};
    std::memcpy(&header, data + offset, sizeof header);
    const std::size_t length = header.nlmsg_len;
    if (length < sizeof(nlmsghdr) || length > size - offset) {
      break;
    }
    announced = announced || announcesReturn(header.nlmsg_type, data + offset, length);
    // The next message starts at the aligned length; the last one need not be padded.
    const std::size_t aligned = NLMSG_ALIGN(length);
    if (aligned >= size - offset) {
      break;
    }
    offset += aligned;
  }
  return announced;
}

}  // namespace pixoria::platform::posix
