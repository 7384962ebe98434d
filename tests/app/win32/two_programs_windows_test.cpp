// Both programs together under Wine, from the one folder that holds them (Pixoria.exe's build
// folder, laid out as an installation): the application's window and form (linked in, clicked
// with QTest) start the real PixoriaHelper.exe, steer it, are restored by it, and close it.
// Wine has no DesktopWallpaper class, so the agent sets the desktop through its fallback.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>

#include "form/auto_pixoria_form.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/imaging.h"
#include "pixoria/protocol.h"
#include "support/test_images.h"
#include "window/main_window.h"

// Last: its macros would rename the platform's constants in the headers above.
#include <windows.h>

namespace {

namespace pf = pixoria::platform;

constexpr const wchar_t* kSettingsKey = L"Software\\Corvane Pixoria";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr int kCustomSource = 3;

std::wstring wide(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size())).toStdWString();
}

HWND agentWindow() {
  return FindWindowW(wide(pixoria::kAgentWindowClass).c_str(),
                     wide(pixoria::kAgentWindowTitle).c_str());
}

void setDword(const wchar_t* name, DWORD value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

void setString(const wchar_t* name, const std::wstring& value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::optional<std::wstring> runValue() {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"LumivexGlass", RRF_RT_REG_SZ, nullptr, text,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

// What the desktop shows, as the system keeps it (this process's SystemParametersInfoW may answer
// from what it read before).
std::wstring desktopWallpaper() {
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"Wallpaper", RRF_RT_REG_SZ, nullptr, path,
                   &size) != ERROR_SUCCESS) {
    return {};
  }
  return path;
}

// The application's top-level windows that the agent could find.
int appWindows() {
  struct Search {
    std::wstring className = wide(pixoria::kAppWindowClass);
    std::wstring title = wide(pixoria::kAppWindowTitle);
    int count = 0;
  } search;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* wanted = reinterpret_cast<Search*>(data);
        wchar_t className[256] = {};
        wchar_t title[256] = {};
        GetClassNameW(window, className, 256);
        GetWindowTextW(window, title, 256);
        if (wanted->className == className && wanted->title == title) {
          ++wanted->count;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

bool isReddish(const std::wstring& path) {
  const QImage image(QString::fromStdWString(path));
  if (image.isNull()) {
    return false;
  }
  const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
  return centre.red() > 150 && centre.green() < 90 && centre.blue() < 90;
}

class TwoProgramsOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"LumivexGlass");
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"Wallpaper", REG_SZ, L"", sizeof(wchar_t));
    ASSERT_EQ(agentWindow(), nullptr) << "an agent of another test still runs";
    ASSERT_TRUE(folder.isValid());
    ASSERT_EQ(pf::gdiplusStartup(imaging), pf::GpStatus::ok);

    red = QDir::toNativeSeparators(folder.filePath(QStringLiteral("red.jpg"))).toStdWString();
    const std::string bmp = folder.filePath(QStringLiteral("red.bmp")).toStdString();
    ASSERT_TRUE(pixoria::test::writeBmp(bmp, 64, 36, [](int, int) {
      return pixoria::test::Rgb{220, 20, 20};
    }));
    pixoria::fitImage(bmp, QString::fromStdWString(red).toStdString(), 64, 36,
                      pixoria::FitVariant::agent);
    ASSERT_TRUE(isReddish(red));

    programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdWString();
    setString(L"Path", programFolder);
    setDword(L"CustomCount", 1);
    setString(L"CustomFile0", red);
  }

  void TearDown() override {
    window.reset();
    if (HWND agent = agentWindow()) {
      PostMessageW(agent, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return agentWindow() == nullptr; }, 8000));
    pf::gdiplusShutdown(imaging);
  }

  template <typename Widget>
  Widget* control(const char* name) const {
    return window->hostedForm()->findChild<Widget*>(QString::fromLatin1(name));
  }

  QTemporaryDir folder;
  std::uintptr_t imaging = 0;
  std::wstring red;
  std::wstring programFolder;
  std::unique_ptr<MainWindow> window;
};

TEST_F(TwoProgramsOnWindows, StartSteerRestoreAndCloseTheRealAgent) {
  window = std::make_unique<MainWindow>();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

  // Start with no agent window: the agent in Path is started, hidden, and runs at logon.
  QTest::mouseClick(control<QAbstractButton>("startButton"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([] { return agentWindow() != nullptr; }, 20000));
  EXPECT_FALSE(IsWindowVisible(agentWindow()));
  const std::wstring helper = programFolder + L"\\PixoriaHelper.exe";
  const std::optional<std::wstring> run = runValue();
  ASSERT_TRUE(run);
  EXPECT_TRUE(*run == helper || *run == L"\"" + helper + L"\"");

  // The next change reaches the running agent (enable, then reload): the custom list's picture
  // reaches the desktop through the agent's fallback.
  QTest::qWait(500);
  EXPECT_NE(desktopWallpaper(), red) << "the list is not the source yet";
  control<QComboBox>("pixoriaSourceComboBox")->setCurrentIndex(kCustomSource);
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktopWallpaper() == red; }, 20000))
      << QString::fromStdWString(desktopWallpaper()).toStdString();
  EXPECT_TRUE(isReddish(desktopWallpaper()));

  // The tray icon's double click restores the open application instead of starting another.
  window->showMinimized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); }, 5000));
  PostMessageW(agentWindow(), pixoria::AGENT_MSG_TRAY, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isMinimized(); }, 10000));
  QTest::qWait(3000);  // time enough for a second program to show a window
  EXPECT_EQ(appWindows(), 1);

  // Close ends the agent's process.
  DWORD processId = 0;
  GetWindowThreadProcessId(agentWindow(), &processId);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  ASSERT_NE(process, nullptr);
  PostMessageW(agentWindow(), WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_EQ(agentWindow(), nullptr);
}

}  // namespace
