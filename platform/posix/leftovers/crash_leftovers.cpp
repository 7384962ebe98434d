// removeCrashLeftovers: the hive's folder under its lock; the others by age.
#include <chrono>
#include <string>
#include <string_view>

#include "desktop/wallpaper_copies.h"
#include "leftovers/hive_temporaries.h"
#include "leftovers/stale_files.h"
#include "pixoria/platform/leftovers.h"
#include "pixoria/platform/url.h"
#include "xdg_base_dirs.h"

namespace pixoria::platform {
namespace {

// The longest an image download may take, and so the longest any of our temporary files is
// written: one older than that belongs to no write in progress, in either program.
constexpr std::chrono::seconds kImageDownloadDeadline{kImageDeadlineSeconds};

// A byte copy of a wallpaper in progress ("<name>.partial").
bool isPartialCopy(std::string_view name) {
  constexpr std::string_view kSuffix = ".partial";
  return name.size() > kSuffix.size() && name.ends_with(kSuffix);
}

// The application's Set fits into a fresh name, ".temp_image2.jpg.XXXXXX", which the image
// writer in turn replaces through its own hidden temporary: "..temp_image2.jpg.XXXXXX.YYYYYY".
bool isFittingTemporaryOfTheApp(std::string_view name) {
  constexpr std::string_view kPrefix = "..temp_image2.jpg.";
  constexpr std::size_t kUniquePart = 6;
  return name.size() > kPrefix.size() + kUniquePart &&
         posix::isTemporaryName(name.substr(0, kPrefix.size() + kUniquePart), kPrefix) &&
         posix::isTemporaryName(name.substr(kPrefix.size() + kUniquePart), ".");
}

// Downloads ("<target>.download-XXXXXX"), the fitted images written in place
// (".<name>.XXXXXX", and the application's fitting temporary), and partial copies.
bool isWallpaperTemporary(std::string_view name) {
  for (const std::string_view prefix : {".image.jpg.", ".image2.jpg.", ".temp_image2.jpg."}) {
    if (posix::isTemporaryName(name, prefix)) {
      return true;
    }
  }
  if (isFittingTemporaryOfTheApp(name)) {
    return true;
  }
  constexpr std::string_view kDownload = ".download-";
  const std::size_t download = name.rfind(kDownload);
  if (download != std::string_view::npos && download > 0 &&
      posix::isTemporaryName(name.substr(download), kDownload)) {
    return true;
  }
  return isPartialCopy(name);
}

void removeAutostartTemporaries(std::string_view entryName) {
  std::string folder;
  if (entryName.empty() || entryName.find('/') != std::string_view::npos ||
      !posix::configHomeFolder(folder)) {
    return;
  }
  const std::string prefix = std::string(entryName) + ".desktop.";
  posix::removeStaleFiles(
      folder + "/autostart",
      [&prefix](std::string_view name) { return posix::isTemporaryName(name, prefix); },
      kImageDownloadDeadline);
}

}  // namespace

void removeCrashLeftovers(std::string_view wallpaperFolder, std::string_view autostartEntryName) {
  posix::removeHiveTemporaries();
  if (!wallpaperFolder.empty()) {
    posix::removeStaleFiles(std::string(wallpaperFolder), isWallpaperTemporary,
                            kImageDownloadDeadline);
  }
  std::string copies;
  if (wallpaperCopyFolder(copies)) {
    posix::removeStaleFiles(copies, isPartialCopy, kImageDownloadDeadline);
  }
  removeAutostartTemporaries(autostartEntryName);
}

}  // namespace pixoria::platform
