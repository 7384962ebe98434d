#include "windows/timer_set.h"

#include <algorithm>

namespace pixoria::platform::posix {

void TimerSet::set(const void* owner, std::uintptr_t id, std::int64_t periodNs, std::int64_t now,
                   Action action) {
  kill(owner, id);
  timers_.push_back({owner, id, periodNs, now + periodNs, nextSequence_++, std::move(action)});
}

bool TimerSet::kill(const void* owner, std::uintptr_t id) {
  const auto found = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
    return timer.owner == owner && timer.id == id;
  });
  if (found == timers_.end()) {
    return false;
  }
  timers_.erase(found);
  return true;
}

void TimerSet::killAll(const void* owner) {
  std::erase_if(timers_, [&](const Timer& timer) { return timer.owner == owner; });
}

bool TimerSet::contains(const void* owner, std::uintptr_t id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& timer) { return timer.owner == owner && timer.id == id; });
}

std::optional<std::int64_t> TimerSet::earliestDeadline() const {
  std::optional<std::int64_t> earliest;
  for (const Timer& timer : timers_) {
    if (!earliest || timer.deadline < *earliest) {
      earliest = timer.deadline;
    }
  }
  return earliest;
}

std::optional<TimerSet::Action> TimerSet::takeDue(std::int64_t now) {
  Timer* due = nullptr;
  for (Timer& timer : timers_) {
    if (timer.deadline > now) {
      continue;
    }
    if (due == nullptr || timer.deadline < due->deadline ||
        (timer.deadline == due->deadline && timer.sequence < due->sequence)) {
      due = &timer;
    }
  }
  if (due == nullptr) {
    return std::nullopt;
  }
  const std::int64_t periodsMissed = (now - due->deadline) / due->periodNs;
  due->deadline += (periodsMissed + 1) * due->periodNs;
  return due->action;
}

}  // namespace pixoria::platform::posix
