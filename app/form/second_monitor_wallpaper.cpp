#include "form/second_monitor_wallpaper.h"

#include <QDebug>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <memory>
#include <system_error>

#include "agent/image_fitting.h"
#include "agent/wallpaper_files.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "preview/preview_file.h"

namespace {

namespace pf = pixoria::platform;

// The monitor the form sets: the second one. A desktop with a single monitor gets the picture
// from the agent's reload instead.
constexpr std::uint32_t kTargetMonitor = 1;

// A path for std::filesystem from the UTF-8 the platform layer speaks. A plain std::string would
// be read in the ANSI code page on Windows, where a name such as "李华" on a Western system is
// lost.
std::filesystem::path utf8Path(const std::string& text) {
  return {std::u8string(text.begin(), text.end())};
}

void setOnMonitor(const std::string& target) {
  pf::coInitialize();
  std::unique_ptr<pf::DesktopWallpaper> desktop;
  if (pf::succeeded(pf::createDesktopWallpaper(desktop)) && desktop) {
    std::uint32_t count = 0;
    desktop->getMonitorDevicePathCount(count);
    qDebug() << "count: " << count;
    std::string monitorId;
    if (pf::succeeded(desktop->getMonitorDevicePathAt(kTargetMonitor, monitorId))) {
      desktop->setWallpaper(monitorId, target);
    }
  }
  desktop.reset();
  pf::coUninitialize();
}

}  // namespace

bool fitIntoFile(const std::string& source, const std::string& target, int screenWidth,
                 int screenHeight) {
  // The fitting routine reports failure only in its messages, and leaves whatever file it could
  // not replace: so it writes a fresh name, and only a file that appeared there counts.
  const QString targetPath = QString::fromStdString(target);
  std::string fitted;
  {
    // Only the fresh name is wanted. On Windows QTemporaryFile holds its file open until it is
    // destroyed, even after close(), and the name could be neither removed nor written before.
    QTemporaryFile scratch(QFileInfo(targetPath).absolutePath() + QStringLiteral("/.") +
                           QFileInfo(targetPath).fileName() + QStringLiteral(".XXXXXX"));
    scratch.setAutoRemove(false);
    if (!scratch.open()) {
      return false;
    }
    fitted = scratch.fileName().toStdString();
  }
  std::error_code error;
  const std::filesystem::path fittedPath = utf8Path(fitted);
  std::filesystem::remove(fittedPath, error);
  pixoria::fitImage(source, fitted, screenWidth, screenHeight,
                    pixoria::FitVariant::configurationApp);
  if (!std::filesystem::is_regular_file(fittedPath, error) ||
      std::filesystem::file_size(fittedPath, error) == 0) {
    std::filesystem::remove(fittedPath, error);
    return false;
  }
  std::filesystem::rename(fittedPath, utf8Path(target), error);
  if (error) {
    std::filesystem::remove(fittedPath, error);
    return false;
  }
  return true;
}

SecondMonitorWallpaper::SecondMonitorWallpaper(QObject* parent) : QObject(parent) {
  fitter.setMaxThreadCount(1);
}

SecondMonitorWallpaper::~SecondMonitorWallpaper() {
  fitter.waitForDone();
}

void SecondMonitorWallpaper::set(const QString& imagePath) {
  qDebug() << "setWallpaper: " << imagePath;
  const std::string target = wallpaperFilePath(pixoria::kSecondDownloadName).toStdString();
  qDebug() << "tempPath: " << QString::fromStdString(target);
  // The screen is measured here: the desktop services belong to the GUI thread.
  const int width = pf::getSystemMetrics(pf::SystemMetric::screenWidth);
  const int height = pf::getSystemMetrics(pf::SystemMetric::screenHeight);
  const std::string source = imagePath.toStdString();
  fitter.start([this, source, target, width, height] {
    qDebug() << "Fitting started";
    const bool success = fitIntoFile(source, target, width, height);
    qDebug() << "Fitting ended";
    QMetaObject::invokeMethod(
        this, [this, success, target] { onFitted(success, target); }, Qt::QueuedConnection);
  });
}

void SecondMonitorWallpaper::onFitted(bool success, const std::string& target) {
  if (success) {
    qDebug().noquote() << "Fitted into" << QString::fromStdString(target);
    setOnMonitor(target);
  } else {
    qDebug().noquote() << "The image could not be fitted; nothing is set";
  }
  emit fitted(success);
}
