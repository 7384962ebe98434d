// Windows as Unix datagram sockets in the user's socket folder, run by the thread's event loop.
//
// Handles are never freed: a destroyed window keeps its record (marked dead) so that a late
// postMessage fails cleanly, and a window found in another process is interned by socket path, so
// every handle stays valid for the life of the process.

#include "pixoria/platform/windows.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/messages.h"
#include "windows/boot_clock.h"
#include "windows/event_loop.h"
#include "windows/socket_folder.h"
#include "windows/socket_name.h"
#include "windows/window_socket.h"

namespace pixoria::platform {

struct Window {
  std::string path;
  std::string className;  // empty for a window of another process
  bool local = false;
  bool alive = false;  // a local window that has not been destroyed
  int fd = -1;
  posix::EventLoop::WatchId queue = 0;
};

namespace {

using posix::EventLoop;

// How many unusable datagrams one turn of the loop throws away before it lets other work run.
constexpr int kDropsPerTurn = 64;

struct WindowRegistry {
  std::map<std::string, WindowProc, std::less<>> classes;
  std::vector<std::unique_ptr<Window>> owned;  // every handle ever made, freed only at exit
  std::set<const Window*> handles;
  std::map<std::string, Window*> localByPath;   // live local windows
  std::map<std::string, Window*> remoteByPath;  // interned windows of other processes
  int senderFd = -1;
  std::uintptr_t nextThreadTimerId = 1;
};

WindowRegistry& registry() {
  static WindowRegistry instance;
  return instance;
}

bool isHandle(WindowHandle window) {
  return window != nullptr && registry().handles.count(window) != 0;
}

bool isLiveLocal(WindowHandle window) {
  return isHandle(window) && window->local && window->alive;
}

LResult dispatchToWindow(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  const auto found = registry().classes.find(window->className);
  if (found == registry().classes.end()) {
    return defWindowProc(window, message, wParam, lParam);
  }
  return found->second(window, message, wParam, lParam);
}

// The queue reader of a window: dispatches the next message from this user, dropping the rest.
bool dispatchNextMessage(WindowHandle window) {
  for (int drops = 0; drops < kDropsPerTurn && window->alive; ++drops) {
    posix::MessageRecord record;
    const posix::ReceiveResult result = posix::receiveMessageRecord(window->fd, record);
    if (result == posix::ReceiveResult::dropped) {
      continue;
    }
    if (result != posix::ReceiveResult::message) {
      return false;
    }
    if (record.message == kWmQuit) {
      postQuitMessage(static_cast<int>(record.wParam));
    } else {
      dispatchToWindow(window, record.message, static_cast<WParam>(record.wParam),
                       static_cast<LParam>(record.lParam));
    }
    return true;
  }
  return false;
}

// Serialises the stale check and the bind between processes creating windows at the same moment,
// so that one cannot unlink the socket the other has just bound.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Binds the window's socket, replacing a stale one; -1 when a live window holds the name.
int bindUnlessTaken(const std::string& folder, const std::string& path) {
  FolderLock lock(folder);
  if (!lock.held()) {
    return -1;
  }
  switch (posix::probeWindowSocket(path)) {
    case posix::SocketProbe::live:
    case posix::SocketProbe::failed:
      return -1;
    case posix::SocketProbe::stale:
      unlink(path.c_str());
      break;
    case posix::SocketProbe::absent:
      break;
  }
  return posix::bindWindowSocket(path);
}

bool socketPathFor(std::string_view className, std::string_view title, std::string& path) {
  std::string folder;
  if (!posix::prepareSocketFolder(folder)) {
    return false;
  }
  if (posix::windowSocketPath(folder, className, title, path)) {
    return true;
  }
  writeStandardError("pixoria: window socket folder " + folder + " is too long for a socket\n");
  return false;
}

WindowHandle adopt(std::unique_ptr<Window> window) {
  WindowHandle handle = window.get();
  registry().handles.insert(handle);
  registry().owned.push_back(std::move(window));
  return handle;
}

WindowHandle internRemote(const std::string& path) {
  Window*& window = registry().remoteByPath[path];
  if (window == nullptr) {
    window = adopt(std::make_unique<Window>(Window{path, {}, false, false, -1, 0}));
  }
  return window;
}

int senderSocket() {
  int& fd = registry().senderFd;
  if (fd < 0) {
    fd = posix::openSenderSocket();
  }
  return fd;
}

// A thread timer (no window) keeps its id when one with that id runs, else gets a new one.
std::uintptr_t threadTimerId(std::uintptr_t requested) {
  EventLoop& loop = EventLoop::instance();
  if (requested != 0 && loop.hasTimer(nullptr, requested)) {
    return requested;
  }
  std::uintptr_t& next = registry().nextThreadTimerId;
  while (next == 0 || loop.hasTimer(nullptr, next)) {
    ++next;
  }
  return next++;
}

}  // namespace

bool registerWindowClass(std::string_view className, WindowProc procedure) {
  if (className.empty() || procedure == nullptr) {
    return false;
  }
  registry().classes[std::string(className)] = procedure;
  return true;
}

WindowHandle createWindow(std::string_view className, std::string_view title) {
  if (registry().classes.find(className) == registry().classes.end()) {
    return nullptr;
  }
  EventLoop& loop = EventLoop::instance();
  std::string path;
  if (!loop.usable() || !socketPathFor(className, title, path)) {
    return nullptr;
  }
  const int fd = bindUnlessTaken(path.substr(0, path.rfind('/')), path);
  if (fd < 0) {
    return nullptr;
  }
  auto window = std::make_unique<Window>(Window{path, std::string(className), true, true, fd, 0});
  WindowHandle handle = window.get();
  window->queue = loop.addQueue(fd, [handle] { return dispatchNextMessage(handle); });
  if (window->queue == 0) {
    close(fd);
    unlink(path.c_str());
    return nullptr;
  }
  registry().localByPath[path] = adopt(std::move(window));
  return handle;
}

bool destroyWindow(WindowHandle window) {
  if (!isLiveLocal(window)) {
    return false;
  }
  EventLoop& loop = EventLoop::instance();
  loop.killTimers(window);
  loop.remove(window->queue);
  close(window->fd);
  unlink(window->path.c_str());
  registry().localByPath.erase(window->path);
  window->alive = false;
  window->fd = -1;
  return true;
}

WindowHandle findWindow(std::string_view className, std::string_view title) {
  std::string path;
  if (!socketPathFor(className, title, path)) {
    return nullptr;
  }
  if (const auto local = registry().localByPath.find(path); local != registry().localByPath.end()) {
    return local->second;
  }
  if (posix::probeWindowSocket(path) != posix::SocketProbe::live) {
    return nullptr;
  }
  return internRemote(path);
}

bool postMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (!isHandle(window) || (window->local && !window->alive)) {
    return false;
  }
  const posix::MessageRecord record{message, static_cast<std::uint64_t>(wParam),
                                    static_cast<std::uint64_t>(lParam)};
  // A window posts to itself from its own socket: the kernel's per-receiver queue limit, meant to
  // hold back other senders, does not apply to a socket sending to itself.
  const int fd = window->local ? window->fd : senderSocket();
  return fd >= 0 && posix::sendMessageRecord(fd, window->path, record);
}

bool restoreWindow(WindowHandle window) {
  return postMessage(window, kWmSysCommand, kScRestore, 0);
}

LResult defWindowProc(WindowHandle window, std::uint32_t message, WParam, LParam) {
  if (message == kWmClose) {
    destroyWindow(window);
  }
  return 0;
}

std::uintptr_t setTimer(WindowHandle window, std::uintptr_t timerId, std::uint32_t elapseMs,
                        TimerProc procedure) {
  if (elapseMs == 0) {
    return 0;
  }
  EventLoop& loop = EventLoop::instance();
  if (window == nullptr) {
    if (procedure == nullptr) {
      return 0;
    }
    timerId = threadTimerId(timerId);
  } else if (!isLiveLocal(window) || timerId == 0) {
    return 0;
  }
  loop.setTimer(window, timerId,
                static_cast<std::int64_t>(elapseMs) * posix::kNanosecondsPerMillisecond,
                [window, timerId, procedure] {
                  if (procedure != nullptr) {
                    procedure(window, kWmTimer, timerId, getTickCount());
                  } else if (window != nullptr) {
                    dispatchToWindow(window, kWmTimer, timerId, 0);
                  }
                });
  return timerId;
}

bool killTimer(WindowHandle window, std::uintptr_t timerId) {
  return EventLoop::instance().killTimer(window, timerId);
}

void postQuitMessage(int exitCode) {
  EventLoop::instance().requestQuit(exitCode);
}

int runMessageLoop() {
  return EventLoop::instance().run();
}

std::intptr_t messageQueueWaitHandle() {
  EventLoop& loop = EventLoop::instance();
  return loop.usable() ? loop.descriptor() : -1;
}

void dispatchPendingMessages() {
  EventLoop::instance().dispatchPending();
}

}  // namespace pixoria::platform
