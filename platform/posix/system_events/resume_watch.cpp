#include "system_events/resume_watch.h"

#include "pixoria/platform/messages.h"

namespace pixoria::platform::posix {
namespace {

constexpr const char* kLogindName = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";

}  // namespace

std::unique_ptr<ResumeWatch> ResumeWatch::start(WindowHandle window, std::function<void()> onLost) {
  std::unique_ptr<BusConnection> connection = BusConnection::openSystem();
  if (!connection) {
    return nullptr;
  }
  std::unique_ptr<ResumeWatch> watch(new ResumeWatch(window, std::move(connection)));
  // Added synchronously: once this returns, the bus delivers every signal sent after it. The bus
  // matches the sender against the name's current owner, so only logind's own signal arrives.
  if (sd_bus_match_signal(watch->connection_->bus(), &watch->match_, kLogindName, kLogindPath,
                          kManagerInterface, "PrepareForSleep", onPrepareForSleep,
                          watch.get()) < 0) {
    return nullptr;
  }
  if (!watch->connection_->attachToLoop(std::move(onLost))) {
    return nullptr;
  }
  return watch;
}

ResumeWatch::ResumeWatch(WindowHandle window, std::unique_ptr<BusConnection> connection)
    : window_(window), connection_(std::move(connection)) {}

ResumeWatch::~ResumeWatch() {
  sd_bus_slot_unref(match_);
}

int ResumeWatch::onPrepareForSleep(sd_bus_message* signal, void* userdata, sd_bus_error*) {
  // A signal addressed to this connection alone passes every match on our side; logind
  // broadcasts its own.
  if (sd_bus_message_get_destination(signal) != nullptr) {
    return 0;
  }
  int goingToSleep = 1;
  if (sd_bus_message_read(signal, "b", &goingToSleep) < 0 || goingToSleep != 0) {
    return 0;
  }
  const auto* watch = static_cast<ResumeWatch*>(userdata);
  postMessage(watch->window_, kWmPowerBroadcast, kPbtApmResumeAutomatic, 0);
  return 0;
}

}  // namespace pixoria::platform::posix
