#include "xfce_desktop.h"

#include <algorithm>
#include <charconv>

#include "desktop_command.h"
#include "session_monitors.h"
#include "wallpaper_copies.h"

namespace pixoria::platform {
namespace {

constexpr std::string_view kMonitorPrefix = "/backdrop/screen0/monitor";
constexpr std::string_view kWorkspacePrefix = "workspace";
constexpr std::size_t kMaxMonitors = 64;
constexpr std::size_t kMaxNameLength = 128;
constexpr unsigned kMaxWorkspace = 999;
// xfdesktop's image-style for "zoomed": scaled to cover the monitor, cropped, which is fill.
constexpr std::string_view kZoomedStyle = "5";

bool isMonitorName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxNameLength &&
         std::none_of(name.begin(), name.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// "workspace3/..." gives 3.
bool readWorkspace(std::string_view rest, unsigned& workspace) {
  if (!rest.starts_with(kWorkspacePrefix)) {
    return false;
  }
  const std::string_view digits = rest.substr(kWorkspacePrefix.size());
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), workspace);
  return error == std::errc() && end != digits.data() && (end == digits.end() || *end == '/') &&
         workspace <= kMaxWorkspace;
}

void addBackdropLine(std::string_view line, XfceBackdrops& backdrops) {
  if (!line.starts_with(kMonitorPrefix)) {
    return;
  }
  const std::string_view rest = line.substr(kMonitorPrefix.size());
  const std::size_t slash = rest.find('/');
  unsigned workspace = 0;
  if (slash == std::string_view::npos || !isMonitorName(rest.substr(0, slash)) ||
      !readWorkspace(rest.substr(slash + 1), workspace)) {
    return;
  }
  const std::string_view name = rest.substr(0, slash);
  auto found = std::find(backdrops.monitors.begin(), backdrops.monitors.end(), name);
  if (found == backdrops.monitors.end()) {
    if (backdrops.monitors.size() == kMaxMonitors) {
      return;
    }
    backdrops.monitors.emplace_back(name);
    backdrops.workspaces.emplace_back();
    found = backdrops.monitors.end() - 1;
  }
  backdrops.workspaces[static_cast<std::size_t>(found - backdrops.monitors.begin())].insert(
      workspace);
  backdrops.properties.emplace(line);
}

std::string workspaceFolder(std::string_view monitor, unsigned workspace) {
  return std::string(kMonitorPrefix) + std::string(monitor) + "/" + std::string(kWorkspacePrefix) +
         std::to_string(workspace);
}

}  // namespace

XfceBackdrops parseXfceBackdrops(std::string_view listing) {
  XfceBackdrops backdrops;
  while (!listing.empty()) {
    const std::size_t end = std::min(listing.find('\n'), listing.size());
    std::string_view line = listing.substr(0, end);
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    addBackdropLine(line, backdrops);
    listing.remove_prefix(std::min(end + 1, listing.size()));
  }
  return backdrops;
}

HResult XfceDesktop::refresh() {
  CommandOutcome outcome;
  const bool listed =
      runDesktopCommand("xfce", {"xfconf-query", "-c", "xfce4-desktop", "-l"}, outcome);
  if (!outcome.started) {
    return kFail;
  }
  backdrops_ = listed && !outcome.outputCut ? parseXfceBackdrops(outcome.output) : XfceBackdrops{};
  if (backdrops_.monitors.empty()) {
    // A fresh session where xfdesktop has written nothing yet names monitors as XRandR does.
    std::vector<X11Monitor> monitors;
    if (listSessionX11Monitors(monitors)) {
      for (const X11Monitor& monitor : monitors) {
        backdrops_.monitors.push_back(monitor.name);
        backdrops_.workspaces.emplace_back();
      }
    }
  }
  if (backdrops_.monitors.empty()) {
    writeDesktopDiagnostic("xfce desktop: no monitors in xfce4-desktop and no X display");
    return kFail;
  }
  listed_ = true;
  return kOk;
}

HResult XfceDesktop::getMonitorDevicePathCount(std::uint32_t& count) {
  return callWithoutExceptions([&] {
    const HResult result = refresh();
    count = succeeded(result) ? static_cast<std::uint32_t>(backdrops_.monitors.size()) : 0;
    return result;
  });
}

HResult XfceDesktop::getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) {
  return callWithoutExceptions([&] {
    if (!listed_ && failed(refresh())) {
      return kFail;
    }
    if (monitorIndex >= backdrops_.monitors.size()) {
      return kInvalidArg;
    }
    monitorId = backdrops_.monitors[monitorIndex];
    return kOk;
  });
}

HResult XfceDesktop::setWallpaper(std::string_view monitorId, std::string_view imagePath) {
  return callWithoutExceptions([&] {
    if (!listed_ && failed(refresh())) {
      return kFail;
    }
    const auto found = std::find(backdrops_.monitors.begin(), backdrops_.monitors.end(), monitorId);
    if (found == backdrops_.monitors.end()) {
      return kInvalidArg;
    }
    const auto monitor = static_cast<std::size_t>(found - backdrops_.monitors.begin());
    return setThroughFreshCopy(monitorId, imagePath, [&](const std::string& copy) {
      return writeBackdrop(monitor, copy);
    });
  });
}

HResult XfceDesktop::writeBackdrop(std::size_t monitor, const std::string& copy) {
  std::set<unsigned> workspaces = backdrops_.workspaces[monitor];
  workspaces.insert(0);
  for (const unsigned workspace : workspaces) {
    const std::string folder = workspaceFolder(backdrops_.monitors[monitor], workspace);
    if (!writeProperty(folder + "/last-image", "string", copy) ||
        !writeProperty(folder + "/image-style", "int", std::string(kZoomedStyle))) {
      return kFail;
    }
  }
  return kOk;
}

bool XfceDesktop::writeProperty(const std::string& property, const char* type,
                                const std::string& value) {
  std::vector<std::string> arguments = {"xfconf-query", "-c", "xfce4-desktop", "-p", property};
  if (!backdrops_.properties.contains(property)) {
    arguments.insert(arguments.end(), {"--create", "-t", type});
  }
  arguments.insert(arguments.end(), {"-s", value});
  if (!runDesktopCommand("xfce", arguments)) {
    return false;
  }
  backdrops_.properties.insert(property);
  return true;
}

HResult XfceDesktop::setPosition(WallpaperPosition position) {
  if (wallpaperPositionName(position).empty()) {
    return kInvalidArg;
  }
  // image-style is written with every image; only fill is offered.
  return position == WallpaperPosition::fill ? kOk : kNotImplemented;
}

bool XfceDesktop::getPrimaryMonitorSize(MonitorSize& size) {
  try {
    size = sessionPrimaryMonitorSize();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

HResult createXfceDesktop(std::unique_ptr<DesktopBackend>& backend) {
  backend = std::make_unique<XfceDesktop>();
  return kOk;
}

}  // namespace pixoria::platform
