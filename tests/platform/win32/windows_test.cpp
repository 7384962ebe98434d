// Windows, posted messages and timers on user32, in real message loops under Wine, and the
// machine's events (resume, network changes) such a window is told of.
#include "pixoria/platform/windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "pixoria/platform/system_events.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr std::uint32_t kWmClose = 0x0010;
constexpr std::uint32_t kHelloMessage = 0x0400 + 77;  // what the peer posts
constexpr std::uintptr_t kGuardTimer = 99;

// What the window procedure and the timer callbacks saw; one test at a time runs the loop.
struct Observed {
  DWORD peerProcessId = 0;
  bool peerWindowFound = false;
  std::vector<std::uint32_t> firings;  // tick counts of the timer under test
  bool resumed = false;                // WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC came
};
Observed observed;

pf::LResult testProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                     pf::LParam lParam) {
  if (message == kHelloMessage) {
    observed.peerProcessId = static_cast<DWORD>(wParam);
    const pf::WindowHandle peer =
        pf::findWindow("PixoriaPeer", "peer " + std::to_string(observed.peerProcessId));
    observed.peerWindowFound = peer != nullptr;
    pf::postMessage(peer, kWmClose, 0, 0);
    pf::postQuitMessage(0);
    return 0;
  }
  if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
    observed.resumed = true;
    pf::postQuitMessage(0);
    return TRUE;
  }
  return pf::defWindowProc(window, message, wParam, lParam);
}

void onGuard(pf::WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t) {
  pf::postQuitMessage(1);
}

class WindowsWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    observed = {};
    title = "windows test " + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(pf::registerWindowClass("PixoriaWindowsTest", testProc));
    window = pf::createWindow("PixoriaWindowsTest", title);
    ASSERT_NE(window, nullptr);
    // Every loop below ends by itself, whatever goes wrong.
    ASSERT_NE(pf::setTimer(window, kGuardTimer, 10000, onGuard), 0u);
  }
  void TearDown() override { pf::destroyWindow(window); }

  std::string title;
  pf::WindowHandle window = nullptr;
};

std::wstring peerProgram() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\')) + L"\\pixoria_window_peer_win32.exe";
}

TEST_F(WindowsWin32Test, TwoProcessesFindEachOtherAndPostMessages) {
  EXPECT_EQ(pf::findWindow("PixoriaWindowsTest", title), window);
  EXPECT_EQ(pf::findWindow("PixoriaWindowsTest", title + " (other)"), nullptr);

  const std::wstring program = peerProgram();
  std::wstring commandLine = L"\"" + program + L"\" PixoriaWindowsTest \"" +
                             std::wstring(title.begin(), title.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &process));
  EXPECT_EQ(pf::runMessageLoop(), 0) << "no message from the peer";
  EXPECT_EQ(observed.peerProcessId, process.dwProcessId);
  EXPECT_TRUE(observed.peerWindowFound);

  // The peer ends on the WM_CLOSE we posted to the window we found.
  const DWORD waited = WaitForSingleObject(process.hProcess, 10000);
  if (waited != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 9);
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(exitCode, 3u);
}

constexpr std::uintptr_t kTimer = 1000;
constexpr std::uintptr_t kRestarter = 2;

void onTimer(pf::WindowHandle window, std::uint32_t, std::uintptr_t timerId, std::uint32_t) {
  observed.firings.push_back(pf::getTickCount());
  pf::killTimer(window, timerId);
  // Wait a little longer for a second firing that must not come.
  pf::setTimer(window, kGuardTimer, 600, onGuard);
}

void onRestart(pf::WindowHandle window, std::uint32_t, std::uintptr_t timerId, std::uint32_t) {
  pf::killTimer(window, timerId);
  pf::setTimer(window, kTimer, 500, onTimer);  // the same id: the countdown starts again
}

TEST_F(WindowsWin32Test, SettingARunningTimerAgainRestartsItsCountdown) {
  const std::uint32_t start = pf::getTickCount();
  ASSERT_EQ(pf::setTimer(window, kTimer, 500, onTimer), kTimer);
  ASSERT_EQ(pf::setTimer(window, kRestarter, 300, onRestart), kRestarter);
  pf::runMessageLoop();
  ASSERT_EQ(observed.firings.size(), 1u);
  const std::uint32_t elapsed = observed.firings[0] - start;
  // Restarted at about 300 ms, so it fires near 800 ms, not at 500.
  EXPECT_GE(elapsed, 750u);
  EXPECT_LT(elapsed, 2000u);
  EXPECT_FALSE(pf::killTimer(window, kTimer)) << "a killed timer is gone";
}

TEST_F(WindowsWin32Test, TimersAreRefusedForAnotherThreadsWindowOrAZeroElapse) {
  EXPECT_EQ(pf::setTimer(window, 5, 0, onGuard), 0u);
  const HWND desktop = GetDesktopWindow();
  EXPECT_EQ(pf::setTimer(reinterpret_cast<pf::WindowHandle>(desktop), 5, 100, onGuard), 0u);
}

// Windows tells every top-level window of waking by a broadcast; a message-only window would
// never hear of it, so the program's hidden window must be a top-level one.
TEST_F(WindowsWin32Test, AResumeBroadcastReachesTheHiddenWindow) {
  EXPECT_TRUE(pf::watchResume(window));
  const HWND messageOnly = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(messageOnly, nullptr);
  EXPECT_FALSE(pf::watchResume(reinterpret_cast<pf::WindowHandle>(messageOnly)));
  DestroyWindow(messageOnly);

  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0));
  pf::runMessageLoop();
  EXPECT_TRUE(observed.resumed);
  pf::stopWatchingSystemEvents(window);
}

// Wine accepts the watch without ever calling back; what can be seen is that it starts, ends,
// starts again for the same window, and refuses a window that is gone.
TEST_F(WindowsWin32Test, ANetworkWatchStartsStopsAndRefusesAWindowThatIsGone) {
  constexpr std::uint32_t kNetworkChanged = 0x0400 + 304;
  EXPECT_TRUE(pf::watchNetworkChanges(window, kNetworkChanged));
  EXPECT_TRUE(pf::watchNetworkChanges(window, kNetworkChanged)) << "a second watch replaces it";
  pf::stopWatchingSystemEvents(window);
  pf::stopWatchingSystemEvents(window);  // nothing left to stop
  EXPECT_TRUE(pf::watchNetworkChanges(window, kNetworkChanged));
  pf::stopWatchingSystemEvents(window);

  const pf::WindowHandle gone = pf::createWindow("PixoriaWindowsTest", title + " (gone)");
  ASSERT_NE(gone, nullptr);
  pf::destroyWindow(gone);
  EXPECT_FALSE(pf::watchNetworkChanges(gone, kNetworkChanged));
}

}  // namespace
}  // namespace pixoria::test
