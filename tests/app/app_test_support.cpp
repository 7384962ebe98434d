#include "app_test_support.h"

#include <QFile>
#include <QMutex>
#include <QPixmap>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#endif

namespace pixoria::app_test {

namespace {

QStringList* collected = nullptr;
QtMessageHandler previous = nullptr;
// The form's worker threads write debug lines too.
QMutex collecting;

void collect(QtMsgType type, const QMessageLogContext&, const QString& message) {
  const QMutexLocker lock(&collecting);
  if (type == QtDebugMsg && collected != nullptr) {
    collected->append(message);
  }
}

}  // namespace

bool showsResource(const QIcon& icon, const QString& name) {
  const QImage expected(QStringLiteral(":/resources/images/") + name);
  if (expected.isNull() || icon.isNull()) {
    return false;
  }
  const QImage drawn = icon.pixmap(expected.size()).toImage();
  return drawn.convertToFormat(QImage::Format_ARGB32) ==
         expected.convertToFormat(QImage::Format_ARGB32);
}

void removeSettings() {
#ifdef _WIN32
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Corvane Pixoria");
#else
  QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/pixoria/HKCU.reg");
#endif
}

#ifndef _WIN32
UnwritableSettingsFolder::UnwritableSettingsFolder() : config_(qgetenv("XDG_CONFIG_HOME")) {
  const QByteArray folder = config_ + "/pixoria";
  QDir().mkpath(QString::fromUtf8(folder));
  if (geteuid() == 0) {
    qputenv("XDG_CONFIG_HOME", "/sys/pixoria-test-settings");
  } else {
    chmod(folder.constData(), 0500);
  }
}

UnwritableSettingsFolder::~UnwritableSettingsFolder() {
  qputenv("XDG_CONFIG_HOME", config_);
  chmod((config_ + "/pixoria").constData(), 0700);
}
#endif

QPalette darkPalette() {
  // Button and window colours first: the palette derives its light, mid and dark shades from them.
  QPalette palette(QColor(55, 55, 58), QColor(45, 45, 48));
  palette.setColor(QPalette::WindowText, QColor(235, 235, 235));
  palette.setColor(QPalette::Base, QColor(30, 30, 32));
  palette.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
  palette.setColor(QPalette::Text, QColor(235, 235, 235));
  palette.setColor(QPalette::ButtonText, QColor(235, 235, 235));
  palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, QColor(100, 170, 255));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
  return palette;
}

DebugLines::DebugLines() {
  const QMutexLocker lock(&collecting);
  collected = new QStringList;
  previous = qInstallMessageHandler(collect);
}

DebugLines::~DebugLines() {
  qInstallMessageHandler(previous);
  const QMutexLocker lock(&collecting);
  delete collected;
  collected = nullptr;
}

QStringList DebugLines::lines() const {
  const QMutexLocker lock(&collecting);
  return *collected;
}

}  // namespace pixoria::app_test
