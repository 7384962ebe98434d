#include "preview/preview_file.h"

#include <string>

#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/folders.h"
#include "shell/utf8_text.h"

QString wallpaperFilePath(std::string_view name) {
  namespace pf = pixoria::platform;
  const QChar separator = QLatin1Char(pf::kPathSeparator);
  std::string appData;
  if (!pf::getAppDataFolder(appData)) {
    return separator + fromUtf8(name);
  }
  return QString::fromStdString(appData) + separator + fromUtf8(pixoria::kWallpaperSubfolder) +
         separator + fromUtf8(pixoria::kWallpaperFolderName) + separator + fromUtf8(name);
}

QString previewImagePath() {
  return wallpaperFilePath(pixoria::kSecondImageName);
}

QString uhdRenditionPath() {
  return wallpaperFilePath("image2_uhd.jpg");
}
