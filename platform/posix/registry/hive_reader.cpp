// The agent reads a dozen values per load and the custom list can be long, so the parsed file
// is kept and reused while stat() says the file is the same version.
#include "registry/hive_reader.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <mutex>
#include <string>

#include "registry/hive_file.h"

namespace pixoria::platform::hive {
namespace {

// A file changed within the same timestamp tick as the version we read keeps its stamp (and an
// inode freed by one rename can be handed to the next temporary file). A version whose stamp is
// this close to the moment we read it is confirmed by its bytes before reuse; older ones cannot
// be rewritten without a new time. Two seconds covers coarse clocks and some skew.
constexpr long kRacySeconds = 2;

struct CachedHive {
  std::string path;
  FileStamp stamp;
  timespec readAt{};
  std::string bytes;
  std::shared_ptr<const HiveSnapshot> snapshot;
};

std::mutex cacheMutex;
CachedHive cache;

timespec now() {
  timespec time{};
  clock_gettime(CLOCK_REALTIME, &time);
  return time;
}

bool isRacy(const CachedHive& cached) {
  const auto latest = std::max(cached.stamp.modified.tv_sec, cached.stamp.changed.tv_sec);
  return cached.readAt.tv_sec - latest < kRacySeconds;
}

std::shared_ptr<const HiveSnapshot> emptyHive() {
  static const auto empty = std::make_shared<const HiveSnapshot>();
  return empty;
}

// Once per version of the file: the settings are not lost, only unread, and the user can see why.
void reportTooLarge(const std::string& path) {
  const std::string line = "registry: " + path + " has more than " + std::to_string(kMaxHiveBytes) +
                           " bytes or " + std::to_string(kMaxHiveLines) +
                           " lines; its values read as absent\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace

std::shared_ptr<const HiveSnapshot> currentHive() {
  const auto location = locateHive();
  if (!location) {
    return emptyHive();
  }
  std::lock_guard lock(cacheMutex);
  const auto stamp = stampOf(location->file);
  if (!stamp) {
    return emptyHive();
  }
  const bool sameStamp =
      cache.snapshot && cache.path == location->file && cache.stamp.sameVersion(*stamp);
  if (sameStamp && !isRacy(cache)) {
    return cache.snapshot;
  }

  const timespec readAt = now();
  FileRead file = readHiveFile(location->file);
  if (file.status == ReadStatus::kTooLarge) {
    // Read as empty, and remembered as such: a load reads many values, and each would read the
    // whole file again to refuse it again.
    if (!sameStamp) {
      reportTooLarge(location->file);
    }
    cache.snapshot = emptyHive();
    cache.bytes.clear();
    cache.path = location->file;
  } else if (file.status != ReadStatus::kOk) {
    return emptyHive();
  } else if (!(sameStamp && file.bytes == cache.bytes && file.stamp.sameVersion(cache.stamp))) {
    cache.snapshot = std::make_shared<const HiveSnapshot>(parseHiveBytes(file.bytes));
    cache.bytes = std::move(file.bytes);
    cache.path = location->file;
  }
  cache.stamp = file.stamp;
  cache.readAt = readAt;
  return cache.snapshot;
}

void rememberWrittenHive(const std::string& path, const HiveDocument& document, std::string bytes) {
  const auto stamp = stampOf(path);
  if (!stamp) {
    return;
  }
  auto snapshot = std::make_shared<const HiveSnapshot>(document);
  std::lock_guard lock(cacheMutex);
  cache.path = path;
  cache.stamp = *stamp;
  cache.readAt = now();
  cache.bytes = std::move(bytes);
  cache.snapshot = std::move(snapshot);
}

}  // namespace pixoria::platform::hive
