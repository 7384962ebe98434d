// Stands in for PixoriaHelper.exe in the application's tests on Windows: it writes, beside
// itself in started.txt, the folder it was started in and how it was asked to show, then ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring mark = self;
  mark = mark.substr(0, mark.rfind(L'\\') + 1) + L"started.txt";

  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;

  FILE* out = _wfopen(mark.c_str(), L"w, ccs=UTF-8");
  if (out == nullptr) {
    return 1;
  }
  std::fwprintf(out, L"%ls\n%d\n", folder, show);
  std::fclose(out);
  return 0;
}
