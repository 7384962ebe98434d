// The application's Windows branches, under Wine: the settings in the registry, the autostart
// Run value, starting the agent with ShellExecute, the messages that reach the agent's window,
// the form's wallpaper through IDesktopWallpaper, and the main window's class for the agent.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form/second_monitor_wallpaper.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/imaging.h"
#include "pixoria/platform/windows.h"
#include "pixoria/product.h"
#include "pixoria/protocol.h"
#include "preview/preview_file.h"
#include "support/test_images.h"
#include "window/main_window.h"

// Last: its macros would rename the platform's constants in the headers above.
#include <windows.h>

namespace {

namespace pf = pixoria::platform;
using pixoria::app_test::child;
using Messages = std::vector<std::uint32_t>;

constexpr const wchar_t* kSettingsKey = L"Software\\Corvane Pixoria";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::uint32_t kReload = 1324;
constexpr std::uint32_t kEnable = 1326;

std::optional<DWORD> dwordValue(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::wstring> stringValue(const wchar_t* key, const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

void setDword(const wchar_t* name, DWORD value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

void setString(const wchar_t* name, const std::wstring& value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Runs Qt's loop, which on Windows also dispatches the thread's window messages.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
  return QTest::qWaitFor(condition, timeoutMs);
}

// A window of the agent's class and title in this process, recording what is posted to it.
Messages& received() {
  static Messages messages;
  return messages;
}

pf::LResult record(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                   pf::LParam lParam) {
  if (message >= WM_USER) {
    received().push_back(message);
  }
  return pf::defWindowProc(window, message, wParam, lParam);
}

class FormOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"LumivexGlass");
    ASSERT_TRUE(folder.isValid());
  }

  void TearDown() override {
    if (agent != nullptr) {
      pf::destroyWindow(agent);
    }
  }

  std::unique_ptr<AutoPixoriaForm> openForm() {
    auto form = std::make_unique<AutoPixoriaForm>();
    QTest::qWait(250);
    return form;
  }

  void startStandInAgent() {
    received().clear();
    ASSERT_TRUE(pf::registerWindowClass("PIXORIA", &record));
    agent = pf::createWindow("PIXORIA", "Corvane Pixoria Helper");
    ASSERT_NE(agent, nullptr);
  }

  static Messages takeMessages() {
    QTest::qWait(50);
    Messages messages;
    messages.swap(received());
    return messages;
  }

  static void click(const AutoPixoriaForm& form, const char* button) {
    QTest::mouseClick(child<QAbstractButton>(form, button), Qt::LeftButton);
  }

  std::wstring nativeFolder() const {
    return QDir::toNativeSeparators(folder.path()).toStdWString();
  }

  QTemporaryDir folder;
  pf::WindowHandle agent = nullptr;
};

TEST_F(FormOnWindows, SettingsAreReadFromAndWrittenToTheRegistryAsDwords) {
  setDword(L"TimeIndex", 40);
  setDword(L"TimePeriod", 1);
  setDword(L"Region", 7);
  auto form = openForm();
  EXPECT_EQ(child<QSpinBox>(*form, "pixoriaTimeSpinBox")->value(), 12);
  EXPECT_EQ(child<QComboBox>(*form, "pixoriaTimeComboBox")->currentIndex(), 1);
  EXPECT_EQ(child<QComboBox>(*form, "pixoriaRegionComboBox")->currentIndex(), 7);
  EXPECT_FALSE(dwordValue(L"Source")) << "opening the form writes nothing";

  child<QSpinBox>(*form, "pixoriaTimeSpinBox")->setValue(3);
  EXPECT_EQ(dwordValue(L"TimeIndex"), 3u);
  EXPECT_EQ(dwordValue(L"TimePeriod"), 1u);
  EXPECT_EQ(dwordValue(L"Region"), 7u);
  EXPECT_EQ(dwordValue(L"Source"), 0u);
  EXPECT_EQ(dwordValue(L"Enabled"), 0u);
}

TEST_F(FormOnWindows, StartRunsTheAgentHiddenFromPathAndWritesTheRunValue) {
  const QString helper = folder.filePath(QStringLiteral("PixoriaHelper.exe"));
  ASSERT_TRUE(QFile::copy(
      QCoreApplication::applicationDirPath() + QStringLiteral("/pixoria_stand_in_helper.exe"),
      helper));
  setString(L"Path", nativeFolder());
  auto form = openForm();
  click(*form, "startButton");
  EXPECT_EQ(dwordValue(L"Enabled"), 1u);

  const QString mark = folder.filePath(QStringLiteral("started.txt"));
  ASSERT_TRUE(waitFor([&] { return QFile(mark).size() > 0; }));
  QFile file(mark);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(QDir::cleanPath(lines[0]), QDir::cleanPath(folder.path())) << "its working folder";
  EXPECT_EQ(lines[1].toInt(), SW_HIDE);

  const std::wstring expected = nativeFolder() + L"\\PixoriaHelper.exe";
  const std::optional<std::wstring> run = stringValue(kRunKey, L"LumivexGlass");
  ASSERT_TRUE(run);
  // A path with a space is quoted, so that Windows runs the whole of it.
  EXPECT_TRUE(*run == expected || *run == L"\"" + expected + L"\"")
      << QString::fromStdWString(*run).toStdString();
}

TEST_F(FormOnWindows, ARunningAgentGetsEnableThenReloadOnTheNextChange) {
  setDword(L"Enabled", 1);
  startStandInAgent();
  auto form = openForm();
  takeMessages();
  child<QComboBox>(*form, "pixoriaRegionComboBox")->setCurrentIndex(2);
  EXPECT_EQ(takeMessages(), Messages({kEnable, kReload}));
  EXPECT_EQ(dwordValue(L"Region"), 2u);
}

// Wine has no DesktopWallpaper class: the form fits the picture for the second monitor and then
// sets nothing, since unlike the agent it has no fallback.
TEST_F(FormOnWindows, SetOnTheSecondMonitorSetsNothingWithoutTheDesktopWallpaperClass) {
  std::unique_ptr<pf::DesktopWallpaper> desktop;
  pf::coInitialize();
  const pf::HResult created = pf::createDesktopWallpaper(desktop);
  pf::coUninitialize();
  if (pf::succeeded(created)) {
    GTEST_SKIP() << "this Windows has the DesktopWallpaper class";
  }

  // The form starts GDI+ for the fitting; here there is no form.
  std::uintptr_t imaging = 0;
  ASSERT_EQ(pf::gdiplusStartup(imaging), pf::GpStatus::ok);
  struct Shutdown {
    std::uintptr_t token;
    ~Shutdown() { pf::gdiplusShutdown(token); }
  } shutdown{imaging};

  const std::string bmp = folder.filePath(QStringLiteral("lake.bmp")).toStdString();
  const std::string picture = folder.filePath(QStringLiteral("lake.jpg")).toStdString();
  ASSERT_TRUE(pixoria::test::writeBmp(bmp, 64, 48, [](int, int) {
    return pixoria::test::Rgb{10, 150, 10};
  }));
  pixoria::fitImage(bmp, picture, 64, 48, pixoria::FitVariant::agent);
  ASSERT_TRUE(QFile::exists(QString::fromStdString(picture)));

  wchar_t before[MAX_PATH] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, before, 0);
  // The agent makes the wallpaper folder; here no agent has run.
  const QString fitted = wallpaperFilePath(pixoria::kSecondDownloadName);
  QDir().mkpath(QFileInfo(fitted).path());
  QFile::remove(fitted);

  SecondMonitorWallpaper wallpaper;
  QSignalSpy done(&wallpaper, &SecondMonitorWallpaper::fitted);
  wallpaper.set(QString::fromStdString(picture));
  ASSERT_TRUE(done.wait(10000));
  EXPECT_TRUE(done.first().first().toBool());
  EXPECT_TRUE(QFile::exists(fitted));
  // Again, over the file of the first time.
  wallpaper.set(QString::fromStdString(picture));
  ASSERT_TRUE(done.wait(10000));
  EXPECT_TRUE(done.last().first().toBool());

  wchar_t after[MAX_PATH] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, after, 0);
  EXPECT_EQ(std::wstring(after), std::wstring(before));
}

// The agent finds the open application by the class that Qt gives its top-level windows and by
// the window's title.
TEST(MainWindowOnWindows, ItsNativeWindowCarriesTheClassAndTitleTheAgentLooksFor) {
  MainWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // The contract's name, taken by the build from this Qt's version.
  const QString className = QString::fromLatin1(pixoria::kAppWindowClass.data(),
                                                static_cast<int>(pixoria::kAppWindowClass.size()));
  EXPECT_EQ(className, QStringLiteral("Qt%1%2%3QWindowIcon")
                           .arg(QT_VERSION_MAJOR)
                           .arg(QT_VERSION_MINOR)
                           .arg(QT_VERSION_PATCH));
  HWND found = FindWindowW(className.toStdWString().c_str(), L"Corvane Pixoria");
  EXPECT_EQ(found, reinterpret_cast<HWND>(window.winId()));
}

// Pixoria.exe beside this test: a GUI program (no console window) with its icon, its manifest and
// a version resource that carries the product's version.
TEST(ProgramOnWindows, IsAGuiProgramWithIconManifestAndVersion) {
  const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Pixoria.exe");
  QFile file(program);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GT(bytes.size(), 0x200);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.constData());
  ASSERT_LT(dos->e_lfanew + static_cast<LONG>(sizeof(IMAGE_NT_HEADERS64)), bytes.size());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes.constData() + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  HMODULE module = LoadLibraryExW(program.toStdWString().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
  HRSRC version = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  ASSERT_NE(version, nullptr);
  const auto* data = static_cast<const char*>(LockResource(LoadResource(module, version)));
  const DWORD size = SizeofResource(module, version);
  const std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
  const std::wstring expected =
      QString::fromLatin1(pixoria::kProductVersion.data(),
                          static_cast<int>(pixoria::kProductVersion.size()))
          .toStdWString();
  EXPECT_NE(text.find(expected), std::wstring::npos) << "the product's version in the resource";
  FreeLibrary(module);
}

}  // namespace
