#include "system_events/network_watch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <cerrno>

#include "system_events/route_changes.h"

namespace pixoria::platform::posix {
namespace {

// Links, addresses and routes of both address families: what changes when a network comes.
constexpr std::uint32_t kGroups =
    RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;

// The kernel sends notifications of at most a page or two; a longer datagram is cut off (and
// then ignored), never written past the buffer.
constexpr std::size_t kBufferSize = 32 * 1024;

// Datagrams read per wake-up; the loop is level-triggered, so any left over wake it again.
constexpr int kDatagramsPerTurn = 256;

UniqueFd openRouteSocket() {
  UniqueFd socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (!socket.valid()) {
    return socket;
  }
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = kGroups;
  if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    socket.reset();
  }
  return socket;
}

}  // namespace

std::unique_ptr<NetworkWatch> NetworkWatch::start(WindowHandle window, std::uint32_t message) {
  UniqueFd socket = openRouteSocket();
  if (!socket.valid()) {
    return nullptr;
  }
  std::unique_ptr<NetworkWatch> watch(new NetworkWatch(window, message, std::move(socket)));
  watch->watch_ = EventLoop::instance().addWatch(
      watch->socket_.get(), EPOLLIN, [raw = watch.get()](std::uint32_t) { raw->readPending(); });
  if (watch->watch_ == 0) {
    return nullptr;
  }
  return watch;
}

NetworkWatch::NetworkWatch(WindowHandle window, std::uint32_t message, UniqueFd socket)
    : window_(window), message_(message), socket_(std::move(socket)), buffer_(kBufferSize) {}

NetworkWatch::~NetworkWatch() {
  if (watch_ != 0) {
    EventLoop::instance().remove(watch_);
  }
}

// Takes every datagram waiting (up to the turn's bound) and posts once if any of them announces
// a return: one change brings several messages (a link, its addresses, its routes).
void NetworkWatch::readPending() {
  bool announced = false;
  for (int count = 0; count < kDatagramsPerTurn; ++count) {
    sockaddr_nl sender{};
    iovec part{buffer_.data(), buffer_.size()};
    msghdr header{};
    header.msg_name = &sender;
    header.msg_namelen = sizeof sender;
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    const ssize_t received = recvmsg(socket_.get(), &header, MSG_DONTWAIT);
    if (received < 0) {
      if (errno == EINTR) {
        continue;
      }
      // The socket's buffer overflowed and notifications were lost: any of them may have been
      // the one that matters.
      if (errno == ENOBUFS) {
        announced = true;
        continue;
      }
      break;
    }
    // Only the kernel speaks for the network; other processes may send to this socket too.
    const bool fromKernel =
        header.msg_namelen == sizeof sender && sender.nl_family == AF_NETLINK && sender.nl_pid == 0;
    const bool whole = (header.msg_flags & MSG_TRUNC) == 0;
    if (fromKernel && whole &&
        announcesNetworkReturn(buffer_.data(), static_cast<std::size_t>(received))) {
      announced = true;
    }
  }
  if (announced) {
    postMessage(window_, message_, 0, 0);
  }
}

}  // namespace pixoria::platform::posix
