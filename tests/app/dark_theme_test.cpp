// The icon rule against a real platform theme that reports a dark scheme: Qt's GTK 3 theme with
// GTK's own Adwaita:dark, on an X server (run under xvfb-run). Qt 6.4 learns the scheme from the
// theme's palette, later versions from its colour scheme hint; either way the white icons show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTest>
#include <QToolButton>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "shell/color_scheme.h"
#include "window/main_window.h"

namespace {

using pixoria::app_test::child;
using pixoria::app_test::showsResource;

bool gtkThemeInstalled() {
  return QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platformthemes/libqgtk3.so"));
}

TEST(LiveDarkTheme, TheGtkThemesDarkSchemePicksTheWhiteIcons) {
  if (!gtkThemeInstalled()) {
    GTEST_SKIP() << "qt6-gtk-platformtheme is not installed (tools/setup.sh test)";
  }
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  ASSERT_EQ(qgetenv("QT_QPA_PLATFORMTHEME"), "gtk3");
  ASSERT_TRUE(pixoria::app::isDarkColorScheme()) << "the GTK theme reported no dark scheme";

  MainWindow window;
  const AutoPixoriaForm& form = *window.hostedForm();
  auto icon = [&form](const char* name) { return child<QToolButton>(form, name)->icon(); };
  EXPECT_TRUE(showsResource(icon("startButton"), "_playWhite24.png"));
  EXPECT_TRUE(showsResource(icon("stopButton"), "_stopWhite24.png"));
  EXPECT_TRUE(showsResource(icon("websiteButton"), "websiteWhiteIcon24.png"));
  EXPECT_TRUE(showsResource(icon("aboutButton"), "AboutWhite24.png"));
  EXPECT_TRUE(showsResource(icon("helpButton"), "_infoWhite24.png"));
  EXPECT_TRUE(showsResource(icon("pixoriaBackToolButton"), "_BackIosWhite64.png"));
  EXPECT_TRUE(showsResource(icon("pixoriaNextToolButton"), "_ForwardIosWhite64.png"));

  // The picture of it, beside the screenshot run's.
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 5000));
  QTest::qWait(100);
  const QString folder = QStringLiteral(PIXORIA_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  EXPECT_TRUE(window.grab().save(folder + "/main_window_dark_gtk_theme.png"));
}

}  // namespace
