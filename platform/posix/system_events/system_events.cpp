// The watches of each window, kept until the window stops watching (or a watch dies with its
// connection).
#include "pixoria/platform/system_events.h"

#include <map>
#include <memory>
#include <new>

#include "system_events/network_watch.h"
#include "system_events/resume_watch.h"

namespace pixoria::platform {
namespace {

struct WindowWatches {
  std::unique_ptr<posix::NetworkWatch> network;
  std::unique_ptr<posix::ResumeWatch> resume;
};

std::map<WindowHandle, WindowWatches>& watchesByWindow() {
  static std::map<WindowHandle, WindowWatches> watches;
  return watches;
}

// A system bus that goes away (restarted, or it dropped us) takes the watch with it.
void forgetResumeWatch(WindowHandle window) {
  const auto found = watchesByWindow().find(window);
  if (found != watchesByWindow().end()) {
    found->second.resume.reset();
  }
}

}  // namespace

bool watchResume(WindowHandle window) {
  if (window == nullptr) {
    return false;
  }
  try {
    std::unique_ptr<posix::ResumeWatch> watch =
        posix::ResumeWatch::start(window, [window] { forgetResumeWatch(window); });
    if (!watch) {
      return false;
    }
    watchesByWindow()[window].resume = std::move(watch);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool watchNetworkChanges(WindowHandle window, std::uint32_t message) {
  if (window == nullptr) {
    return false;
  }
  try {
    std::unique_ptr<posix::NetworkWatch> watch = posix::NetworkWatch::start(window, message);
    if (!watch) {
      return false;
    }
    watchesByWindow()[window].network = std::move(watch);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void stopWatchingSystemEvents(WindowHandle window) {
  watchesByWindow().erase(window);
}

}  // namespace pixoria::platform
