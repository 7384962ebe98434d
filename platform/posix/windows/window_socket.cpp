#include "windows/window_socket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pixoria::platform::posix {
namespace {

bool makeAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) {
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int openDatagramSocket() {
  return socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// Closes descriptors smuggled in with a message; a window never takes any.
void closePassedDescriptors(cmsghdr* header) {
  const std::size_t bytes = header->cmsg_len - CMSG_LEN(0);
  const std::size_t count = bytes / sizeof(int);
  for (std::size_t i = 0; i < count; ++i) {
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
    if (fd >= 0) {
      close(fd);
    }
  }
}

// Walks the control messages; true when they carry credentials of this user.
bool comesFromThisUser(msghdr& message) {
  bool sameUser = false;
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
       header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET) {
      continue;
    }
    if (header->cmsg_type == SCM_RIGHTS) {
      closePassedDescriptors(header);
    } else if (header->cmsg_type == SCM_CREDENTIALS &&
               header->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
      ucred credentials{};
      std::memcpy(&credentials, CMSG_DATA(header), sizeof(credentials));
      sameUser = credentials.uid == getuid();
    }
  }
  return sameUser;
}

}  // namespace

int bindWindowSocket(const std::string& path) {
  sockaddr_un address{};
  if (!makeAddress(path, address)) {
    return -1;
  }
  const int fd = openDatagramSocket();
  if (fd < 0) {
    return -1;
  }
  const int on = 1;
  if (setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof(on)) != 0 ||
      bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int openSenderSocket() {
  return openDatagramSocket();
}

SocketProbe probeWindowSocket(const std::string& path) {
  sockaddr_un address{};
  if (!makeAddress(path, address)) {
    return SocketProbe::failed;
  }
  const int fd = openDatagramSocket();
  if (fd < 0) {
    return SocketProbe::failed;
  }
  const int result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  const int error = errno;
  close(fd);
  if (result == 0) {
    return SocketProbe::live;
  }
  if (error == ECONNREFUSED) {
    return SocketProbe::stale;
  }
  if (error == ENOENT) {
    return SocketProbe::absent;
  }
  return SocketProbe::failed;
}

bool sendMessageRecord(int fd, const std::string& path, const MessageRecord& record) {
  sockaddr_un address{};
  if (!makeAddress(path, address)) {
    return false;
  }
  const MessageBytes bytes = encodeMessage(record);
  ssize_t sent = -1;
  do {
    sent = sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(bytes.size());
}

ReceiveResult receiveMessageRecord(int fd, MessageRecord& record) {
  // One byte more than a record, so that a longer datagram shows as one.
  unsigned char buffer[kMessageRecordSize + 1];
  iovec vector{buffer, sizeof(buffer)};
  alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int))];
  msghdr message{};
  message.msg_iov = &vector;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof(control);
  ssize_t size = -1;
  do {
    size = recvmsg(fd, &message, MSG_DONTWAIT | MSG_TRUNC | MSG_CMSG_CLOEXEC);
  } while (size < 0 && errno == EINTR);
  if (size < 0) {
    return errno == EAGAIN || errno == EWOULDBLOCK ? ReceiveResult::empty : ReceiveResult::failed;
  }
  const bool sameUser = comesFromThisUser(message);
  if (!sameUser || (message.msg_flags & MSG_TRUNC) != 0) {
    return ReceiveResult::dropped;
  }
  return decodeMessage(buffer, static_cast<std::size_t>(size), record) ? ReceiveResult::message
                                                                       : ReceiveResult::dropped;
}

}  // namespace pixoria::platform::posix
