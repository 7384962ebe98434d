// The socket operations behind a window: bind, probe for a listener, send and receive one message
// record. Every socket is non-blocking and close-on-exec.
#pragma once

#include <string>

#include "windows/message_record.h"

namespace pixoria::platform::posix {

// A datagram socket bound at `path` that receives its senders' credentials; -1 on failure.
int bindWindowSocket(const std::string& path);

// An unbound datagram socket to send from; -1 on failure.
int openSenderSocket();

enum class SocketProbe { live, stale, absent, failed };

// Whether a window listens at `path`. connect() on a datagram socket succeeds only when a socket
// is bound there and delivers nothing, so the listener never notices the probe.
SocketProbe probeWindowSocket(const std::string& path);

// Sends one record from `fd` to `path` without blocking. False when nobody listens there or its
// queue is full.
bool sendMessageRecord(int fd, const std::string& path, const MessageRecord& record);

enum class ReceiveResult {
  message,  // `record` holds a message from this user
  dropped,  // a datagram was read and thrown away (wrong size, another user, no credentials)
  empty,    // nothing queued
  failed,
};

ReceiveResult receiveMessageRecord(int fd, MessageRecord& record);

}  // namespace pixoria::platform::posix
