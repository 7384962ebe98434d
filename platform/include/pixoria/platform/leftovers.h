// Files a crash left behind. Every file the programs replace is written under a temporary name
// and renamed; a program that dies between the two leaves the temporary file (up to 256 MiB of a
// download) where nothing would ever remove it.
#pragma once

#include <string_view>

namespace pixoria::platform {

// Removes the temporary files of our own writers: the hive's (while holding the hive's lock, so
// that none is a writer's in progress), and, once older than any write of ours can take, those
// in `wallpaperFolder` (skipped when empty), the desktop copies' folder and the autostart folder
// (the temporaries of the entry named `autostartEntryName`). Nothing else is touched. Meant for
// the agent's start; quick, and silent unless it removes something.
void removeCrashLeftovers(std::string_view wallpaperFolder, std::string_view autostartEntryName);

}  // namespace pixoria::platform
