// Replacing a file so that a reader sees the old content or the new, never a mix or a stub, and a
// crash at any point leaves one of them whole.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "files/unique_fd.h"

namespace pixoria::platform::posix {

// The folder holding `path`: "." for a bare name, "/" for a file in the root.
std::string folderOf(const std::string& path);

// "<folder>/.<name>.XXXXXX": a hidden temporary for `path`, for folders a person browses.
std::string hiddenTemporaryPattern(const std::string& path);

// The permission bits of the file at `path`, or `fallback` when there is none: a replacement
// keeps the mode the user gave the file.
mode_t existingModeOr(const std::string& path, mode_t fallback);

// Writes all of `bytes`, again after an interruption. False with errno set on failure.
bool writeAll(int fd, std::string_view bytes);

// A file written under a temporary name in its target's folder, which takes the target's place
// only when complete. Every failure leaves the target as it was and removes the temporary.
class AtomicFile {
 public:
  // Creates `temporary` with `mode` (the umask does not narrow it). A name ending in "XXXXXX"
  // gets a unique suffix there, as mkostemp makes it; any other name must not exist yet, so
  // error() is EEXIST when a file has it. An empty target or one ending in '/' fails (EISDIR).
  AtomicFile(std::string target, std::string temporary, mode_t mode);
  // Removes the temporary file unless it was committed.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool created() const { return fd_.valid() || committed_; }
  // The errno of the last failure, 0 when there was none.
  int error() const { return error_; }
  int fd() const { return fd_.get(); }
  const std::string& temporaryPath() const { return temporary_; }

  bool write(std::string_view bytes);
  // Hands `write` a stdio stream on the file; its false, or any stream error, fails.
  bool writeStream(const std::function<bool(std::FILE*)>& write);
  // Flushes the content to disk, renames the file over the target and flushes the folder.
  bool commit();

 private:
  bool fail();
  void discard();

  std::string target_;
  std::string temporary_;
  UniqueFd fd_;
  int error_ = 0;
  bool committed_ = false;
};

// Writes `content` to "<path>.XXXXXX" with `mode` and renames it over `path`.
bool replaceFileAtomically(const std::string& path, std::string_view content, mode_t mode);

}  // namespace pixoria::platform::posix
