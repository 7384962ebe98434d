#include "form/second_monitor_wallpaper.h"

#include <QDebug>
#include <memory>
#include <string>

#include "agent/image_fitting.h"
#include "agent/wallpaper_files.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "preview/preview_file.h"

namespace {

namespace pf = pixoria::platform;

// The monitor the form sets: the first one, the one a single-monitor desktop has.
constexpr std::uint32_t kTargetMonitor = 0;

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

void setPreviewedWallpaper(const QString& imagePath) {
  qDebug() << "setWallpaper: " << imagePath;
  const QString target = wallpaperFilePath(pixoria::kSecondDownloadName);
  qDebug() << "tempPath: " << target;
  pixoria::fitImage(imagePath.toStdString(), target.toStdString(),
                    pf::getSystemMetrics(pf::SystemMetric::screenWidth),
                    pf::getSystemMetrics(pf::SystemMetric::screenHeight),
                    pixoria::FitVariant::configurationApp);
  setOnMonitor(target.toStdString());
}
