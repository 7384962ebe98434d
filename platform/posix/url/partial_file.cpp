#include "url/partial_file.h"

#include <sys/stat.h>

#include <cerrno>

namespace pixoria::platform::posix {
namespace {

// Images are not secrets: readable by all, like a file the user saved.
constexpr mode_t kFileMode = 0644;

HResult resultOfErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return kAccessDenied;
    default:
      return kFail;
  }
}

}  // namespace

PartialFile::PartialFile(const std::string& targetPath)
    : file_(targetPath, {TemporaryName::download, kFileMode}) {
  createResult_ = file_.opened() ? kOk : resultOfErrno(file_.error());
}

HResult PartialFile::append(const char* data, std::size_t size) {
  return file_.write(std::string_view(data, size)) ? kOk : resultOfErrno(file_.error());
}

HResult PartialFile::commit() {
  return file_.commit() ? kOk : resultOfErrno(file_.error());
}

}  // namespace pixoria::platform::posix
