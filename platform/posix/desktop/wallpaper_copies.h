// Fresh names for wallpapers. Desktops that keep the wallpaper as a setting (GNOME, Plasma,
// XFCE...) do nothing when the setting is written again with the same path, and the agent always
// writes the same two files. So each wallpaper is set through a new hard link (or copy) in a
// folder of ours, and the older ones of that monitor are removed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "pixoria/platform/results.h"

namespace pixoria::platform {

// $XDG_DATA_HOME/pixoria/desktop. False when no home folder is known.
bool wallpaperCopyFolder(std::string& folder);

// Links (or, across file systems, copies) `source` into `folder` as
// "<slot>-<16 hex digits>.<extension of source>", the digits a serial one above both the highest
// of the slot's copies present and the last one handed out (kept in "<folder>.serial", so that an
// emptied folder never brings back a name a desktop may still hold): the newest sorts last.
// A stray file with a serial no count reaches (such as "<slot>-ffffffffffffffff") is ignored.
// `slot` names the monitor; characters other than letters, digits, '-' and '_' become '_'.
// kFileNotFoundResult when the source is missing; kFail, with a diagnostic, when it is not a
// regular file (a FIFO or a device would block whoever reads it) and on other I/O errors.
HResult makeWallpaperCopy(const std::string& folder, std::string_view slot, std::string_view source,
                          std::string& copy);

// Removes the slot's copies except the `keep` of the highest serials. Other files are left alone.
void pruneWallpaperCopies(const std::string& folder, std::string_view slot, std::size_t keep);

// Makes a fresh copy of `imagePath` for the slot in wallpaperCopyFolder() and hands its path to
// `apply`. When that succeeds the slot keeps its two newest copies (the one shown and the one
// before, which a desktop may still be fading out); when it fails the new copy is removed.
HResult setThroughFreshCopy(std::string_view slot, std::string_view imagePath,
                            const std::function<HResult(const std::string& copy)>& apply);

}  // namespace pixoria::platform
