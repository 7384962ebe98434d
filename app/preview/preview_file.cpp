#include "preview/preview_file.h"

#include <string>
#include <utility>

#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/folders.h"
#include "shell/utf8_text.h"

QString wallpaperFilePath(std::string_view name) {
  // Without the application-data folder the name stands alone at the root of the file system.
  std::string folder;
  std::string appData;
  if (pixoria::platform::getAppDataFolder(appData)) {
    folder = pixoria::wallpaperFolderIn(std::move(appData));
  }
  return fromUtf8(pixoria::pathInFolder(std::move(folder), name));
}

QString previewImagePath() {
  return wallpaperFilePath(pixoria::kSecondImageName);
}

QString uhdRenditionPath() {
  return wallpaperFilePath("image2_uhd.jpg");
}
