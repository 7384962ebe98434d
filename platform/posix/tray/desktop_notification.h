// Desktop notifications (org.freedesktop.Notifications), sent without waiting for an answer.
#pragma once

#include <string>

namespace pixoria::platform::posix {

// Queues a notification with `summary` and `body` on the session bus and returns at once.
// `fallbackLine` goes to standard error instead when the notification cannot be shown: no bus
// (then before returning false) or an error reply (later, from the event loop).
bool sendDesktopNotification(const std::string& summary, const std::string& body,
                             const std::string& fallbackLine);

}  // namespace pixoria::platform::posix
