// The files service on Windows: a temporary "<target>.part-<process>-<n>" beside the target,
// written through a handle of its own, flushed (FlushFileBuffers) and moved over the target
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). Windows has no file
// modes, so ReplaceOptions' bits do not apply; the temporary's name is the same for every kind,
// the one the crash sweep (leftovers.cpp) recognises.
#include "pixoria/platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

#include "wide_text.h"

namespace pixoria::platform {
namespace {

// A name in the target's folder that no other writer of this process or another uses.
std::wstring temporaryPathBeside(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  return target + L".part-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter++);
}

// Flushes `temporary` to disk and moves it over `target`; on failure the temporary is deleted
// and the target keeps its content.
bool moveOver(const std::wstring& temporary, const std::wstring& target) {
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    FlushFileBuffers(file);
    CloseHandle(file);
  }
  if (MoveFileExW(temporary.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
    return false;
  }
  return true;
}

}  // namespace

struct FileReplacement::State {
  std::wstring target;
  std::wstring temporary;
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  bool nameTaken = false;

  bool fail() {
    error = GetLastError();
    discard();
    return false;
  }
  void discard() {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
    }
    if (!temporary.empty()) {
      DeleteFileW(temporary.c_str());
      temporary.clear();
    }
  }
};

FileReplacement::FileReplacement(const std::string& target, const ReplaceOptions& /*options*/)
    : state_(std::make_unique<State>()) {
  state_->target = win32::toWide(target);
  if (target.empty() || target.back() == '/' || target.back() == '\\') {
    state_->error = ERROR_PATH_NOT_FOUND;
    return;
  }
  state_->temporary = temporaryPathBeside(state_->target);
  state_->handle = CreateFileW(state_->temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (state_->handle == INVALID_HANDLE_VALUE) {
    state_->error = GetLastError();
    state_->nameTaken = state_->error == ERROR_FILE_EXISTS;
    state_->temporary.clear();  // not ours to delete: it does not exist, or it is another's
  }
}

FileReplacement::~FileReplacement() {
  state_->discard();
}

bool FileReplacement::opened() const {
  return state_->handle != INVALID_HANDLE_VALUE;
}

int FileReplacement::error() const {
  return static_cast<int>(state_->error);
}

bool FileReplacement::nameTaken() const {
  return state_->nameTaken;
}

bool FileReplacement::write(std::string_view bytes) {
  if (!opened()) {
    return false;
  }
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 30));
    DWORD written = 0;
    if (WriteFile(state_->handle, bytes.data(), chunk, &written, nullptr) == FALSE ||
        written == 0) {
      return state_->fail();
    }
    bytes.remove_prefix(written);
  }
  return true;
}

// The stream gets a duplicate of the handle, so that fclose leaves ours for commit().
bool FileReplacement::writeStream(const std::function<bool(std::FILE*)>& write) {
  if (!opened()) {
    return false;
  }
  HANDLE copy = INVALID_HANDLE_VALUE;
  const HANDLE process = GetCurrentProcess();
  if (DuplicateHandle(process, state_->handle, process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS) ==
      FALSE) {
    return state_->fail();
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY | _O_BINARY);
  std::FILE* stream = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
  if (stream == nullptr) {
    if (descriptor >= 0) {
      _close(descriptor);
    } else {
      CloseHandle(copy);
    }
    return state_->fail();
  }
  bool written = write(stream);
  written = std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
  written = std::fclose(stream) == 0 && written;
  if (!written) {
    SetLastError(ERROR_WRITE_FAULT);
    return state_->fail();
  }
  return true;
}

bool FileReplacement::commit() {
  if (!opened()) {
    return false;
  }
  const BOOL flushed = FlushFileBuffers(state_->handle);
  CloseHandle(std::exchange(state_->handle, INVALID_HANDLE_VALUE));
  if (flushed == FALSE) {
    return state_->fail();
  }
  if (!moveOver(state_->temporary, state_->target)) {
    state_->temporary.clear();  // moveOver deleted it
    return state_->fail();
  }
  state_->temporary.clear();
  return true;
}

// The writer creates the temporary itself (GDI+ and urlmon open it with their own sharing), so
// nothing holds it open meanwhile.
bool replaceFileFrom(const std::string& target,
                     const std::function<bool(const std::string& temporaryPath)>& writeTo,
                     const ReplaceOptions& /*options*/) {
  const std::wstring destination = win32::toWide(target);
  const std::wstring temporary = temporaryPathBeside(destination);
  if (!writeTo(win32::toUtf8(temporary))) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return moveOver(temporary, destination);
}

}  // namespace pixoria::platform
