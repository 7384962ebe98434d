// Enables and disables controls without letting keyboard focus wander.
//
// Qt hands the focus of a control being disabled to the next one in the tab chain. On the form
// that is how focus used to land in the interval spin box while a load had the buttons and boxes
// disabled, where the next wheel turn or arrow key rewrote the settings. Here a focused control
// that is disabled gives up its focus to nobody, and gets it back when it is enabled again,
// unless the user has put it somewhere else meanwhile.
#pragma once

#include <QPointer>
#include <QWidget>

class FocusKeeper {
 public:
  void setEnabled(QWidget* control, bool enabled);

 private:
  QPointer<QWidget> parked;
};
