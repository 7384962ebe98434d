// System-event watches that only record what was asked.
#include "pixoria/fake/fake_system_events.h"

#include "pixoria/platform/system_events.h"

namespace pixoria::fake {
namespace {

struct FakeSystemEvents {
  SystemEventWatches watches;
  bool fail = false;
};

FakeSystemEvents& events() {
  static FakeSystemEvents instance;
  return instance;
}

}  // namespace

const SystemEventWatches& systemEventWatches() {
  return events().watches;
}

void failSystemEventWatches(bool fail) {
  events().fail = fail;
}

void systemEventsReset() {
  events() = FakeSystemEvents{};
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::events;

bool watchResume(WindowHandle window) {
  if (events().fail || window == nullptr) {
    return false;
  }
  events().watches.resume = window;
  return true;
}

bool watchNetworkChanges(WindowHandle window, std::uint32_t message) {
  if (events().fail || window == nullptr) {
    return false;
  }
  events().watches.network = window;
  events().watches.networkMessage = message;
  return true;
}

void stopWatchingSystemEvents(WindowHandle window) {
  events().watches.stopped = window;
}

}  // namespace pixoria::platform
