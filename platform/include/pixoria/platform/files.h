// Replacing a file in one step, so that a reader sees the old content or the new, never a part,
// and a failure at any point leaves the old file whole: the content goes into a temporary file
// beside the target, is flushed to disk and renamed over the target (rename; MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). A failure removes the temporary.
//
// Paths are UTF-8; the Windows implementation converts them to UTF-16.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pixoria::platform {

// The temporary's name. The sweep of a crash's leftovers (leftovers.h) recognises each, so each
// kind of file keeps its own. On Windows every kind is "<target>.part-<process>-<n>".
enum class TemporaryName {
  unique,    // "<target>.XXXXXX": settings files, the autostart entry
  hidden,    // "<folder>/.<name>.XXXXXX": files in folders a person browses (saved images)
  download,  // "<target>.download-XXXXXX": downloads
  partial,   // "<target>.partial", created only when no file has the name (nameTaken())
};

struct ReplaceOptions {
  TemporaryName temporary = TemporaryName::unique;
  // The permission bits the new file gets on Linux (the umask does not narrow them).
  unsigned mode = 0644;
  // When the target exists, its own bits win over `mode` on Linux: the user's choice stays.
  bool keepMode = false;
};

// A replacement written in chunks: opened with the temporary, written, then committed. Destroyed
// before commit() (a cancelled download, a failed write) it removes the temporary and the target
// stays as it was.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& target, const ReplaceOptions& options = {});
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Whether the temporary could be created and no write has failed since.
  bool opened() const;
  // The system's code for the last failure (errno; GetLastError on Windows), 0 when none.
  int error() const;
  // Whether the temporary could not be created because a file has its name
  // (TemporaryName::partial).
  bool nameTaken() const;

  bool write(std::string_view bytes);
  // Hands `write` a stdio stream on the temporary; its false, or any stream error, fails.
  bool writeStream(const std::function<bool(std::FILE*)>& write);
  // Flushes the temporary to disk and renames it over the target. False leaves the target as it
  // was; either way the temporary is gone.
  bool commit();

  // Each system's own record of the temporary (an AtomicFile on Linux, a handle on Windows).
  struct State;

 private:
  std::unique_ptr<State> state_;
};

// The whole of `content` as the target's new content.
bool replaceFile(const std::string& target, std::string_view content,
                 const ReplaceOptions& options = {});

// For a writer that takes a path and writes the whole file itself (a codec, a downloader):
// `writeTo` gets the temporary's path and returns whether it wrote it whole; then the temporary
// replaces the target, or is removed.
bool replaceFileFrom(const std::string& target,
                     const std::function<bool(const std::string& temporaryPath)>& writeTo,
                     const ReplaceOptions& options = {});

}  // namespace pixoria::platform
