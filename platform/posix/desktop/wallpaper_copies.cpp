#include "wallpaper_copies.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "desktop_backend.h"
#include "files/unique_fd.h"
#include "pixoria/platform/files.h"
#include "pixoria/platform/folders.h"
#include "xdg_base_dirs.h"

namespace pixoria::platform {
namespace {

constexpr std::size_t kSerialDigits = 16;
constexpr int kNameAttempts = 16;
constexpr mode_t kCopyMode = 0644;
constexpr mode_t kSerialFileMode = 0600;
// Counting from 1 never reaches 2^63, nor does the wall clock in nanoseconds older versions named
// copies by (not before 2262): a higher serial is a stray file's, unless we handed it out.
constexpr std::uint64_t kStraySerial = std::uint64_t{1} << 63;
// A kept serial leaves room to count on for ever without wrapping; a higher one is damage.
constexpr std::uint64_t kKeptSerialLimit = ~std::uint64_t{0} - (std::uint64_t{1} << 32);

std::string slotName(std::string_view slot) {
  std::string name(slot.substr(0, 64));
  for (char& c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    c = plain ? c : '_';
  }
  return name.empty() ? "_" : name;
}

// ".jpg" for "/a/b/lake.JPG": desktops that pick a decoder by the name still find one.
std::string extensionOf(std::string_view path) {
  const std::string_view name = path.substr(path.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 6) {
    return {};
  }
  std::string extension = ".";
  for (const char c : name.substr(dot + 1)) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
      return {};
    }
    extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return extension.size() > 1 ? extension : std::string();
}

std::string hexSerial(std::uint64_t serial) {
  std::array<char, kSerialDigits + 1> digits{};
  std::snprintf(digits.data(), digits.size(), "%016llx", static_cast<unsigned long long>(serial));
  return digits.data();
}

// The source as the desktop would open it: a FIFO or a device put in the custom list would block
// the copy, or the desktop, for ever. A diagnostic says why it is refused.
bool isRegularFile(const struct stat& status, const std::string& path) {
  if (S_ISREG(status.st_mode)) {
    return true;
  }
  writeDesktopDiagnostic("desktop: " + path + " is not a regular file");
  return false;
}

enum class CopyResult { kCopied, kNameTaken, kFailed };

// A byte copy under a temporary name, flushed, then renamed into place: a desktop never sees a
// half-written wallpaper. O_NONBLOCK lets the open of a FIFO swapped in since the check return,
// so that the check after it refuses it. A temporary a crash left under the name takes the name.
// The copy is readable by all, as the downloaded and fitted wallpapers are: a desktop may read it
// from a service of its own (a greeter, a lock screen) that does not run as the user.
CopyResult copyFile(const std::string& source, const std::string& target) {
  const posix::UniqueFd input(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (!input.valid() || ::fstat(input.get(), &status) != 0 || !isRegularFile(status, source)) {
    return CopyResult::kFailed;
  }
  FileReplacement output(target, {TemporaryName::partial, kCopyMode});
  if (!output.opened()) {
    return output.nameTaken() ? CopyResult::kNameTaken : CopyResult::kFailed;
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t count = ::read(input.get(), buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      return CopyResult::kFailed;
    }
    if (count == 0) {
      break;
    }
    if (!output.write(std::string_view(buffer.data(), static_cast<std::size_t>(count)))) {
      return CopyResult::kFailed;
    }
  }
  return output.commit() ? CopyResult::kCopied : CopyResult::kFailed;
}

// A hard link shares the inode of whatever the source named at the moment of linking; when that
// was no longer a regular file, the link goes again.
bool linkedRegularFile(const std::string& source, const std::string& target) {
  struct stat status {};
  if (::lstat(target.c_str(), &status) == 0 && isRegularFile(status, source)) {
    return true;
  }
  ::unlink(target.c_str());
  return false;
}

std::optional<std::uint64_t> parseHexSerial(std::string_view digits) {
  if (digits.size() != kSerialDigits) {
    return std::nullopt;
  }
  std::uint64_t serial = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) {
      return std::nullopt;
    }
    serial = serial << 4 | static_cast<std::uint64_t>(digit);
  }
  return serial;
}

// The last serial handed out, kept beside the copies' folder: a desktop may still name a copy
// after the folder was emptied, so counting must not start again from what is left in it.
std::string serialFile(const std::string& folder) {
  return folder + ".serial";
}

std::uint64_t keptSerial(const std::string& folder) {
  const posix::UniqueFd file(::open(serialFile(folder).c_str(), O_RDONLY | O_CLOEXEC));
  std::array<char, kSerialDigits + 1> text{};
  if (!file.valid() ||
      ::read(file.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
      text[kSerialDigits] != '\n') {
    return 0;
  }
  const auto serial = parseHexSerial(std::string_view(text.data(), kSerialDigits));
  return serial && *serial < kKeptSerialLimit ? *serial : 0;
}

// Best effort: without the file, the serials present in the folder still count.
void keepSerial(const std::string& folder, std::uint64_t serial) {
  const std::string path = serialFile(folder);
  FileReplacement file(path, {TemporaryName::hidden, kSerialFileMode});
  if (file.write(hexSerial(serial) + "\n")) {
    file.commit();
  }
}

// "<slot>-<16 hex>.<ext>" with exactly this slot (so "HDMI" never claims "HDMI-1"'s copies): its
// serial, or nothing for another name. Copies named by the clock, as older versions did, read
// as serials too, and the next serial still sorts after them.
std::optional<std::uint64_t> serialOfCopy(std::string_view name, std::string_view slot) {
  const std::size_t dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot == 0 ? name.size() : dot);
  if (stem.size() != slot.size() + 1 + kSerialDigits || !stem.starts_with(slot) ||
      stem[slot.size()] != '-') {
    return std::nullopt;
  }
  return parseHexSerial(stem.substr(stem.size() - kSerialDigits));
}

struct SlotCopy {
  std::uint64_t serial = 0;
  std::string name;
};

// The slot's copies in the folder, oldest (lowest serial) first. A stray serial (see
// kStraySerial) above the kept one is no copy of ours: it is neither counted on nor removed.
std::vector<SlotCopy> copiesOfSlot(const std::string& folder, std::string_view slot,
                                   std::uint64_t kept) {
  std::vector<SlotCopy> copies;
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) {
    return copies;
  }
  while (const dirent* entry = ::readdir(directory)) {
    const auto serial = serialOfCopy(entry->d_name, slot);
    if (serial && (*serial < kStraySerial || *serial <= kept)) {
      copies.push_back({*serial, entry->d_name});
    }
  }
  ::closedir(directory);
  std::sort(copies.begin(), copies.end(),
            [](const SlotCopy& a, const SlotCopy& b) { return a.serial < b.serial; });
  return copies;
}

}  // namespace

bool wallpaperCopyFolder(std::string& folder) {
  if (!posix::dataHomeFolder(folder)) {
    return false;
  }
  folder += "/pixoria/desktop";
  return true;
}

HResult makeWallpaperCopy(const std::string& folder, std::string_view slot, std::string_view source,
                          std::string& copy) {
  if (!wallpaperFileExists(source)) {
    return kFileNotFoundResult;
  }
  const std::string sourcePath(source);
  struct stat status {};
  if (::stat(sourcePath.c_str(), &status) != 0 || !isRegularFile(status, sourcePath)) {
    return kFail;
  }
  if (!createDirectories(folder)) {
    writeDesktopDiagnostic("desktop: cannot create the folder " + folder);
    return kFail;
  }
  const std::string name = slotName(slot);
  const std::uint64_t kept = keptSerial(folder);
  const std::vector<SlotCopy> present = copiesOfSlot(folder, name, kept);
  // Clocks step back and restart at boot; only a number that grows with each copy keeps the one
  // just made the newest.
  std::uint64_t serial =
      std::max(kept, present.empty() ? std::uint64_t{0} : present.back().serial) + 1;
  const std::string prefix = folder + "/" + name + "-";
  const std::string extension = extensionOf(source);
  for (int attempt = 0; attempt < kNameAttempts && serial != 0; ++attempt, ++serial) {
    const std::string target = prefix + hexSerial(serial) + extension;
    // Follow a symbolic link: a relative one would point nowhere from our folder.
    if (::linkat(AT_FDCWD, sourcePath.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      if (!linkedRegularFile(sourcePath, target)) {
        return kFail;
      }
      keepSerial(folder, serial);
      copy = target;
      return kOk;
    }
    if (errno == EEXIST) {
      continue;  // another program made that copy just now
    }
    if (errno == ENOENT) {
      return kFileNotFoundResult;
    }
    // Another file system, a file we may not link (protected_hardlinks), too many links...
    const CopyResult copied = copyFile(sourcePath, target);
    if (copied == CopyResult::kCopied) {
      keepSerial(folder, serial);
      copy = target;
      return kOk;
    }
    if (copied == CopyResult::kFailed) {
      break;
    }
  }
  writeDesktopDiagnostic("desktop: cannot copy " + sourcePath + " into " + folder);
  return kFail;
}

void pruneWallpaperCopies(const std::string& folder, std::string_view slot, std::size_t keep) {
  const std::vector<SlotCopy> copies = copiesOfSlot(folder, slotName(slot), keptSerial(folder));
  for (std::size_t i = 0; i + keep < copies.size(); ++i) {
    ::unlink((folder + "/" + copies[i].name).c_str());
  }
}

}  // namespace pixoria::platform

namespace pixoria::platform {

HResult setThroughFreshCopy(std::string_view slot, std::string_view imagePath,
                            const std::function<HResult(const std::string& copy)>& apply) {
  std::string folder;
  if (!wallpaperCopyFolder(folder)) {
    writeDesktopDiagnostic("desktop: neither XDG_DATA_HOME nor HOME names a folder");
    return kFail;
  }
  std::string copy;
  HResult result = makeWallpaperCopy(folder, slot, imagePath, copy);
  if (failed(result)) {
    return result;
  }
  result = apply(copy);
  if (failed(result)) {
    ::unlink(copy.c_str());
    return result;
  }
  pruneWallpaperCopies(folder, slot, 2);
  return result;
}

}  // namespace pixoria::platform
