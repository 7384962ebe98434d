#include "shell/saved_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace pixoria::app {

namespace {

constexpr int kOffScreenPosition = 100;

QSettings openStore() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                   QStringLiteral("Pixoria"));
}

// One axis: the position is tested first, then the length may move it back onto the screen.
void clampAxis(int& position, int& length, int screenLength, int minimumLength) {
  if (position < 0 || position > screenLength) {
    position = kOffScreenPosition;
  }
  if (length < minimumLength) {
    length = minimumLength;
  } else if (length > screenLength) {
    length = screenLength;
  } else if (position + length > screenLength) {
    position = screenLength - length;
  }
}

}  // namespace

QRect clampRestoredGeometry(const QRect& stored, const QSize& screen) {
  int x = stored.x();
  int y = stored.y();
  int width = stored.width();
  int height = stored.height();
  clampAxis(x, width, screen.width(), kMinimumRestoredWidth);
  clampAxis(y, height, screen.height(), kMinimumRestoredHeight);
  return QRect(x, y, width, height);
}

QRect loadWindowGeometry() {
  QSettings store = openStore();
  store.beginGroup(QStringLiteral("MainApp"));
  const QRect stored(store.value(QStringLiteral("posX"), 0).toInt(),
                     store.value(QStringLiteral("posY"), 0).toInt(),
                     store.value(QStringLiteral("width"), 0).toInt(),
                     store.value(QStringLiteral("height"), 0).toInt());
  store.endGroup();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen != nullptr ? screen->size() : QSize(0, 0);
  return clampRestoredGeometry(stored, screenSize);
}

void saveWindowGeometry(const QRect& geometry) {
  QSettings store = openStore();
  store.beginGroup(QStringLiteral("MainApp"));
  store.setValue(QStringLiteral("posX"), geometry.x());
  store.setValue(QStringLiteral("posY"), geometry.y());
  store.setValue(QStringLiteral("width"), geometry.width());
  store.setValue(QStringLiteral("height"), geometry.height());
  store.endGroup();
}

}  // namespace pixoria::app
