// Where the hive file lives and how its bytes are read, bounded.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace pixoria::platform::hive {

struct HiveLocation {
  std::string folder;    // $XDG_CONFIG_HOME/pixoria
  std::string file;      // .../HKCU.reg
  std::string lockFile;  // .../HKCU.reg.lock, the writers' flock
};

// From XDG_CONFIG_HOME when it is absolute, else $HOME/.config; empty when there is no home.
std::optional<HiveLocation> locateHive();

// A file larger than this is not a settings file: readers see it as absent and writers leave it
// alone rather than replace it with the little they would understand of it.
inline constexpr std::size_t kMaxHiveBytes = 16 * 1024 * 1024;

// Nor is a file of this many line feeds or more (the custom list's 100000 entries fit with room
// to spare). Each line the parser keeps costs a record of its own, so without this bound 16 MiB of
// empty lines would cost gigabytes on every read.
inline constexpr std::size_t kMaxHiveLines = std::size_t{1} << 17;

// True when a reader takes these bytes as a hive: within both bounds above. Writers refuse to
// put anything else in place, or every value would read as absent afterwards.
bool withinHiveLimits(std::string_view bytes);

// What identifies one version of the file without reading it.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  mode_t mode = 0;

  bool sameVersion(const FileStamp& other) const;
};

enum class ReadStatus { kOk, kMissing, kTooLarge, kUnreadable };

struct FileRead {
  ReadStatus status = ReadStatus::kMissing;
  std::string bytes;
  FileStamp stamp;
};

// Reads a regular file of at most `maxBytes`. Never blocks on a FIFO or device put in its place.
FileRead readBoundedFile(const std::string& path, std::size_t maxBytes = kMaxHiveBytes);

// The hive file's bytes: readBoundedFile with the hive's limits on bytes and lines. A file past
// either is kTooLarge, with its stamp and no bytes.
FileRead readHiveFile(const std::string& path);

// stat() of the path as a stamp; empty when it cannot be stat'ed.
std::optional<FileStamp> stampOf(const std::string& path);

}  // namespace pixoria::platform::hive
