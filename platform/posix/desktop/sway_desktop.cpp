#include "sway_desktop.h"

#include <algorithm>

#include "desktop_command.h"
#include "wallpaper_copies.h"

namespace pixoria::platform {
namespace {

// swaymsg joins its arguments into one sway command, which sway splits at spaces, unquotes and
// (for a background path) expands like a shell word. So a name or path goes through only when
// it holds nothing any of these steps would change: letters, digits, a few marks, and UTF-8.
bool passesSwayCommandUnchanged(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           (c >= '0' && c <= '9') || std::string_view("/._+-:@=").find(c) != std::string_view::npos;
  });
}

}  // namespace

HResult SwayDesktop::refresh() {
  CommandOutcome outcome;
  if (!runDesktopCommand("sway", {"swaymsg", "-t", "get_outputs", "-r"}, outcome)) {
    return kFail;
  }
  std::vector<SwayOutput> outputs;
  if (outcome.outputCut || !parseSwayOutputs(outcome.output, outputs)) {
    writeDesktopDiagnostic("sway desktop: swaymsg -t get_outputs gave no output list");
    return kFail;
  }
  std::erase_if(outputs, [](const SwayOutput& output) { return !output.active; });
  outputs_ = std::move(outputs);
  listed_ = true;
  return kOk;
}

HResult SwayDesktop::getMonitorDevicePathCount(std::uint32_t& count) {
  return callWithoutExceptions([&] {
    const HResult result = refresh();
    count = succeeded(result) ? static_cast<std::uint32_t>(outputs_.size()) : 0;
    return result;
  });
}

HResult SwayDesktop::getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) {
  return callWithoutExceptions([&] {
    if (!listed_ && failed(refresh())) {
      return kFail;
    }
    if (monitorIndex >= outputs_.size()) {
      return kInvalidArg;
    }
    monitorId = outputs_[monitorIndex].name;
    return kOk;
  });
}

HResult SwayDesktop::setWallpaper(std::string_view monitorId, std::string_view imagePath) {
  return callWithoutExceptions([&] {
    if (!listed_ && failed(refresh())) {
      return kFail;
    }
    const bool known = std::any_of(outputs_.begin(), outputs_.end(), [&](const SwayOutput& output) {
      return output.name == monitorId;
    });
    if (!known) {
      return kInvalidArg;
    }
    if (!passesSwayCommandUnchanged(monitorId)) {
      writeDesktopDiagnostic("sway desktop: cannot name the output \"" + std::string(monitorId) +
                             "\" in a sway command");
      return kInvalidArg;
    }
    // The copy's own name is safe; only the folder it lives in can hold something sway alters.
    return setThroughFreshCopy(monitorId, imagePath, [&](const std::string& copy) {
      return setOutputBackground(monitorId, copy);
    });
  });
}

HResult SwayDesktop::setOutputBackground(std::string_view output, const std::string& copy) {
  if (!passesSwayCommandUnchanged(copy)) {
    writeDesktopDiagnostic("sway desktop: the path " + copy +
                           " holds characters sway would split or expand");
    return kInvalidArg;
  }
  return runDesktopCommand("sway", {"swaymsg", "output", std::string(output), "bg", copy, "fill"})
             ? kOk
             : kFail;
}

HResult SwayDesktop::setPosition(WallpaperPosition position) {
  if (wallpaperPositionName(position).empty()) {
    return kInvalidArg;
  }
  // Each background is set with fill; the other modes are not offered here yet.
  return position == WallpaperPosition::fill ? kOk : kNotImplemented;
}

bool SwayDesktop::getPrimaryMonitorSize(MonitorSize& size) {
  try {
    if (failed(refresh()) || outputs_.empty()) {
      return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  // sway has no primary output; the first active one is where new windows go at start.
  const SwayOutput& first = outputs_.front();
  size = first.modeWidth > 0 && first.modeHeight > 0
             ? MonitorSize{first.modeWidth, first.modeHeight}
             : MonitorSize{first.rectWidth, first.rectHeight};
  return size.width > 0 && size.height > 0;
}

HResult createSwayDesktop(std::unique_ptr<DesktopBackend>& backend) {
  backend = std::make_unique<SwayDesktop>();
  return kOk;
}

}  // namespace pixoria::platform
