// A world of its own for each desktop test: a temporary home and state folder, and environment
// variables set for the test and put back after it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pixoria/platform/desktop_wallpaper.h"

namespace pixoria::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Sets (or, with nullopt, unsets) variables; the destructor restores what was there.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void set(const std::string& name, const std::optional<std::string>& value);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Creates (or truncates) a file holding `bytes`. False on an I/O error.
bool writeFile(const std::string& path, const std::string& bytes);

// The file's bytes, or empty when it cannot be read.
std::string readFile(const std::string& path);

// The monitor ids a desktop reports, in order; empty when it fails to report them.
std::vector<std::string> monitorIds(platform::DesktopWallpaper& wallpaper);

}  // namespace pixoria::test
