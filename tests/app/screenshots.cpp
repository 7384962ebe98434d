// Pictures of the application on a real X server (run under xvfb-run): the main window in the
// light and the dark palette (and dark with Back disabled), the About dialog and the information
// dialog, saved as PNG files into screenshots/ of the build folder for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QToolButton>

#include "app_test_support.h"
#include "dialogs/about_dialog.h"
#include "dialogs/auto_pixoria_info_dialog.h"
#include "form/auto_pixoria_form.h"
#include "shell/main_window.h"

namespace {

QString shotPath(const char* name) {
  const QString folder = QStringLiteral(PIXORIA_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  return folder + "/" + name + ".png";
}

// Shows the widget, lets it paint, and saves what it drew.
void shoot(QWidget& widget, const char* name) {
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget, 5000)) << name;
  QTest::qWait(100);
  const QPixmap picture = widget.grab();
  ASSERT_FALSE(picture.isNull()) << name;
  ASSERT_TRUE(picture.save(shotPath(name))) << name;
}

TEST(Screenshots, MainWindowAndDialogs) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  const QPalette light = QApplication::palette();
  {
    MainWindow window;
    shoot(window, "main_window_light");
    QApplication::setPalette(pixoria::app_test::darkPalette());
    QApplication::processEvents();
    shoot(window, "main_window_dark");
    window.findChild<QToolButton*>("pixoriaBackToolButton")->setEnabled(false);
    window.hostedForm()->updateThemeIcons();
    shoot(window, "main_window_dark_back_disabled");
    QApplication::setPalette(light);
  }
  QWidget opener;
  auto* about = new AboutDialog(&opener);
  shoot(*about, "about_dialog");
  auto* info = new AutoPixoriaInfoDialog(&opener);
  shoot(*info, "info_dialog");
}

}  // namespace
