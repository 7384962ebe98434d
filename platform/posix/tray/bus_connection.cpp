#include "tray/bus_connection.h"

#include <poll.h>
#include <sys/epoll.h>
#include <time.h>

#include <cerrno>
#include <limits>

namespace pixoria::platform::posix {
namespace {

// The loop timer's id under this connection's owner pointer.
constexpr std::uintptr_t kDeadlineTimer = 1;

// Messages handled per wake-up before the loop gets its turn back; the rest keep the deadline at
// "now", so they are handled on the next turn.
constexpr int kMessagesPerTurn = 64;

constexpr std::uint64_t kBlockingCallTimeoutUs = 3'000'000;

// Bounds the work of closing a broken connection (one step per pending call).
constexpr int kClosingSteps = 4096;

std::uint64_t monotonicNowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

std::uint32_t epollEvents(int pollEvents) {
  std::uint32_t events = 0;
  if (pollEvents & POLLIN) {
    events |= EPOLLIN;
  }
  if (pollEvents & POLLOUT) {
    events |= EPOLLOUT;
  }
  return events;
}

}  // namespace

std::unique_ptr<BusConnection> BusConnection::openSession() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) {
    return nullptr;
  }
  return std::unique_ptr<BusConnection>(new BusConnection(bus));
}

std::unique_ptr<BusConnection> BusConnection::openSystem() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) {
    return nullptr;
  }
  return std::unique_ptr<BusConnection>(new BusConnection(bus));
}

BusConnection::BusConnection(sd_bus* bus) : bus_(bus) {
  // The few blocking calls (taking and releasing a name, adding a match) go to the bus daemon
  // itself, which answers at once; this bounds them should it hang.
  sd_bus_set_method_call_timeout(bus, kBlockingCallTimeoutUs);
}

BusConnection::~BusConnection() {
  detachFromLoop();
  // Writes what is queued (a name release, a last reply) before the socket closes.
  sd_bus_flush_close_unref(bus_);
}

bool BusConnection::attachToLoop(std::function<void()> onLost) {
  onLost_ = std::move(onLost);
  return refresh();
}

bool BusConnection::refresh() {
  const int wanted = sd_bus_get_events(bus_);
  const int fd = sd_bus_get_fd(bus_);
  if (wanted < 0 || fd < 0) {
    return false;
  }
  EventLoop& loop = EventLoop::instance();
  const std::uint32_t events = epollEvents(wanted);
  if (watch_ == 0 || events != watchedEvents_) {
    if (watch_ != 0) {
      loop.remove(watch_);
    }
    watch_ = loop.addWatch(fd, events, [this](std::uint32_t) { process(); });
    watchedEvents_ = events;
    if (watch_ == 0) {
      return false;
    }
  }
  std::uint64_t deadlineUs = 0;
  if (sd_bus_get_timeout(bus_, &deadlineUs) < 0 ||
      deadlineUs == std::numeric_limits<std::uint64_t>::max()) {
    loop.killTimer(this, kDeadlineTimer);
    return true;
  }
  const std::uint64_t now = monotonicNowUs();
  const std::uint64_t waitUs = deadlineUs > now ? deadlineUs - now : 1;
  // The loop's timers are periodic: this one is killed the first time it fires.
  loop.setTimer(this, kDeadlineTimer, static_cast<std::int64_t>(waitUs) * 1000, [this] {
    EventLoop::instance().killTimer(this, kDeadlineTimer);
    process();
  });
  return true;
}

void BusConnection::process() {
  int result = 0;
  for (int handled = 0; handled < kMessagesPerTurn; ++handled) {
    result = sd_bus_process(bus_, nullptr);
    if (result <= 0) {
      break;
    }
  }
  if (result >= 0 && refresh()) {
    return;
  }
  // Broken. While it closes, sd-bus answers each pending call with an error; let it finish, so
  // their callbacks hear of it.
  for (int step = 0; step < kClosingSteps && sd_bus_process(bus_, nullptr) > 0; ++step) {
  }
  detachFromLoop();
  if (onLost_) {
    const std::function<void()> onLost = std::move(onLost_);
    onLost_ = nullptr;
    onLost();
  }
}

void BusConnection::detachFromLoop() {
  EventLoop& loop = EventLoop::instance();
  if (watch_ != 0) {
    loop.remove(watch_);
  }
  watch_ = 0;
  loop.killTimer(this, kDeadlineTimer);
}

bool BusConnection::callServingOthers(sd_bus_message* call, std::uint64_t timeoutUs,
                                      sd_bus_error* error) {
  struct Outcome {
    bool done = false;
    bool ok = false;
    sd_bus_error* error;
  } outcome{false, false, error};
  const auto onReply = [](sd_bus_message* reply, void* userdata, sd_bus_error*) -> int {
    auto* outcome = static_cast<Outcome*>(userdata);
    outcome->done = true;
    outcome->ok = !sd_bus_message_is_method_error(reply, nullptr);
    if (!outcome->ok) {
      sd_bus_error_copy(outcome->error, sd_bus_message_get_error(reply));
    }
    return 0;
  };
  sd_bus_slot* slot = nullptr;
  const int sent = sd_bus_call_async(bus_, &slot, call, onReply, &outcome, timeoutUs);
  if (sent < 0) {
    sd_bus_error_set_errno(error, sent);
    return false;
  }
  const std::uint64_t deadline = monotonicNowUs() + timeoutUs;
  while (!outcome.done) {
    const int result = sd_bus_process(bus_, nullptr);
    if (result > 0) {
      continue;
    }
    const std::uint64_t now = monotonicNowUs();
    if (result < 0 || now >= deadline) {
      sd_bus_error_set_errno(error, result < 0 ? result : -ETIMEDOUT);
      break;
    }
    sd_bus_wait(bus_, deadline - now);
  }
  // Unreferencing the slot also forgets the callback, which points into this frame.
  sd_bus_slot_unref(slot);
  return outcome.ok;
}

}  // namespace pixoria::platform::posix
