#include "form/focus_keeper.h"

namespace {

// The window's focus child, whether or not the window is active right now.
bool holdsFocus(const QWidget* control) {
  return control->window()->focusWidget() == control;
}

}  // namespace

void FocusKeeper::setEnabled(QWidget* control, bool enabled) {
  if (!enabled) {
    if (control->isEnabled() && holdsFocus(control)) {
      parked = control;
      // With no focus left on it, disabling passes nothing on.
      control->clearFocus();
    }
    control->setEnabled(false);
    return;
  }
  control->setEnabled(true);
  if (parked != control) {
    return;
  }
  parked = nullptr;
  if (control->window()->focusWidget() == nullptr && control->isVisible()) {
    control->setFocus(Qt::OtherFocusReason);
  }
}
