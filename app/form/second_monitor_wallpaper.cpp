#include "form/second_monitor_wallpaper.h"

#include <QDebug>
#include <memory>

#include "pixoria/common/image_fitting.h"
#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "preview/preview_file.h"

namespace {

namespace pf = pixoria::platform;

// The monitor the form sets: the second one. A desktop with a single monitor gets the picture
// from the agent's reload instead.
constexpr std::uint32_t kTargetMonitor = 1;

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
  // The save replaces `target` whole or not at all: a failed fit leaves it as it was.
  const pixoria::FitResult result = pixoria::fitImage(source, target, screenWidth, screenHeight,
                                                      pixoria::FitVariant::configurationApp);
  return result == pixoria::FitResult::fitted;
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
