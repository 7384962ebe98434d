// Waits for a top-level window to be shown, to be there (visible or not) or to be gone, for the
// installer's tests under Wine.
//   window_probe CLASS TITLE shown|there|gone SECONDS
// Exits 0 once the window is in that state, 1 when it is not within SECONDS, 2 on a wrong
// command line. Once found, prints the id of the process that owns the window, so that a test can
// tell a restarted program from the one that ran before.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The agent's window is hidden by design: for it, existing is being there.
bool isThere(HWND window, bool needVisible) {
  return window != nullptr && (!needVisible || IsWindowVisible(window));
}

int probe(const wchar_t* windowClass, const wchar_t* title, bool wantThere, bool needVisible,
          DWORD seconds) {
  const ULONGLONG end = GetTickCount64() + seconds * 1000ULL;
  for (;;) {
    const HWND window = FindWindowW(windowClass, title);
    if (isThere(window, needVisible) == wantThere) {
      if (wantThere) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        std::printf("%lu\n", static_cast<unsigned long>(processId));
      }
      return 0;
    }
    if (GetTickCount64() > end) {
      return 1;
    }
    Sleep(100);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: window_probe CLASS TITLE shown|there|gone SECONDS\n", stderr);
    return 2;
  }
  const std::wstring state = argv[3];
  const DWORD seconds = static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10));
  if (state == L"shown") {
    return probe(argv[1], argv[2], true, true, seconds);
  }
  if (state == L"there") {
    return probe(argv[1], argv[2], true, false, seconds);
  }
  if (state == L"gone") {
    return probe(argv[1], argv[2], false, false, seconds);
  }
  std::fputs("window_probe: the state is shown, there or gone\n", stderr);
  return 2;
}
