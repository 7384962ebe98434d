// The start-up sweep of what a crash left in the wallpaper folder, under Wine: exactly the
// temporaries of our writers go, once older than any write of ours takes, in a folder whose name
// (and a file's) lies outside the ANSI code page.
#include <windows.h>
// The Windows headers below need windows.h before them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pixoria/platform/leftovers.h"
#include "wide_text.h"

namespace pixoria::test {
namespace {

using platform::win32::toUtf8;

constexpr LONGLONG kTicksPerMinute = 60LL * 10'000'000;

struct Entry {
  const wchar_t* name;
  int ageMinutes;  // negative: dated in the future
  bool folder;
  bool removed;
};

// A file (or folder) last written `ageMinutes` ago.
void put(const std::wstring& path, const Entry& entry) {
  if (entry.folder) {
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  }
  const HANDLE file = CreateFileW(
      path.c_str(), GENERIC_WRITE, 0, nullptr, entry.folder ? OPEN_EXISTING : CREATE_NEW,
      entry.folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << toUtf8(path);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER when{};
  when.LowPart = now.dwLowDateTime;
  when.HighPart = now.dwHighDateTime;
  when.QuadPart -= static_cast<ULONGLONG>(entry.ageMinutes * kTicksPerMinute);
  const FILETIME written{when.LowPart, when.HighPart};
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
  CloseHandle(file);
}

std::vector<std::wstring> namesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") {
      names.push_back(name);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void removeTree(const std::wstring& folder) {
  for (const std::wstring& name : namesIn(folder)) {
    const std::wstring path = folder + L"\\" + name;
    if (!DeleteFileW(path.c_str())) {
      removeTree(path);
    }
  }
  RemoveDirectoryW(folder.c_str());
}

TEST(CrashLeftoversWin32Test, RemovesOnlyOurOldTemporaries) {
  const Entry entries[] = {
      // Downloads' and fitted images' temporaries, and the application's fitting name.
      {L"temp_image.jpg.part-1234-0", 11, false, true},
      {L"image2.jpg.part-77-12", 11, false, true},
      {L"\u00C9t\u00E9 \u674E.jpg.part-5-0", 11, false, true},
      {L".temp_image2.jpg.AbCdEf", 11, false, true},
      {L".temp_image2.jpg.AbCdEf.part-9-3", 11, false, true},
      // Writes that may be in progress, or dated after the clock stepped back.
      {L"temp_image.jpg.part-1234-1", 9, false, false},
      {L"image.jpg.part-1-2", -60, false, false},
      // Our finished files, names that are not ours, and a folder named like a temporary.
      {L"image.jpg", 11, false, false},
      {L"notes.part-1", 11, false, false},
      {L".part-1-2", 11, false, false},
      {L"a.jpg.part-x-1", 11, false, false},
      {L"a.jpg.part-1-", 11, false, false},
      {L".temp_image2.jpg.toolong1", 11, false, false},
      {L"kept.jpg.part-1-2", 11, true, false},
  };
  wchar_t base[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, base), 0u);
  const std::wstring root =
      std::wstring(base) + L"pixoria-leftovers-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring folder = root + L"\\J\u00FCrgen L\u01D0 \u674E\u534E";
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  std::vector<std::wstring> expected;
  for (const Entry& entry : entries) {
    put(folder + L"\\" + entry.name, entry);
    if (!entry.removed) {
      expected.push_back(entry.name);
    }
  }
  std::sort(expected.begin(), expected.end());

  platform::removeCrashLeftovers(toUtf8(folder), "PixoriaHelper");
  const std::vector<std::wstring> left = namesIn(folder);
  removeTree(root);
  EXPECT_EQ(left, expected);
}

// The agent passes an empty folder when the shell names none; a missing folder is left missing.
TEST(CrashLeftoversWin32Test, NoFolderIsSweptOrMade) {
  wchar_t base[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, base), 0u);
  const std::wstring missing = std::wstring(base) + L"pixoria-missing-\u674E";
  platform::removeCrashLeftovers("", "PixoriaHelper");
  platform::removeCrashLeftovers(toUtf8(missing), "PixoriaHelper");
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace pixoria::test
