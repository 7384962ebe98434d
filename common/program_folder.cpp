#include "pixoria/common/program_folder.h"

#include "pixoria/platform/folders.h"

namespace pixoria {

std::string programFolder(const std::string& installPath) {
  if (!installPath.empty()) {
    return installPath;
  }
  std::string folder;
  platform::getExecutableFolder(folder);
  return folder;
}

}  // namespace pixoria
