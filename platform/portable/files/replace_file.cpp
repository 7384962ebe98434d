// The whole-buffer replacement, the same on both systems over each one's FileReplacement.
#include "pixoria/platform/files.h"

namespace pixoria::platform {

bool replaceFile(const std::string& target, std::string_view content,
                 const ReplaceOptions& options) {
  FileReplacement file(target, options);
  return file.write(content) && file.commit();
}

}  // namespace pixoria::platform
