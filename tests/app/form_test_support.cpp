#include "form_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/registry.h"
#include "pixoria/platform/windows.h"
#include "support/test_images.h"

namespace pixoria::app_test {

namespace pf = platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Software\\Corvane Pixoria";
constexpr const char* kServiceVariables[] = {
    "PIXORIA_BING_ORIGIN", "PIXORIA_BING_IMAGE_BASE", "PIXORIA_NASA_FEED_URL",
    "PIXORIA_NASA_FALLBACK_FEED_URL", "PIXORIA_WIKIPEDIA_FEED_PREFIX"};

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::vector<std::uint32_t>& received() {
  static std::vector<std::uint32_t> messages;
  return messages;
}

pf::LResult record(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                   pf::LParam lParam) {
  received().push_back(message);
  return pf::defWindowProc(window, message, wParam, lParam);
}

std::string fixture(const std::string& name) {
  return test::readFileBytes(std::string(PIXORIA_FIXTURE_DIR) + "/feeds/" + name);
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::map<std::string, std::optional<std::string>> savedServiceAddresses() {
  std::map<std::string, std::optional<std::string>> saved;
  for (const char* name : kServiceVariables) {
    const char* value = std::getenv(name);
    saved[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
  }
  return saved;
}

std::map<std::string, std::optional<std::string>> serviceDefaults;

}  // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    pf::dispatchPendingMessages();
    QTest::qWait(10);
  }
  return true;
}

bool PreviewLoads::waitForNext(const QWidget& form) {
  const auto count = [this](const char* line) {
    return debug_.lines().count(QString::fromLatin1(line));
  };
  const bool done = waitUntil([&] {
    return count("onDownloadComplete") > completions_ &&
           count("onLoadWallpaperProcessFinish") > loadsEnded_ &&
           child<QComboBox>(form, "pixoriaSourceComboBox")->isEnabled();
  });
  completions_ = count("onDownloadComplete");
  loadsEnded_ = count("onLoadWallpaperProcessFinish");
  return done;
}

MessageBoxes::MessageBoxes() {
  auto* poll = new QTimer;
  poll_.reset(poll);
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [this] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box != nullptr && box->isVisible()) {
        texts_.append(box->text());
        box->accept();
      }
    }
  });
  poll->start();
}

MessageBoxes::~MessageBoxes() = default;

void answerFileDialog(const QString& folder, const QString& names) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [poll, folder, names] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      if (dialog == nullptr || !dialog->isVisible()) {
        continue;
      }
      dialog->setDirectory(folder);
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(names);
      QMetaObject::invokeMethod(dialog, "accept");
      poll->deleteLater();
      return;
    }
  });
  poll->start();
}

void spin(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    pf::dispatchPendingMessages();
    QTest::qWait(10);
  }
}

std::optional<std::uint32_t> hiveDword(const char* name) {
  std::uint32_t value = 0;
  if (pf::regGetDword(nullptr, kKey, name, value) != pf::kErrorSuccess) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> hiveString(const char* name) {
  pf::RegKey key = nullptr;
  if (pf::regOpenKey(kKey, key) != pf::kErrorSuccess) {
    return std::nullopt;
  }
  std::string value;
  const pf::ErrorCode result = pf::regGetString(key, {}, name, value);
  pf::regCloseKey(key);
  if (result != pf::kErrorSuccess) {
    return std::nullopt;
  }
  return value;
}

void setHiveDword(const char* name, std::uint32_t value) {
  pf::RegKey key = nullptr;
  if (pf::regCreateKey(kKey, key) != pf::kErrorSuccess) {
    return;
  }
  pf::regSetDword(key, name, value);
  pf::regCloseKey(key);
}

void setHiveString(const char* name, const std::string& value) {
  pf::RegKey key = nullptr;
  if (pf::regCreateKey(kKey, key) != pf::kErrorSuccess) {
    return;
  }
  pf::regSetString(key, name, value);
  pf::regCloseKey(key);
}

std::string wallpaperFolder() {
  return environment("XDG_DATA_HOME") + "/Corvane Tavemark Plus!/Wallpaper";
}

std::string autostartEntryFile() {
  return environment("XDG_CONFIG_HOME") + "/autostart/LumivexGlass.desktop";
}

std::string desktopLogFile() {
  return environment("XDG_STATE_HOME") + "/pixoria/desktop.log";
}

void resetUserState() {
  std::error_code ignored;
  fs::remove(environment("XDG_CONFIG_HOME") + "/pixoria/HKCU.reg", ignored);
  fs::remove(autostartEntryFile(), ignored);
  fs::remove(desktopLogFile(), ignored);
  fs::remove_all(wallpaperFolder(), ignored);
  fs::create_directories(wallpaperFolder(), ignored);
}

bool writeJpeg(const std::string& path, int width, int height, std::uint8_t red, std::uint8_t green,
               std::uint8_t blue) {
  const std::string bmp = path + ".bmp";
  const test::Rgb colour{red, green, blue};
  if (!test::writeBmp(bmp, width, height, [colour](int, int) { return colour; })) {
    return false;
  }
  fitImage(bmp, path, width, height, FitVariant::agent);
  std::error_code ignored;
  fs::remove(bmp, ignored);
  return fs::exists(path);
}

StandInAgent::StandInAgent() {
  received().clear();
  created_ = pf::registerWindowClass("PIXORIA", &record) &&
             pf::createWindow("PIXORIA", "Corvane Pixoria Helper") != nullptr;
}

StandInAgent::~StandInAgent() {
  if (pf::WindowHandle window = pf::findWindow("PIXORIA", "Corvane Pixoria Helper")) {
    pf::destroyWindow(window);
  }
}

std::vector<std::uint32_t> StandInAgent::takeMessages() {
  spin(30);
  std::vector<std::uint32_t> messages;
  messages.swap(received());
  return messages;
}

FeedServer::FeedServer() : folder_(test::makeTemporaryFolder()) {
  if (serviceDefaults.empty()) {
    serviceDefaults = savedServiceAddresses();
  }
  test::FixtureServerOptions options;
  options.folder = folder_;
  options.logPath = folder_ + ".log";
  options.agentLogPath = folder_ + ".agents";
  server_ = std::make_unique<test::FixtureServer>(options);
  if (!server_->running()) {
    return;
  }
  setenv("PIXORIA_BING_ORIGIN", url("").c_str(), 1);
  setenv("PIXORIA_BING_IMAGE_BASE", url("").c_str(), 1);
  setenv("PIXORIA_NASA_FEED_URL", url("/nasa.rss").c_str(), 1);
  setenv("PIXORIA_NASA_FALLBACK_FEED_URL", url("/feeds/iotd-feed/").c_str(), 1);
  setenv("PIXORIA_WIKIPEDIA_FEED_PREFIX", url("/featured/").c_str(), 1);

  publish("/HPImageArchive.aspx", fixture("bing_archive.xml"));
  writeJpeg(folder_ + "/th", 64, 36, 200, 30, 30);
  std::string nasa = fixture("nasa_new_layout.rss");
  replaceAll(nasa, "https://www.nasa.gov", url(""));
  publish("/nasa.rss", nasa);
  for (int day = 0; day < 7; ++day) {
    char name[64];
    std::snprintf(name, sizeof name, "wikipedia_2026_12_%02d.json", 8 - day);
    std::string document = fixture(name);
    replaceAll(document, "https://upload.wikimedia.org", url(""));
    publish(wikipediaDayPath(day), document);
  }
}

FeedServer::~FeedServer() {
  server_.reset();
  for (const auto& [name, value] : serviceDefaults) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
  test::removeFolder(folder_);
  std::error_code ignored;
  fs::remove(folder_ + ".log", ignored);
  fs::remove(folder_ + ".agents", ignored);
}

std::string FeedServer::wikipediaDayPath(int daysBack) {
  const QDate day = QDateTime::currentDateTimeUtc().date().addDays(-daysBack);
  return "/featured/" + day.toString(QStringLiteral("yyyy/MM/dd")).toStdString();
}

void FeedServer::serve(const std::string& path, const std::string& bytes) const {
  fs::create_directories(fs::path(folder_ + path).parent_path());
  test::writeFileBytes(folder_ + path, bytes);
}

// Serves the document and a JPEG at each of the server's image addresses it names.
void FeedServer::publish(const std::string& path, std::string document) const {
  serve(path, document);
  const std::regex image(url("") + R"((/[^"<>?\s&]*\.(jpg|png)))");
  std::set<std::string> images;
  for (std::sregex_iterator it(document.begin(), document.end(), image), end; it != end; ++it) {
    images.insert((*it)[1].str());
  }
  int shade = 40;
  for (const std::string& imagePath : images) {
    fs::create_directories(fs::path(folder_ + imagePath).parent_path());
    writeJpeg(folder_ + imagePath, 48, 32, 30, static_cast<std::uint8_t>(shade), 200);
    shade = (shade + 20) % 250;
  }
}

std::vector<std::string> FeedServer::userAgents() const {
  std::istringstream log(test::readFileBytes(folder_ + ".agents"));
  std::vector<std::string> agents;
  for (std::string line; std::getline(log, line);) {
    agents.push_back(line);
  }
  return agents;
}

std::vector<std::string> FeedServer::takeRequests() {
  const std::vector<std::string> all = server_->requests();
  std::vector<std::string> fresh(
      all.begin() + static_cast<std::ptrdiff_t>(std::min(requestsSeen_, all.size())), all.end());
  requestsSeen_ = all.size();
  return fresh;
}

}  // namespace pixoria::app_test
