// Pictures of the application on a real X server (run under xvfb-run; on Windows under Wine on
// Xvfb, with Qt's windows platform plug-in): the main window in the
// light and the dark palette (and dark with Back disabled), the main window after a load failed
// offline (and with a long caption), the About dialog and the information dialog, saved as PNG
// files into screenshots/ of the build folder for a person to look at. Run once at scale 1 and once
// with QT_SCALE_FACTOR=2, whose pictures carry "_scale2" in their names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "app_test_support.h"
#include "dialogs/about_dialog.h"
#include "dialogs/auto_pixoria_info_dialog.h"
#include "form/auto_pixoria_form.h"
#include "form/elided_caption.h"
#include "window/main_window.h"

namespace {

QString shotPath(const char* name) {
  const QString folder = QStringLiteral(PIXORIA_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  const QString scale = qApp->devicePixelRatio() >= 2 ? QStringLiteral("_scale2") : QString();
  return folder + "/" + name + scale + ".png";
}

// Shows the widget, lets it paint, and saves what it drew, at the screen's own pixel density.
void shoot(QWidget& widget, const char* name) {
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget, 5000)) << name;
  QTest::qWait(100);
  const QPixmap picture = widget.grab();
  ASSERT_FALSE(picture.isNull()) << name;
  ASSERT_TRUE(picture.save(shotPath(name))) << name;
}

TEST(Screenshots, MainWindowAndDialogs) {
#ifdef _WIN32
  ASSERT_EQ(QGuiApplication::platformName(), "windows");
#else
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
#endif
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

// The test world's services lead to a closed port: the first load fails as it would offline.
TEST(Screenshots, MainWindowAfterAnOfflineLoad) {
  MainWindow window;
  window.show();
  const auto* status = window.findChild<QLabel*>("pixoriaImage");
  QElapsedTimer waited;
  waited.start();
  while (!status->text().startsWith("Could not download") && waited.elapsed() < 10000) {
    QTest::qWait(50);
  }
  EXPECT_TRUE(status->text().startsWith("Could not download")) << status->text().toStdString();
  shoot(window, "main_window_offline");

  // A description longer than its two lines.
  setElidedCaption(window.findChild<QLabel*>("pixoriaImageLabel2"),
                   QStringLiteral("By A Photographer\n") +
                       QStringLiteral("A description that goes on and on, ").repeated(5) +
                       "the end.");
  shoot(window, "main_window_long_caption");
}

}  // namespace
