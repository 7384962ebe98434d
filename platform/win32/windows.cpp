// Windows, messages, timers and the message loop on user32.
//
// The header's procedures have the shape of WNDPROC and TIMERPROC; they are not passed to user32
// as they are but called from one trampoline each, so the calling convention stays type-correct
// and the window layer can look at a message first (see shell_restart.h).
#include "pixoria/platform/windows.h"

#include <windows.h>

#include <map>
#include <utility>

#include "shell_restart.h"
#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toWide;

// The program's procedure for each registered class, by class atom. One thread owns the windows.
std::map<ATOM, WindowProc>& classProcedures() {
  static std::map<ATOM, WindowProc> procedures;
  return procedures;
}

// The program's callback for each running timer, by window and timer id.
std::map<std::pair<HWND, UINT_PTR>, TimerProc>& timerProcedures() {
  static std::map<std::pair<HWND, UINT_PTR>, TimerProc> procedures;
  return procedures;
}

HWND toHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

WindowHandle toHandle(HWND window) {
  return reinterpret_cast<WindowHandle>(window);
}

void forgetTimers(HWND window) {
  auto& procedures = timerProcedures();
  for (auto it = procedures.begin(); it != procedures.end();) {
    it = it->first.first == window ? procedures.erase(it) : std::next(it);
  }
}

LRESULT CALLBACK windowTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  win32::onWindowMessageForTray(window, message);
  if (message == WM_NCDESTROY) {  // the window's last message: its records go with it
    win32::forgetTrayIcons(window);
    forgetTimers(window);
  }
  const auto atom = static_cast<ATOM>(GetClassLongPtrW(window, GCW_ATOM));
  const auto found = classProcedures().find(atom);
  if (found == classProcedures().end() || found->second == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return found->second(toHandle(window), message, wParam, lParam);
}

void CALLBACK timerTrampoline(HWND window, UINT message, UINT_PTR timerId, DWORD tickCount) {
  const auto found = timerProcedures().find({window, timerId});
  if (found != timerProcedures().end() && found->second != nullptr) {
    found->second(toHandle(window), message, timerId, tickCount);
  }
}

}  // namespace

bool registerWindowClass(std::string_view className, WindowProc procedure) {
  const std::wstring name = toWide(className);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = windowTrampoline;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = name.c_str();
  ATOM atom = RegisterClassExW(&windowClass);
  if (atom == 0 && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    // Registered before: only the program's procedure changes.
    atom = static_cast<ATOM>(GetClassInfoExW(windowClass.hInstance, name.c_str(), &windowClass));
  }
  if (atom == 0) {
    return false;
  }
  classProcedures()[atom] = procedure;
  return true;
}

WindowHandle createWindow(std::string_view className, std::string_view title) {
  const HWND window = CreateWindowExW(0, toWide(className).c_str(), toWide(title).c_str(),
                                      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window != nullptr) {
    ShowWindow(window, SW_HIDE);
  }
  return toHandle(window);
}

bool destroyWindow(WindowHandle window) {
  return DestroyWindow(toHwnd(window)) != FALSE;
}

WindowHandle findWindow(std::string_view className, std::string_view title) {
  return toHandle(FindWindowW(toWide(className).c_str(), toWide(title).c_str()));
}

bool postMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  return PostMessageW(toHwnd(window), message, wParam, lParam) != FALSE;
}

bool restoreWindow(WindowHandle window) {
  const HWND hwnd = toHwnd(window);
  if (IsWindow(hwnd) == FALSE) {
    return false;
  }
  ShowWindow(hwnd, SW_RESTORE);
  return BringWindowToTop(hwnd) != FALSE;
}

LResult defWindowProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  return DefWindowProcW(toHwnd(window), message, wParam, lParam);
}

std::uintptr_t setTimer(WindowHandle window, std::uintptr_t timerId, std::uint32_t elapseMs,
                        TimerProc procedure) {
  const HWND hwnd = toHwnd(window);
  if (hwnd == nullptr || elapseMs == 0 ||
      GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) {
    return 0;
  }
  const UINT_PTR set = SetTimer(hwnd, timerId, elapseMs, timerTrampoline);
  if (set != 0) {
    timerProcedures()[{hwnd, timerId}] = procedure;
  }
  return set;
}

bool killTimer(WindowHandle window, std::uintptr_t timerId) {
  timerProcedures().erase({toHwnd(window), timerId});
  return KillTimer(toHwnd(window), timerId) != FALSE;
}

void postQuitMessage(int exitCode) {
  PostQuitMessage(exitCode);
}

int runMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

std::uint32_t getTickCount() {
  return GetTickCount();
}

}  // namespace pixoria::platform
