// The routing netlink reader on datagrams built here: which messages announce a return, and that
// lengths that lie are never followed past the datagram.
#include "system_events/route_changes.h"

#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace pixoria::platform::posix {
namespace {

// One netlink message: the header (with `length` as its nlmsg_len, or the true length when
// negative) and `body`, padded to the alignment.
template <typename Body>
std::vector<std::uint8_t> message(std::uint16_t type, const Body& body, long long length = -1) {
  nlmsghdr header{};
  header.nlmsg_type = type;
  header.nlmsg_len = length >= 0 ? static_cast<std::uint32_t>(length) : NLMSG_LENGTH(sizeof(Body));
  std::vector<std::uint8_t> bytes(NLMSG_SPACE(sizeof(Body)), 0);
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + NLMSG_HDRLEN, &body, sizeof body);
  return bytes;
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

ifinfomsg link(unsigned flags) {
  ifinfomsg body{};
  body.ifi_flags = flags;
  return body;
}

rtmsg route(unsigned char destinationLength, unsigned char type = RTN_UNICAST) {
  rtmsg body{};
  body.rtm_dst_len = destinationLength;
  body.rtm_type = type;
  return body;
}

TEST(RouteChangesTest, AnnouncesAddressesLinksUpAndDefaultRoutesOnly) {
  const ifaddrmsg address{};
  struct Case {
    const char* what;
    std::vector<std::uint8_t> datagram;
    bool announces;
  };
  const std::vector<Case> cases = {
      {"an address added", message(RTM_NEWADDR, address), true},
      {"an address removed", message(RTM_DELADDR, address), false},
      {"a link that is up", message(RTM_NEWLINK, link(IFF_UP | IFF_RUNNING)), true},
      {"a link that is down", message(RTM_NEWLINK, link(IFF_BROADCAST)), false},
      {"a default route", message(RTM_NEWROUTE, route(0)), true},
      {"a route to one network", message(RTM_NEWROUTE, route(24)), false},
      {"an unreachable default", message(RTM_NEWROUTE, route(0, RTN_UNREACHABLE)), false},
      {"a default route removed", message(RTM_DELROUTE, route(0)), false},
      {"the second of two messages",
       joined({message(RTM_DELADDR, address), message(RTM_NEWROUTE, route(0))}), true},
      {"a header too short for its type", message(RTM_NEWADDR, address, NLMSG_HDRLEN), false},
      {"a length past the datagram", message(RTM_NEWADDR, address, 4096), false},
      {"the largest length, then a good message",
       joined({message(RTM_DELADDR, address, 0xFFFFFFFF), message(RTM_NEWADDR, address)}), false},
      {"a length of zero, then a good message",
       joined({message(RTM_DELADDR, address, 0), message(RTM_NEWADDR, address)}), false},
      {"a length below the header, then a good message",
       joined({message(RTM_DELADDR, address, 4), message(RTM_NEWADDR, address)}), false},
      {"a datagram shorter than a header", std::vector<std::uint8_t>(8, 0xFF), false},
      {"nothing", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Copied to a buffer of exactly its size, so a read past the end shows under the sanitizer.
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.datagram.size()]);
    std::copy(c.datagram.begin(), c.datagram.end(), exact.get());
    EXPECT_EQ(announcesNetworkReturn(exact.get(), c.datagram.size()), c.announces);
  }
}

}  // namespace
}  // namespace pixoria::platform::posix
