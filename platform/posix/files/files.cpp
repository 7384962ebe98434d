// The files service on Linux: AtomicFile under the names and modes the callers ask for.
#include "pixoria/platform/files.h"

#include <sys/stat.h>

#include <cerrno>

#include "files/atomic_file.h"

namespace pixoria::platform {
namespace {

std::string temporaryFor(const std::string& target, TemporaryName name) {
  switch (name) {
    case TemporaryName::hidden:
      return posix::hiddenTemporaryPattern(target);
    case TemporaryName::download:
      return target + ".download-XXXXXX";
    case TemporaryName::partial:
      return target + ".partial";
    case TemporaryName::unique:
      break;
  }
  return target + ".XXXXXX";
}

mode_t modeFor(const std::string& target, const ReplaceOptions& options) {
  const auto mode = static_cast<mode_t>(options.mode);
  return options.keepMode ? posix::existingModeOr(target, mode) : mode;
}

}  // namespace

struct FileReplacement::State {
  State(const std::string& target, const ReplaceOptions& options)
      : file(target, temporaryFor(target, options.temporary), modeFor(target, options)) {}
  posix::AtomicFile file;
};

FileReplacement::FileReplacement(const std::string& target, const ReplaceOptions& options)
    : state_(std::make_unique<State>(target, options)) {}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::opened() const {
  return state_->file.fd() >= 0;
}

int FileReplacement::error() const {
  return state_->file.error();
}

bool FileReplacement::nameTaken() const {
  return !state_->file.created() && state_->file.error() == EEXIST;
}

bool FileReplacement::write(std::string_view bytes) {
  return state_->file.write(bytes);
}

bool FileReplacement::writeStream(const std::function<bool(std::FILE*)>& write) {
  return state_->file.writeStream(write);
}

bool FileReplacement::commit() {
  return state_->file.commit();
}

// The writer opens the temporary by its name and so writes the file this one holds open, which
// commit() then flushes and renames.
bool replaceFileFrom(const std::string& target,
                     const std::function<bool(const std::string& temporaryPath)>& writeTo,
                     const ReplaceOptions& options) {
  FileReplacement::State state(target, options);
  return state.file.created() && writeTo(state.file.temporaryPath()) && state.file.commit();
}

}  // namespace pixoria::platform
