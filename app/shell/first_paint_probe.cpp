#include "shell/first_paint_probe.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>

namespace pixoria::app {

void FirstPaintProbe::installIfRequested(QWidget* window) {
  if (!qEnvironmentVariableIsSet("PIXORIA_EXIT_AFTER_FIRST_PAINT")) {
    return;
  }
  qApp->installEventFilter(new FirstPaintProbe(window));
}

FirstPaintProbe::FirstPaintProbe(QWidget* window) : QObject(window), window_(window) {}

bool FirstPaintProbe::eventFilter(QObject* watched, QEvent* event) {
  if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == window_) {
    painted_ = true;
    // The paint events of one frame are delivered together and flushed to the screen before
    // control returns to the loop, so the next turn sees the frame on screen.
    QTimer::singleShot(0, this, &FirstPaintProbe::report);
  }
  return false;
}

void FirstPaintProbe::report() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::printf(
      "first-paint-ns %lld\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
  std::fflush(stdout);
  QApplication::quit();
}

}  // namespace pixoria::app
