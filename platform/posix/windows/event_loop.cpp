#include "windows/event_loop.h"

#include <malloc.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>

#include "windows/boot_clock.h"

namespace pixoria::platform::posix {
namespace {

// The timer descriptor's id in the epoll set; watch ids start at 1.
constexpr EventLoop::WatchId kTimerFdId = 0;

// How many pieces of work dispatchPending() does before it gives an embedding loop its turn back.
constexpr int kPendingBatch = 64;

constexpr int kEventsPerWait = 16;

}  // namespace

EventLoop& EventLoop::instance() {
  static EventLoop loop;
  return loop;
}

EventLoop::EventLoop() {
  epollFd_ = epoll_create1(EPOLL_CLOEXEC);
  timerFd_ = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
  if (epollFd_ >= 0 && timerFd_ >= 0) {
    registerDescriptor(timerFd_, EPOLLIN, kTimerFdId);
  }
}

EventLoop::~EventLoop() {
  if (timerFd_ >= 0) {
    close(timerFd_);
  }
  if (epollFd_ >= 0) {
    close(epollFd_);
  }
}

bool EventLoop::registerDescriptor(int fd, std::uint32_t events, WatchId id) {
  epoll_event event{};
  event.events = events;
  event.data.u64 = id;
  return epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) == 0;
}

EventLoop::WatchId EventLoop::addWatch(int fd, std::uint32_t events, WatchCallback callback) {
  if (!usable() || !registerDescriptor(fd, events, nextId_)) {
    return 0;
  }
  watches_[nextId_] = {fd, std::move(callback)};
  return nextId_++;
}

EventLoop::WatchId EventLoop::addQueue(int fd, QueueReader reader) {
  if (!usable() || !registerDescriptor(fd, EPOLLIN, nextId_)) {
    return 0;
  }
  queues_.push_back({nextId_, fd, std::move(reader)});
  return nextId_++;
}

bool EventLoop::remove(WatchId id) {
  int fd = -1;
  if (const auto watch = watches_.find(id); watch != watches_.end()) {
    fd = watch->second.fd;
    watches_.erase(watch);
  } else if (const auto queue = std::find_if(queues_.begin(), queues_.end(),
                                             [id](const Queue& q) { return q.id == id; });
             queue != queues_.end()) {
    fd = queue->fd;
    queues_.erase(queue);
  } else {
    return false;
  }
  epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
  return true;
}

void EventLoop::setTimer(const void* owner, std::uintptr_t id, std::int64_t periodNs,
                         TimerSet::Action action) {
  timers_.set(owner, id, periodNs, bootTimeNow(), std::move(action));
  armTimerFd();
}

bool EventLoop::killTimer(const void* owner, std::uintptr_t id) {
  const bool killed = timers_.kill(owner, id);
  armTimerFd();
  return killed;
}

void EventLoop::killTimers(const void* owner) {
  timers_.killAll(owner);
  armTimerFd();
}

bool EventLoop::hasTimer(const void* owner, std::uintptr_t id) const {
  return timers_.contains(owner, id);
}

void EventLoop::requestQuit(int exitCode) {
  quitRequested_ = true;
  exitCode_ = exitCode;
}

int EventLoop::run() {
  if (!usable()) {
    return -1;
  }
  for (;;) {
    if (dispatchOneQueued()) {
      continue;
    }
    if (quitRequested_) {
      quitRequested_ = false;
      return exitCode_;
    }
    if (dispatchReadyWatches() || dispatchDueTimer()) {
      continue;
    }
    waitForWork();
  }
}

void EventLoop::dispatchPending() {
  for (int done = 0; done < kPendingBatch; ++done) {
    if (!dispatchOneQueued() && !dispatchReadyWatches() && !dispatchDueTimer()) {
      break;
    }
  }
  armTimerFd();
}

bool EventLoop::dispatchOneQueued() {
  // Queues take turns, so one busy window cannot starve another.
  for (std::size_t tried = 0; tried < queues_.size(); ++tried) {
    const std::size_t index = (nextQueue_ + tried) % queues_.size();
    // A copy: the message handler may destroy its window and with it this queue entry.
    const QueueReader reader = queues_[index].reader;
    if (reader()) {
      nextQueue_ = index + 1;
      return true;
    }
  }
  return false;
}

bool EventLoop::dispatchReadyWatches() {
  if (watches_.empty()) {
    return false;
  }
  epoll_event events[kEventsPerWait];
  const int count = epoll_wait(epollFd_, events, kEventsPerWait, 0);
  bool dispatched = false;
  for (int i = 0; i < count; ++i) {
    // Looked up again for each event: an earlier callback may have removed this watch.
    const auto watch = watches_.find(events[i].data.u64);
    if (watch == watches_.end()) {
      continue;
    }
    const WatchCallback callback = watch->second.callback;
    callback(events[i].events);
    dispatched = true;
  }
  return dispatched;
}

bool EventLoop::dispatchDueTimer() {
  std::optional<TimerSet::Action> action = timers_.takeDue(bootTimeNow());
  if (!action) {
    return false;
  }
  armTimerFd();
  (*action)();
  return true;
}

void EventLoop::armTimerFd() {
  if (timerFd_ < 0) {
    return;
  }
  // Arming also clears expirations counted so far, so the descriptor is readable exactly when
  // the earliest timer is due.
  itimerspec when{};
  if (const std::optional<std::int64_t> deadline = timers_.earliestDeadline()) {
    // A zero it_value disarms, so a deadline at 0 is moved to the first nanosecond.
    const std::int64_t at = std::max<std::int64_t>(*deadline, 1);
    when.it_value.tv_sec = at / 1'000'000'000;
    when.it_value.tv_nsec = at % 1'000'000'000;
  }
  timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &when, nullptr);
}

void EventLoop::waitForWork() {
  armTimerFd();
  epoll_event events[kEventsPerWait];
  // Poll first: most turns find work at once, and only a loop about to sleep gives memory back.
  if (epoll_wait(epollFd_, events, kEventsPerWait, 0) > 0) {
    return;
  }
  // A change decodes and encodes images and reads feeds; what it freed stays in the allocator's
  // heap unless handed back, and an idle agent should hold only what it keeps.
  malloc_trim(0);
  // No timeout: an idle program is never woken except by a message, a watch or its timer.
  epoll_wait(epollFd_, events, kEventsPerWait, -1);
}

}  // namespace pixoria::platform::posix
