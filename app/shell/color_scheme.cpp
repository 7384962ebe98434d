#include "shell/color_scheme.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QStyleHints>
#include <QtGlobal>

namespace pixoria::app {

bool isDarkColorScheme() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
  return QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
  const QPalette palette = QGuiApplication::palette();
  return palette.color(QPalette::WindowText).lightness() >
         palette.color(QPalette::Window).lightness();
#endif
}

bool mayChangeColorScheme(const QEvent& event) {
  if (event.type() == QEvent::ThemeChange) {
    return true;
  }
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
  return event.type() == QEvent::PaletteChange || event.type() == QEvent::ApplicationPaletteChange;
#else
  return false;
#endif
}

}  // namespace pixoria::app
