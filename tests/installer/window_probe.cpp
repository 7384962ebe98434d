// What the installer's tests under Wine need done from inside the prefix:
//   window_probe CLASS TITLE shown|there|gone SECONDS
//     waits for a top-level window to be shown, to be there (visible or not) or to be gone. Exits 0
//     once the window is in that state, 1 when it is not within SECONDS. Once found, prints the id
//     of the process that owns the window, so that a test can tell a restarted program from the
//     one that ran before.
//   window_probe CLASS TITLE click X Y
//     clicks the left mouse button at X, Y of the window's client area (a Qt button, which has no
//     window of its own). Exits 1 when there is no such window.
//   window_probe CLASS TITLE press ID
//     clicks the button of control id ID in the window (a wizard's Next is 1). A disabled button
//     ignores it. Exits 1 when there is no such window or button.
//   window_probe CLASS TITLE texts
//     prints the text of each visible window inside the window, one a line.
//   window_probe hold FILE SECONDS
//     opens FILE for writing and shares it with nobody for SECONDS, as a program that keeps a file
//     in use. Prints "held" once it holds it; exits 1 when it cannot open it.
//   window_probe runas PROGRAM [ARGUMENTS]
//     starts PROGRAM with the verb "runas" (as administrator) and exits with its exit code.
//   window_probe elevated
//     exits 0 when its own token is elevated, 1 when it is not.
// A CLASS of "-" matches any class. Exits 2 on a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The agent's window is hidden by design: for it, existing is being there.
bool isThere(HWND window, bool needVisible) {
  return window != nullptr && (!needVisible || IsWindowVisible(window));
}

HWND findWindow(const wchar_t* windowClass, const wchar_t* title) {
  return FindWindowW(std::wcscmp(windowClass, L"-") == 0 ? nullptr : windowClass, title);
}

int probe(const wchar_t* windowClass, const wchar_t* title, bool wantThere, bool needVisible,
          DWORD seconds) {
  const ULONGLONG end = GetTickCount64() + seconds * 1000ULL;
  for (;;) {
    const HWND window = findWindow(windowClass, title);
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

// Posted rather than sent through the input queue: the window need not be in front.
int click(const wchar_t* windowClass, const wchar_t* title, int x, int y) {
  const HWND window = findWindow(windowClass, title);
  if (window == nullptr) {
    return 1;
  }
  const LPARAM where = MAKELPARAM(x, y);
  PostMessageW(window, WM_MOUSEMOVE, 0, where);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(window, WM_LBUTTONUP, 0, where);
  return 0;
}

int press(const wchar_t* windowClass, const wchar_t* title, int id) {
  const HWND window = findWindow(windowClass, title);
  const HWND button = window != nullptr ? GetDlgItem(window, id) : nullptr;
  if (button == nullptr) {
    return 1;
  }
  PostMessageW(button, BM_CLICK, 0, 0);
  return 0;
}

BOOL CALLBACK printText(HWND window, LPARAM) {
  if (IsWindowVisible(window)) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    if (text[0] != L'\0') {
      std::printf("%ls\n", text);
    }
  }
  return TRUE;
}

int texts(const wchar_t* windowClass, const wchar_t* title) {
  const HWND window = findWindow(windowClass, title);
  if (window == nullptr) {
    return 1;
  }
  EnumChildWindows(window, printText, 0);
  return 0;
}

int hold(const wchar_t* path, DWORD seconds) {
  const HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "window_probe: cannot open the file (error %lu)\n", GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  Sleep(seconds * 1000);
  CloseHandle(file);
  return 0;
}

int runAs(int argc, wchar_t** argv) {
  std::wstring parameters;
  for (int i = 3; i < argc; ++i) {
    parameters += (i > 3 ? L" " : L"") + std::wstring(argv[i]);
  }
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"runas";
  info.lpFile = argv[2];
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info) || info.hProcess == nullptr) {
    std::fprintf(stderr, "window_probe: runas failed (error %lu)\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  return static_cast<int>(exitCode);
}

int elevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return 2;
  }
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  const BOOL known =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
  CloseHandle(token);
  return known && elevation.TokenIsElevated != 0 ? 0 : 1;
}

int usage() {
  std::fputs(
      "usage: window_probe CLASS TITLE shown|there|gone SECONDS\n"
      "       window_probe CLASS TITLE click X Y\n"
      "       window_probe CLASS TITLE press ID\n"
      "       window_probe CLASS TITLE texts\n"
      "       window_probe hold FILE SECONDS\n"
      "       window_probe runas PROGRAM [ARGUMENTS]\n"
      "       window_probe elevated\n",
      stderr);
  return 2;
}

DWORD number(const wchar_t* text) {
  return static_cast<DWORD>(std::wcstoul(text, nullptr, 10));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"elevated" && argc == 2) {
    return elevated();
  }
  if (command == L"runas" && argc >= 3) {
    return runAs(argc, argv);
  }
  if (command == L"hold" && argc == 4) {
    return hold(argv[2], number(argv[3]));
  }
  const std::wstring state = argc > 3 ? argv[3] : L"";
  if (state == L"click" && argc == 6) {
    return click(argv[1], argv[2], static_cast<int>(number(argv[4])),
                 static_cast<int>(number(argv[5])));
  }
  if (state == L"press" && argc == 5) {
    return press(argv[1], argv[2], static_cast<int>(number(argv[4])));
  }
  if (state == L"texts" && argc == 4) {
    return texts(argv[1], argv[2]);
  }
  if (argc != 5) {
    return usage();
  }
  const DWORD seconds = number(argv[4]);
  if (state == L"shown") {
    return probe(argv[1], argv[2], true, true, seconds);
  }
  if (state == L"there") {
    return probe(argv[1], argv[2], true, false, seconds);
  }
  if (state == L"gone") {
    return probe(argv[1], argv[2], false, false, seconds);
  }
  return usage();
}
