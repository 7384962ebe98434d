// The thread's event loop: the message queues of its windows, its window timers and any file
// descriptor that other code of the program wants watched (the tray's bus connection, a toolkit's
// socket notifier).
//
// Each turn follows the order of a Win32 message queue: a queued (posted) message first, taken
// from the windows' queues in turn; then the quit request; then ready watches; then one due timer.
// So due timers fire between messages, never ahead of a message already queued. While nothing is
// due the loop sleeps in epoll_wait without a timeout; timers wake it through a timerfd armed at
// the earliest deadline on CLOCK_BOOTTIME.
//
// Another event loop can embed this one: watch descriptor() for readability and call
// dispatchPending() when it is readable.
//
// Not thread-safe and not fork-safe: one thread uses it, and a forked child that wants windows must
// exec a fresh program (the epoll set is shared with the parent).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "files/unique_fd.h"
#include "windows/timer_set.h"

namespace pixoria::platform::posix {

class EventLoop {
 public:
  using WatchId = std::uint64_t;
  // Called with the epoll events that are ready. Watches are level-triggered: the callback must
  // consume what made the descriptor ready, or it is called again.
  using WatchCallback = std::function<void(std::uint32_t events)>;
  // Dispatches at most one queued message; true when it dispatched one.
  using QueueReader = std::function<bool()>;

  static EventLoop& instance();

  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // False when the kernel refused the loop its epoll or timer descriptor.
  bool usable() const { return epollFd_.valid() && timerFd_.valid(); }

  // Watches `fd` for `events` (EPOLLIN, EPOLLOUT, ...). Returns 0 on failure. The descriptor stays
  // the caller's: remove the watch before closing it.
  WatchId addWatch(int fd, std::uint32_t events, WatchCallback callback);

  // A message queue: `fd` becomes readable when messages wait, `reader` takes one.
  WatchId addQueue(int fd, QueueReader reader);

  // Removes a watch or a queue. False when there is none with that id.
  bool remove(WatchId id);

  void setTimer(const void* owner, std::uintptr_t id, std::int64_t periodNs,
                TimerSet::Action action);
  bool killTimer(const void* owner, std::uintptr_t id);
  void killTimers(const void* owner);
  bool hasTimer(const void* owner, std::uintptr_t id) const;

  // The running loop ends after the messages already queued.
  void requestQuit(int exitCode);

  // Runs until a quit request; returns its exit code.
  int run();

  // For embedding: readable whenever there is work for dispatchPending().
  int descriptor() const { return epollFd_.get(); }

  // Does the work that is ready now (bounded, so an embedding loop keeps its turn) and returns
  // without blocking.
  void dispatchPending();

 private:
  struct Watch {
    int fd;
    WatchCallback callback;
  };
  struct Queue {
    WatchId id;
    int fd;
    QueueReader reader;
  };

  EventLoop();
  ~EventLoop();

  bool registerDescriptor(int fd, std::uint32_t events, WatchId id);
  bool dispatchOneQueued();
  bool dispatchReadyWatches();
  bool dispatchDueTimer();
  void armTimerFd();
  void waitForWork();

  UniqueFd epollFd_;
  UniqueFd timerFd_;
  WatchId nextId_ = 1;
  std::map<WatchId, Watch> watches_;
  std::vector<Queue> queues_;
  std::size_t nextQueue_ = 0;
  TimerSet timers_;
  bool quitRequested_ = false;
  int exitCode_ = 0;
};

}  // namespace pixoria::platform::posix
