// Windows, posted messages, window timers and the message loop, after user32.
//
// One thread owns every window it creates and runs the loop. Messages posted to a window (by this
// process or another one of the same user) are handled in order of arrival, between timer
// expiries. Timers are window timers with a callback: setting a timer with an id that is already
// running on that window restarts its countdown with the new period.
#pragma once

#include <cstdint>
#include <string_view>

namespace pixoria::platform {

// A window (HWND): one of this thread's, or one found in another process by class and title.
// Handles stay valid for the life of the process; null means no window.
struct Window;
using WindowHandle = Window*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// WNDPROC.
using WindowProc = LResult (*)(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam);

// TIMERPROC: window, kWmTimer, timer id, tick count in milliseconds.
using TimerProc = void (*)(WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                           std::uint32_t tickCount);

// RegisterClassExW with a window procedure. Registering a class again replaces its procedure.
bool registerWindowClass(std::string_view className, WindowProc procedure);

// CreateWindowExW for a hidden top-level window of a registered class. Null when the class is not
// registered or the window cannot be created (on Linux, when its name is taken by a live window).
WindowHandle createWindow(std::string_view className, std::string_view title);

// DestroyWindow: the window stops receiving messages and its timers die.
bool destroyWindow(WindowHandle window);

// FindWindowW: a live window of this class and title in any process of this user, or null.
WindowHandle findWindow(std::string_view className, std::string_view title);

// PostMessageW: queues the message and returns at once. False when the window is gone.
bool postMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// ShowWindow(SW_RESTORE) + BringWindowToTop on another program's top-level window: it comes back
// from minimised or hidden and rises to the top. On Linux the window is asked: kWmSysCommand with
// kScRestore is posted to it, and the program honours it.
bool restoreWindow(WindowHandle window);

// DefWindowProcW.
LResult defWindowProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// SetTimer with a callback. Returns the timer id, or 0 on failure (a window not of this thread,
// an elapse of 0).
std::uintptr_t setTimer(WindowHandle window, std::uintptr_t timerId, std::uint32_t elapseMs,
                        TimerProc procedure);

// KillTimer. False when no such timer runs.
bool killTimer(WindowHandle window, std::uintptr_t timerId);

// PostQuitMessage: the running message loop ends after the messages already queued.
void postQuitMessage(int exitCode);

// GetMessageW / TranslateMessage / DispatchMessageW until kWmQuit; returns its exit code.
int runMessageLoop();

// GetTickCount: milliseconds since boot, wrapping at 2^32.
std::uint32_t getTickCount();

// For a program whose toolkit runs the event loop (Qt): a handle that becomes ready to read while
// this thread's windows have messages or timers waiting (on Linux a file descriptor), or -1 when
// there is nothing to watch. Call dispatchPendingMessages() whenever it is ready.
std::intptr_t messageQueueWaitHandle();

// Handles the messages and timers that are ready now and returns without blocking.
void dispatchPendingMessages();

}  // namespace pixoria::platform
