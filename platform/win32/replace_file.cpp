#include "replace_file.h"

#include <windows.h>

#include <atomic>

namespace pixoria::platform::win32 {

std::wstring temporaryPathBeside(const std::wstring& destination) {
  static std::atomic<unsigned> counter{0};
  return destination + L".part-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter++);
}

bool replaceWith(const std::wstring& temporary, const std::wstring& destination) {
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    FlushFileBuffers(file);
    CloseHandle(file);
  }
  if (MoveFileExW(temporary.c_str(), destination.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace pixoria::platform::win32
