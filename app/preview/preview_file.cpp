#include "preview/preview_file.h"

#include <string>

#include "agent/wallpaper_files.h"
#include "pixoria/platform/folders.h"

namespace {

QString text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

QString wallpaperFilePath(std::string_view name) {
  namespace pf = pixoria::platform;
  const QChar separator = QLatin1Char(pf::kPathSeparator);
  std::string appData;
  if (!pf::getAppDataFolder(appData)) {
    return separator + text(name);
  }
  return QString::fromStdString(appData) + separator + text(pixoria::kWallpaperSubfolder) +
         separator + text(pixoria::kWallpaperFolderName) + separator + text(name);
}

QString previewImagePath() {
  return wallpaperFilePath(pixoria::kSecondImageName);
}
