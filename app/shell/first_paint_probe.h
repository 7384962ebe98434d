// For measuring start-up: when PIXORIA_EXIT_AFTER_FIRST_PAINT is set, the program prints the wall
// clock time of the main window's first painted frame ("first-paint-ns" and nanoseconds since the
// epoch, so a script can subtract the time it started the process) and quits.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace pixoria::app {

class FirstPaintProbe : public QObject {
  Q_OBJECT

 public:
  // Watches `window` when the variable is set; otherwise does nothing.
  static void installIfRequested(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit FirstPaintProbe(QWidget* window);
  void report();

  QPointer<QWidget> window_;
  bool painted_ = false;
};

}  // namespace pixoria::app
