// The main window's identity for the agent on Linux: a platform window of the class and title that
// Qt gives the main window on Windows (kAppWindowClass, kAppWindowTitle), which the agent finds and
// asks to restore the main window. On Windows the agent finds Qt's own window, so nothing is
// registered there.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "pixoria/platform/windows.h"

class QSocketNotifier;

namespace pixoria::app {

class WindowIdentity : public QObject {
  Q_OBJECT

 public:
  // Registers `window` under its identity and pumps the platform's messages from Qt's loop. When
  // the name is taken (another window of this user holds it), the window goes without.
  WindowIdentity(QWidget* window, const QString& title);
  ~WindowIdentity() override;

  bool registered() const { return handle_ != nullptr; }

  // What the agent's restore request does: shown normal, raised and activated.
  static void restore(QWidget* window);

 private:
  static platform::LResult procedure(platform::WindowHandle handle, std::uint32_t message,
                                     platform::WParam wParam, platform::LParam lParam);

  QPointer<QWidget> window_;
  platform::WindowHandle handle_ = nullptr;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace pixoria::app
