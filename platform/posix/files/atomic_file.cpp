#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pixoria::platform::posix {
namespace {

constexpr std::string_view kUniqueSuffix = "XXXXXX";

// The folder entry of a renamed file reaches the disk only with the folder itself.
void syncFolder(const std::string& folder) {
  const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.valid()) {
    ::fsync(fd.get());
  }
}

int createTemporary(std::string& temporary) {
  if (temporary.ends_with(kUniqueSuffix)) {
    return ::mkostemp(temporary.data(), O_CLOEXEC);
  }
  return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string hiddenTemporaryPattern(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string folder = folderOf(path);
  return (folder == "/" ? "" : folder) + "/." + name + "." + std::string(kUniqueSuffix);
}

mode_t existingModeOr(const std::string& path, mode_t fallback) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : fallback;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      errno = written == 0 ? EIO : errno;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

AtomicFile::AtomicFile(std::string target, std::string temporary, mode_t mode)
    : target_(std::move(target)), temporary_(std::move(temporary)) {
  if (target_.empty() || target_.back() == '/') {
    error_ = EISDIR;
    temporary_.clear();
    return;
  }
  fd_.reset(createTemporary(temporary_));
  if (!fd_.valid()) {
    error_ = errno;
    temporary_.clear();  // not ours to remove: it does not exist, or it is another's
    return;
  }
  if (::fchmod(fd_.get(), mode) != 0) {
    fail();
  }
}

AtomicFile::~AtomicFile() {
  if (!committed_) {
    discard();
  }
}

bool AtomicFile::fail() {
  error_ = errno;
  discard();
  return false;
}

void AtomicFile::discard() {
  fd_.close();
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

bool AtomicFile::write(std::string_view bytes) {
  if (!fd_.valid()) {
    return false;
  }
  return writeAll(fd_.get(), bytes) || fail();
}

bool AtomicFile::writeStream(const std::function<bool(std::FILE*)>& write) {
  if (!fd_.valid()) {
    return false;
  }
  // The stream gets a descriptor of its own, so that fclose leaves ours for commit().
  UniqueFd copy(::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
  std::FILE* stream = copy.valid() ? ::fdopen(copy.get(), "wb") : nullptr;
  if (stream == nullptr) {
    return fail();
  }
  copy.release();
  bool written = write(stream);
  written = std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
  written = std::fclose(stream) == 0 && written;
  if (!written) {
    errno = errno == 0 ? EIO : errno;
    return fail();
  }
  return true;
}

bool AtomicFile::commit() {
  if (!fd_.valid()) {
    return false;
  }
  if (::fsync(fd_.get()) != 0 || !fd_.close() ||
      ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    return fail();
  }
  committed_ = true;
  syncFolder(folderOf(target_));
  return true;
}

bool replaceFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
  AtomicFile file(path, path + "." + std::string(kUniqueSuffix), mode);
  return file.write(content) && file.commit();
}

}  // namespace pixoria::platform::posix
