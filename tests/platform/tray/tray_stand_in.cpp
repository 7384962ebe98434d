// pixoria_tray_stand_in: a stand-in for the desktop's tray watcher and notification server, for
// tests of the tray icon and message boxes, and of the whole agent.
//
// Usage: pixoria_tray_stand_in [--watcher] [--late-object] [--probe] [--notifications]
//                              [--fail-notify] [--record FILE] [--lifetime SECONDS]
//
//   --watcher        own org.kde.StatusNotifierWatcher at /StatusNotifierWatcher: items register
//                    with RegisterStatusNotifierItem(s), and are forgotten when their name goes
//   --late-object    take the watcher's name first and export its object only 500 ms later, as
//                    status-notifier-watcher does: calls in between fail with UnknownObject
//   --notifications  own org.freedesktop.Notifications at /org/freedesktop/Notifications
//   --probe          before answering a registration, read the item's Title, as some trays do;
//                    recorded as: title <service> <title>
//   --fail-notify    answer Notify with an error (org.freedesktop.DBus.Error.Failed)
//   --record FILE    append one line per event to FILE, written at once:
//                      register <service> <sender>     an item registered
//                      unregister <service>            a registered item's name lost its owner
//                      host <service>                  a host registered
//                      notify <app>\t<icon>\t<summary>\t<body>\t<expire>
//                    (in notify lines, tab, newline and backslash are written \t, \n and \\)
//   --lifetime N     exit after N seconds (default 60), so a forgotten stand-in cannot linger
//
// It connects to the session bus (DBUS_SESSION_BUS_ADDRESS), prints "ready" on standard output
// once it owns its names, and exits with 0 on SIGTERM, SIGINT or at the end of its lifetime;
// with 2 on bad arguments and 1 when the bus or a name cannot be had.
#include <signal.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t stopRequested = 0;

void requestStop(int) {
  stopRequested = 1;
}

struct Options {
  bool watcher = false;
  bool lateObject = false;
  bool notifications = false;
  bool probe = false;
  bool failNotify = false;
  std::string recordPath;
  int lifetimeSeconds = 60;
};

struct State {
  Options options;
  std::vector<std::string> items;  // registered services
  std::uint32_t nextNotificationId = 1;
};

void record(const State& state, const std::string& line) {
  if (state.options.recordPath.empty()) {
    return;
  }
  FILE* file = std::fopen(state.options.recordPath.c_str(), "a");
  if (file == nullptr) {
    return;
  }
  std::fputs((line + "\n").c_str(), file);
  std::fclose(file);
}

std::string escaped(const char* text) {
  std::string out;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '\t') {
      out += "\\t";
    } else if (*c == '\n') {
      out += "\\n";
    } else if (*c == '\\') {
      out += "\\\\";
    } else {
      out += *c;
    }
  }
  return out;
}

State& stateOf(void* userdata) {
  return *static_cast<State*>(userdata);
}

// --- the watcher ---

// A blocking read of the item's Title: the item must serve calls while it waits for our answer.
void probeTitle(const State& state, sd_bus* bus, const std::string& service) {
  sd_bus_error error{};
  char* title = nullptr;
  if (sd_bus_get_property_string(bus, service.c_str(), "/StatusNotifierItem",
                                 "org.kde.StatusNotifierItem", "Title", &error, &title) >= 0) {
    record(state, "title " + service + " " + title);
  } else {
    record(state, "title " + service + " <" + (error.name != nullptr ? error.name : "?") + ">");
  }
  std::free(title);
  sd_bus_error_free(&error);
}

int onRegisterItem(sd_bus_message* call, void* userdata, sd_bus_error*) {
  State& state = stateOf(userdata);
  const char* service = nullptr;
  int r = sd_bus_message_read(call, "s", &service);
  if (r < 0) {
    return r;
  }
  const char* sender = sd_bus_message_get_sender(call);
  // An item may register by object path alone, meaning a path on the caller's connection.
  const std::string name = service[0] == '/' ? std::string(sender) : std::string(service);
  if (std::find(state.items.begin(), state.items.end(), name) == state.items.end()) {
    state.items.push_back(name);
  }
  if (state.options.probe) {
    probeTitle(state, sd_bus_message_get_bus(call), name);
  }
  record(state, "register " + name + " " + sender);
  sd_bus_emit_signal(sd_bus_message_get_bus(call), "/StatusNotifierWatcher",
                     "org.kde.StatusNotifierWatcher", "StatusNotifierItemRegistered", "s",
                     name.c_str());
  return sd_bus_reply_method_return(call, "");
}

int onRegisterHost(sd_bus_message* call, void* userdata, sd_bus_error*) {
  const char* service = nullptr;
  const int r = sd_bus_message_read(call, "s", &service);
  if (r < 0) {
    return r;
  }
  record(stateOf(userdata), std::string("host ") + service);
  return sd_bus_reply_method_return(call, "");
}

int getItems(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
             sd_bus_error*) {
  int r = sd_bus_message_open_container(reply, 'a', "s");
  for (const std::string& item : stateOf(userdata).items) {
    if (r >= 0) {
      r = sd_bus_message_append(reply, "s", item.c_str());
    }
  }
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

int getHostRegistered(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                      sd_bus_error*) {
  return sd_bus_message_append(reply, "b", 1);
}

int getProtocolVersion(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                       sd_bus_error*) {
  return sd_bus_message_append(reply, "i", 0);
}

// An item whose name (or whose connection, for items registered by path) loses its owner is gone.
int onNameOwnerChanged(sd_bus_message* signal, void* userdata, sd_bus_error*) {
  State& state = stateOf(userdata);
  const char* name = nullptr;
  const char* oldOwner = nullptr;
  const char* newOwner = nullptr;
  if (sd_bus_message_read(signal, "sss", &name, &oldOwner, &newOwner) < 0 || newOwner[0] != '\0') {
    return 0;
  }
  const auto item = std::find(state.items.begin(), state.items.end(), name);
  if (item == state.items.end()) {
    return 0;
  }
  state.items.erase(item);
  record(state, std::string("unregister ") + name);
  sd_bus_emit_signal(sd_bus_message_get_bus(signal), "/StatusNotifierWatcher",
                     "org.kde.StatusNotifierWatcher", "StatusNotifierItemUnregistered", "s", name);
  return 0;
}

const sd_bus_vtable kWatcherVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("RegisteredStatusNotifierItems", "as", getItems, 0, 0),
    SD_BUS_PROPERTY("IsStatusNotifierHostRegistered", "b", getHostRegistered, 0, 0),
    SD_BUS_PROPERTY("ProtocolVersion", "i", getProtocolVersion, 0, 0),
    SD_BUS_METHOD_WITH_ARGS("RegisterStatusNotifierItem", SD_BUS_ARGS("s", service),
                            SD_BUS_NO_RESULT, onRegisterItem, 0),
    SD_BUS_METHOD_WITH_ARGS("RegisterStatusNotifierHost", SD_BUS_ARGS("s", service),
                            SD_BUS_NO_RESULT, onRegisterHost, 0),
    SD_BUS_SIGNAL_WITH_ARGS("StatusNotifierItemRegistered", SD_BUS_ARGS("s", service), 0),
    SD_BUS_SIGNAL_WITH_ARGS("StatusNotifierItemUnregistered", SD_BUS_ARGS("s", service), 0),
    SD_BUS_SIGNAL("StatusNotifierHostRegistered", "", 0),
    SD_BUS_VTABLE_END};

// --- the notification server ---

int onNotify(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  State& state = stateOf(userdata);
  const char* app = nullptr;
  std::uint32_t replacesId = 0;
  const char* icon = nullptr;
  const char* summary = nullptr;
  const char* body = nullptr;
  std::int32_t expire = 0;
  int r = sd_bus_message_read(call, "susss", &app, &replacesId, &icon, &summary, &body);
  if (r >= 0) {
    r = sd_bus_message_skip(call, "asa{sv}");
  }
  if (r >= 0) {
    r = sd_bus_message_read(call, "i", &expire);
  }
  if (r < 0) {
    return r;
  }
  record(state, "notify " + escaped(app) + "\t" + escaped(icon) + "\t" + escaped(summary) + "\t" +
                    escaped(body) + "\t" + std::to_string(expire));
  if (state.options.failNotify) {
    return sd_bus_error_set(error, SD_BUS_ERROR_FAILED, "Refused by --fail-notify");
  }
  return sd_bus_reply_method_return(call, "u", state.nextNotificationId++);
}

int onGetCapabilities(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "as", 1, "body");
}

int onGetServerInformation(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "ssss", "pixoria-tray-stand-in", "Pixoria", "1", "1.2");
}

int onCloseNotification(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kNotificationsVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD_WITH_ARGS(
        "Notify",
        SD_BUS_ARGS("s", app_name, "u", replaces_id, "s", app_icon, "s", summary, "s", body, "as",
                    actions, "a{sv}", hints, "i", expire_timeout),
        SD_BUS_RESULT("u", id), onNotify, 0),
    SD_BUS_METHOD_WITH_ARGS("GetCapabilities", SD_BUS_NO_ARGS, SD_BUS_RESULT("as", capabilities),
                            onGetCapabilities, 0),
    SD_BUS_METHOD_WITH_ARGS("GetServerInformation", SD_BUS_NO_ARGS,
                            SD_BUS_RESULT("s", name, "s", vendor, "s", version, "s", spec_version),
                            onGetServerInformation, 0),
    SD_BUS_METHOD_WITH_ARGS("CloseNotification", SD_BUS_ARGS("u", id), SD_BUS_NO_RESULT,
                            onCloseNotification, 0),
    SD_BUS_VTABLE_END};

// --- the program ---

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--watcher") {
      options.watcher = true;
    } else if (argument == "--late-object") {
      options.lateObject = true;
    } else if (argument == "--notifications") {
      options.notifications = true;
    } else if (argument == "--probe") {
      options.probe = true;
    } else if (argument == "--fail-notify") {
      options.failNotify = true;
    } else if (argument == "--record" && hasValue) {
      options.recordPath = argv[++i];
    } else if (argument == "--lifetime" && hasValue) {
      options.lifetimeSeconds = std::atoi(argv[++i]);
      if (options.lifetimeSeconds <= 0) {
        return false;
      }
    } else {
      return false;
    }
  }
  return options.watcher || options.notifications;
}

bool exportWatcher(sd_bus* bus, State& state) {
  return sd_bus_add_object_vtable(bus, nullptr, "/StatusNotifierWatcher",
                                  "org.kde.StatusNotifierWatcher", kWatcherVtable, &state) >= 0;
}

bool serve(sd_bus* bus, State& state) {
  if (state.options.watcher &&
      ((!state.options.lateObject && !exportWatcher(bus, state)) ||
       sd_bus_match_signal(bus, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "NameOwnerChanged", onNameOwnerChanged,
                           &state) < 0 ||
       sd_bus_request_name(bus, "org.kde.StatusNotifierWatcher", 0) < 0)) {
    return false;
  }
  return !state.options.notifications ||
         (sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/Notifications",
                                   "org.freedesktop.Notifications", kNotificationsVtable,
                                   &state) >= 0 &&
          sd_bus_request_name(bus, "org.freedesktop.Notifications", 0) >= 0);
}

std::uint64_t nowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

}  // namespace

int main(int argc, char** argv) {
  State state;
  if (!parseOptions(argc, argv, state.options)) {
    std::fprintf(stderr,
                 "usage: %s [--watcher] [--late-object] [--probe] [--notifications] "
                 "[--fail-notify] [--record FILE] [--lifetime SECONDS]\n",
                 argv[0]);
    return 2;
  }
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0 || !serve(bus, state)) {
    std::fprintf(stderr, "pixoria_tray_stand_in: no session bus or a name is taken\n");
    sd_bus_flush_close_unref(bus);
    return 1;
  }
  // A probe that gets no answer must not hold the stand-in for sd-bus's default 25 s.
  sd_bus_set_method_call_timeout(bus, 2'000'000);
  std::printf("ready\n");
  std::fflush(stdout);

  const std::uint64_t end =
      nowUs() + static_cast<std::uint64_t>(state.options.lifetimeSeconds) * 1'000'000u;
  // Short waits, so a signal that lands between the check and the wait is seen soon.
  constexpr std::uint64_t kWaitUs = 100'000;
  const std::uint64_t exportAt = nowUs() + 500'000;
  bool exported = !state.options.watcher || !state.options.lateObject;
  while (stopRequested == 0 && nowUs() < end) {
    if (!exported && nowUs() >= exportAt) {
      exported = true;
      if (!exportWatcher(bus, state)) {
        break;
      }
    }
    const int r = sd_bus_process(bus, nullptr);
    if (r < 0) {
      break;
    }
    if (r == 0) {
      sd_bus_wait(bus, kWaitUs);
    }
  }
  sd_bus_flush_close_unref(bus);
  return 0;
}
