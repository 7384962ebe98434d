// PixoriaHelper.exe itself under Wine: one instance only, settings applied on the configuration
// application's messages (through the older wallpaper call, as Wine has no desktop-wallpaper
// class), and WM_CLOSE ending it with exit code 0.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "support/test_images.h"

namespace pixoria::test {
namespace {

constexpr wchar_t kAgentClass[] = L"PIXORIA";
constexpr wchar_t kAgentTitle[] = L"Corvane Pixoria Helper";
constexpr wchar_t kSettingsKey[] = L"Software\\Corvane Pixoria";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr UINT kAgentMsgReload = 1324;
constexpr UINT kAgentMsgEnable = 1326;
constexpr DWORD kPatienceMs = 20000;

// A started PixoriaHelper.exe; killed if a test leaves it running.
class Agent {
 public:
  Agent() {
    std::wstring program = std::filesystem::path(PIXORIA_HELPER_PROGRAM).wstring();
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, &startup, &process_) != FALSE;
  }
  ~Agent() {
    if (started_) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 9);
        WaitForSingleObject(process_.hProcess, kPatienceMs);
      }
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }
  Agent(const Agent&) = delete;
  Agent& operator=(const Agent&) = delete;

  bool started() const { return started_; }
  bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

  // The exit code once it has ended, or -1 when it is still running after the wait.
  long exitCodeWithin(DWORD ms) const {
    if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) {
      return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

template <typename Condition>
bool waitFor(Condition condition) {
  const ULONGLONG end = GetTickCount64() + kPatienceMs;
  while (!condition()) {
    if (GetTickCount64() > end) {
      return false;
    }
    Sleep(50);
  }
  return true;
}

HWND agentWindow() {
  return FindWindowW(kAgentClass, kAgentTitle);
}

std::wstring desktopString(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return L"";
  }
  return value;
}

void setDword(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void setString(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

class HelperProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(agentWindow(), nullptr) << "an agent from elsewhere is running";
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    folder = makeTemporaryFolder();
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    removeFolder(folder);
  }
  std::string folder;
};

TEST(HelperResourcesTest, TheProgramCarriesItsIdentityIconAndManifest) {
  const std::wstring program = std::filesystem::path(PIXORIA_HELPER_PROGRAM).wstring();
  const HMODULE module = LoadLibraryExW(program.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  wchar_t text[100] = {};
  EXPECT_GT(LoadStringW(module, 103, text, 100), 0);
  EXPECT_STREQ(text, kAgentTitle);
  EXPECT_GT(LoadStringW(module, 109, text, 100), 0);
  EXPECT_STREQ(text, kAgentClass);

  const HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(131), IMAGE_ICON, 16, 16, 0);
  EXPECT_NE(icon, nullptr);
  if (icon != nullptr) {
    DestroyIcon(static_cast<HICON>(icon));
  }

  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string manifest(bytes, SizeofResource(module, found));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
  // Per-monitor DPI aware (v2, then v1, then the older element's form), each element in the
  // namespace Windows reads it in: otherwise the screen's size is told scaled.
  EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                          "WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>"),
            std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                          "WindowsSettings\">true/pm</dpiAware>"),
            std::string::npos);
  EXPECT_NE(manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"),
            std::string::npos);
  FreeLibrary(module);
}

TEST_F(HelperProgramTest, ASecondStartEndsAtOnceAndWmCloseEndsTheFirst) {
  Agent first;
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(waitFor([] { return agentWindow() != nullptr; }));
  const HWND window = agentWindow();

  Agent second;
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.exitCodeWithin(kPatienceMs), 0);
  EXPECT_TRUE(first.running());
  EXPECT_EQ(agentWindow(), window);

  ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(first.exitCodeWithin(kPatienceMs), 0);
  EXPECT_EQ(agentWindow(), nullptr);
}

// The manifest takes effect: the window's thread is per-monitor (v2) aware, so Windows tells it
// physical pixels. The window is a top-level one, which the system's WM_POWERBROADCAST reaches.
TEST_F(HelperProgramTest, TheAgentWindowIsPerMonitorAwareAndHearsOfResume) {
  Agent agent;
  ASSERT_TRUE(agent.started());
  ASSERT_TRUE(waitFor([] { return agentWindow() != nullptr; }));
  const HWND window = agentWindow();
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)),
            DPI_AWARENESS_PER_MONITOR_AWARE);
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());

  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0,
                                SMTO_ABORTIFHUNG, kPatienceMs, &answer),
            0);
  EXPECT_TRUE(agent.running());
  ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(agent.exitCodeWithin(kPatienceMs), 0);
}

TEST_F(HelperProgramTest, EnableAndReloadApplyTheCustomListThroughTheOlderCall) {
  const std::string image = folder + "\\custom.bmp";
  ASSERT_TRUE(writeBmp(image, 64, 48, [](int x, int) {
    return Rgb{0, 0, static_cast<std::uint8_t>(x)};
  }));
  const std::wstring imagePath = std::filesystem::path(image).wstring();
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &desktop, nullptr),
            ERROR_SUCCESS);
  setString(desktop, L"Wallpaper", L"");
  setString(desktop, L"WallpaperStyle", L"0");
  setString(desktop, L"TileWallpaper", L"1");
  RegCloseKey(desktop);

  // Stopped at start: the agent waits for the configuration application.
  HKEY settings = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &settings, nullptr),
            ERROR_SUCCESS);
  setDword(settings, L"Enabled", 0);
  setDword(settings, L"Source", 3);
  setDword(settings, L"CustomCount", 1);
  setString(settings, L"CustomFile0", imagePath);
  setDword(settings, L"CustomIndex", 0);

  Agent agent;
  ASSERT_TRUE(agent.started());
  ASSERT_TRUE(waitFor([] { return agentWindow() != nullptr; }));
  Sleep(300);
  EXPECT_EQ(desktopString(L"Wallpaper"), L"") << "a stopped agent sets nothing";

  // What the configuration application does on Start.
  setDword(settings, L"Enabled", 1);
  RegCloseKey(settings);
  ASSERT_TRUE(PostMessageW(agentWindow(), kAgentMsgEnable, 0, 0));
  ASSERT_TRUE(PostMessageW(agentWindow(), kAgentMsgReload, 0, 0));
  EXPECT_TRUE(waitFor([&] { return desktopString(L"Wallpaper") == imagePath; }))
      << "Wallpaper is \"" << std::filesystem::path(desktopString(L"Wallpaper")).string() << "\"";
  EXPECT_EQ(desktopString(L"WallpaperStyle"), L"10");
  EXPECT_EQ(desktopString(L"TileWallpaper"), L"0");

  ASSERT_TRUE(PostMessageW(agentWindow(), WM_CLOSE, 0, 0));
  EXPECT_EQ(agent.exitCodeWithin(kPatienceMs), 0);
}

// The agent against the loopback fixture server of with_fixture_server.sh, started with
// --fail-first 2: Bing's archive is down for the first change's two requests.
class HelperRecoveryTest : public HelperProgramTest {
 protected:
  void SetUp() override {
    HelperProgramTest::SetUp();
    const char* port = std::getenv("PIXORIA_FIXTURE_PORT");
    const char* served = std::getenv("PIXORIA_FIXTURE_FOLDER");
    if (port == nullptr || served == nullptr) {
      GTEST_SKIP() << "runs beside the fixture server (with_fixture_server.sh)";
    }
    www = std::string("Z:") + served;
    const std::wstring origin = L"http://127.0.0.1:" + std::filesystem::path(port).wstring();
    SetEnvironmentVariableW(L"PIXORIA_BING_ORIGIN", origin.c_str());
    SetEnvironmentVariableW(L"PIXORIA_BING_IMAGE_BASE", origin.c_str());
    SetEnvironmentVariableW(L"PIXORIA_TEST_RETRY_SECONDS", L"2");
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &settings, nullptr),
              ERROR_SUCCESS);
    setDesktopWallpaper(L"");
  }
  void TearDown() override {
    if (settings != nullptr) {
      RegCloseKey(settings);
    }
    HelperProgramTest::TearDown();
  }

  static void setDesktopWallpaper(const std::wstring& path) {
    HKEY desktop = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_WRITE, nullptr, &desktop,
                    nullptr);
    setString(desktop, L"Wallpaper", path);
    RegCloseKey(desktop);
  }

  static DWORD settingDword(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
  }

  // The agent's wallpaper folder, emptied of the pictures a change makes: a new user's machine.
  static std::wstring freshWallpaperFolder() {
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    const std::wstring folder = std::wstring(appData) + L"\\Corvane Tavemark Plus!\\Wallpaper";
    for (const wchar_t* name : {L"image.jpg", L"image2.jpg", L"temp_image.jpg"}) {
      DeleteFileW((folder + L"\\" + name).c_str());
    }
    return folder;
  }

  std::string www;
  HKEY settings = nullptr;
};

TEST_F(HelperRecoveryTest, AFailedFirstChangeIsRetriedAtTheSamePictureAndThenSet) {
  CreateDirectoryW(std::filesystem::path(www + "/images").wstring().c_str(), nullptr);
  ASSERT_TRUE(writeFileBytes(www + "/HPImageArchive.aspx",
                             "<images><image><url>/images/p.jpg</url></image></images>"));
  ASSERT_TRUE(writeBmp(www + "/images/p.jpg", 64, 36, [](int, int) { return Rgb{30, 140, 90}; }));
  const std::wstring image = freshWallpaperFolder() + L"\\image.jpg";
  setDword(settings, L"Enabled", 1);
  setDword(settings, L"Source", 0);
  setDword(settings, L"BingCurrentIndex", 3);

  const ULONGLONG started = GetTickCount64();
  Agent agent;
  ASSERT_TRUE(agent.started());
  EXPECT_TRUE(waitFor([&] { return desktopString(L"Wallpaper") == image; }))
      << "Wallpaper is \"" << std::filesystem::path(desktopString(L"Wallpaper")).string() << "\"";
  const ULONGLONG took = GetTickCount64() - started;
  std::printf("wallpaper set %.1f s after the start\n", static_cast<double>(took) / 1000);
  EXPECT_GE(took, 2000u) << "set without waiting for the retry";
  EXPECT_EQ(settingDword(L"BingCurrentIndex"), 3u);
  ASSERT_TRUE(PostMessageW(agentWindow(), WM_CLOSE, 0, 0));
  EXPECT_EQ(agent.exitCodeWithin(kPatienceMs), 0);
}

TEST_F(HelperRecoveryTest, AWakeFromSleepShowsTheCurrentPictureAgain) {
  const std::string picture = folder + "\\custom.bmp";
  ASSERT_TRUE(writeBmp(picture, 64, 48, [](int, int) { return Rgb{200, 30, 30}; }));
  const std::wstring picturePath = std::filesystem::path(picture).wstring();
  setDword(settings, L"Enabled", 1);
  setDword(settings, L"Source", 3);
  setDword(settings, L"CustomCount", 1);
  setString(settings, L"CustomFile0", picturePath);
  setDword(settings, L"LastChange", static_cast<DWORD>(std::time(nullptr)));

  Agent agent;
  ASSERT_TRUE(agent.started());
  ASSERT_TRUE(waitFor([&] { return desktopString(L"Wallpaper") == picturePath; }));
  setDesktopWallpaper(L"");
  ASSERT_TRUE(PostMessageW(agentWindow(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0));
  EXPECT_TRUE(waitFor([&] { return desktopString(L"Wallpaper") == picturePath; }));
  ASSERT_TRUE(PostMessageW(agentWindow(), WM_CLOSE, 0, 0));
  EXPECT_EQ(agent.exitCodeWithin(kPatienceMs), 0);
}

}  // namespace
}  // namespace pixoria::test
