#include "form/pictures_folder.h"

#include <string>

#include "pixoria/platform/folders.h"

QString picturesFolder() {
  std::string folder;
  if (!pixoria::platform::getPicturesFolder(folder)) {
    return QString();
  }
  return QString::fromStdString(folder);
}
