// The running window timers and their deadlines on the boot clock.
//
// A timer is periodic. Setting one with the key of a running timer replaces it and restarts its
// countdown. When a timer is taken as due it is rescheduled to the first point of its own period
// grid that lies in the future: a timer that fell due several times while the thread was busy (or
// the machine slept) fires once and keeps its period and phase.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pixoria::platform::posix {

class TimerSet {
 public:
  using Action = std::function<void()>;

  void set(const void* owner, std::uintptr_t id, std::int64_t periodNs, std::int64_t now,
           Action action);
  bool kill(const void* owner, std::uintptr_t id);
  void killAll(const void* owner);
  bool contains(const void* owner, std::uintptr_t id) const;

  // The earliest deadline, if any timer runs.
  std::optional<std::int64_t> earliestDeadline() const;

  // The action of the earliest timer due at `now` (ties in the order they were set), after
  // rescheduling it; empty when none is due. The caller runs the action, which may set or kill
  // timers freely.
  std::optional<Action> takeDue(std::int64_t now);

 private:
  struct Timer {
    const void* owner;
    std::uintptr_t id;
    std::int64_t periodNs;
    std::int64_t deadline;
    std::uint64_t sequence;
    Action action;
  };

  std::vector<Timer> timers_;
  std::uint64_t nextSequence_ = 0;
};

}  // namespace pixoria::platform::posix
