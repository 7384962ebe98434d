#include "shell/window_identity.h"

#include <QHash>
#include <QSocketNotifier>

#include "pixoria/platform/messages.h"
#include "pixoria/protocol.h"

namespace pixoria::app {

namespace pf = platform;

namespace {

// The window procedure has only the handle: this maps it back to the widget it stands for.
QHash<pf::WindowHandle, WindowIdentity*>& identities() {
  static QHash<pf::WindowHandle, WindowIdentity*> map;
  return map;
}

}  // namespace

WindowIdentity::WindowIdentity(QWidget* window, const QString& title)
    : QObject(window), window_(window) {
#ifndef _WIN32
  if (!pf::registerWindowClass(kAppWindowClass, &WindowIdentity::procedure)) {
    return;
  }
  handle_ = pf::createWindow(kAppWindowClass, title.toStdString());
  if (handle_ == nullptr) {
    return;
  }
  identities().insert(handle_, this);
  const std::intptr_t waitHandle = pf::messageQueueWaitHandle();
  if (waitHandle >= 0) {
    notifier_ = new QSocketNotifier(static_cast<qintptr>(waitHandle), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] { pf::dispatchPendingMessages(); });
  }
#else
  Q_UNUSED(title);
#endif
}

WindowIdentity::~WindowIdentity() {
  if (handle_ == nullptr) {
    return;
  }
  identities().remove(handle_);
  pf::destroyWindow(handle_);
}

void WindowIdentity::restore(QWidget* window) {
  window->showNormal();
  window->raise();
  window->activateWindow();
}

pf::LResult WindowIdentity::procedure(pf::WindowHandle handle, std::uint32_t message,
                                      pf::WParam wParam, pf::LParam lParam) {
  const WindowIdentity* identity = identities().value(handle, nullptr);
  if (identity != nullptr && message == pf::kWmSysCommand && (wParam & 0xFFF0) == pf::kScRestore) {
    if (identity->window_ != nullptr) {
      restore(identity->window_);
    }
    return 0;
  }
  return pf::defWindowProc(handle, message, wParam, lParam);
}

}  // namespace pixoria::app
