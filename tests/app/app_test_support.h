// Helpers shared by the application's tests.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace pixoria::app_test {

// True when `icon` draws exactly the resource picture ":/resources/images/<name>".
bool showsResource(const QIcon& icon, const QString& name);

// The child of `root` with this object name and class, or null.
template <typename Widget>
Widget* child(const QWidget& root, const char* objectName) {
  return root.findChild<Widget*>(QString::fromLatin1(objectName));
}

QPalette darkPalette();

// Removes the settings key: the hive file on Linux, HKCU\Software\Corvane Pixoria on Windows.
void removeSettings();

#ifndef _WIN32
// Every settings write fails while it lives, as with a settings folder the user cannot write:
// the folder is made read-only, or, for root, whom permissions do not stop, the settings move
// under /sys, where nothing can be created.
class UnwritableSettingsFolder {
 public:
  UnwritableSettingsFolder();
  ~UnwritableSettingsFolder();
  UnwritableSettingsFolder(const UnwritableSettingsFolder&) = delete;
  UnwritableSettingsFolder& operator=(const UnwritableSettingsFolder&) = delete;

 private:
  QByteArray config_;
};
#endif

// Collects the Qt debug lines written while it lives.
class DebugLines {
 public:
  DebugLines();
  ~DebugLines();
  DebugLines(const DebugLines&) = delete;
  DebugLines& operator=(const DebugLines&) = delete;
  // A copy: worker threads may add lines meanwhile.
  QStringList lines() const;
};

}  // namespace pixoria::app_test
