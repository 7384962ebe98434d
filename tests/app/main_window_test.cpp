// The main window: where it opens (every correction of a stored geometry), what it stores on
// close, its title and hosted form, theme changes reaching the form, the About dialog, and the
// agent's restore request.
#include "window/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app_test_support.h"
#include "dialogs/about_dialog.h"
#include "form/auto_pixoria_form.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/windows.h"
#include "shell/application_icon.h"
#include "shell/saved_geometry.h"

namespace {

using pixoria::app::clampRestoredGeometry;
using pixoria::app_test::child;
using pixoria::app_test::showsResource;

QSettings geometryStore() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvane", "Pixoria");
}

void storeGeometry(const QRect& geometry) {
  QSettings store = geometryStore();
  store.beginGroup("MainApp");
  store.setValue("posX", geometry.x());
  store.setValue("posY", geometry.y());
  store.setValue("width", geometry.width());
  store.setValue("height", geometry.height());
}

void forgetGeometry() {
  QSettings store = geometryStore();
  store.remove("MainApp");
}

struct GeometryCase {
  const char* what;
  QRect stored;
  QRect expected;
};

TEST(RestoredGeometry, CorrectsEachAxisInOrder) {
  const QSize screen(1920, 1080);
  const GeometryCase cases[] = {
      {"nothing stored", {0, 0, 0, 0}, {0, 0, 986, 513}},
      {"fits as stored", {50, 60, 1200, 700}, {50, 60, 1200, 700}},
      {"x past the right edge", {3000, 60, 1000, 600}, {100, 60, 1000, 600}},
      {"negative position", {-5, -1, 1000, 600}, {100, 100, 1000, 600}},
      {"y past the bottom edge", {10, 1081, 1000, 600}, {10, 100, 1000, 600}},
      {"position on the far edge itself", {1920, 1080, 1000, 600}, {920, 480, 1000, 600}},
      {"wider than the screen keeps x", {300, 10, 2500, 600}, {300, 10, 1920, 600}},
      {"running past the right edge moves left", {1500, 10, 1000, 600}, {920, 10, 1000, 600}},
      {"taller than the screen keeps y", {10, 300, 1000, 1200}, {10, 300, 1000, 1080}},
      {"running past the bottom moves up", {10, 700, 1000, 600}, {10, 480, 1000, 600}},
      {"too narrow grows without moving", {1500, 10, 500, 600}, {1500, 10, 986, 600}},
      {"too low grows without moving", {10, 900, 1000, 100}, {10, 900, 1000, 513}},
      {"exactly filling the screen", {0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
  };
  for (const GeometryCase& c : cases) {
    EXPECT_EQ(clampRestoredGeometry(c.stored, screen), c.expected) << c.what;
  }
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { forgetGeometry(); }
  void TearDown() override { forgetGeometry(); }
};

TEST_F(MainWindowTest, BuildsItsWidgetSetAndHostsTheForm) {
  MainWindow window;
  EXPECT_EQ(window.objectName(), "MainWindow");
  EXPECT_EQ(window.windowTitle(), "Corvane Pixoria");
  ASSERT_NE(child<QWidget>(window, "centralwidget"), nullptr);
  EXPECT_EQ(window.centralWidget()->objectName(), "centralwidget");
  EXPECT_EQ(window.menuBar()->objectName(), "menubar");
  EXPECT_EQ(window.statusBar()->objectName(), "statusbar");
  ASSERT_NE(window.hostedForm(), nullptr);
  EXPECT_EQ(window.hostedForm()->parentWidget(), window.centralWidget());
  // A first start opens at the origin with the smallest size.
  EXPECT_EQ(window.geometry(), QRect(0, 0, 986, 513));
}

TEST_F(MainWindowTest, OpensWhereTheStoreSaysCorrectedForThePrimaryScreen) {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const QRect stored(screen.width() + 50, 20, 400, screen.height() + 300);
  storeGeometry(stored);
  MainWindow window;
  EXPECT_EQ(window.geometry(), clampRestoredGeometry(stored, screen));
  EXPECT_EQ(window.geometry(), QRect(100, 20, 986, screen.height()));
}

TEST_F(MainWindowTest, CloseStoresTheClientGeometry) {
  {
    MainWindow window;
    window.setGeometry(QRect(12, 34, 1000, 560));
    QCloseEvent close;
    QApplication::sendEvent(&window, &close);
    EXPECT_TRUE(close.isAccepted());
  }
  QSettings store = geometryStore();
  store.beginGroup("MainApp");
  EXPECT_EQ(store.value("posX").toInt(), 12);
  EXPECT_EQ(store.value("posY").toInt(), 34);
  EXPECT_EQ(store.value("width").toInt(), 1000);
  EXPECT_EQ(store.value("height").toInt(), 560);
}

TEST_F(MainWindowTest, PaletteAndThemeChangesRepaintTheIcons) {
  MainWindow window;
  auto* start = child<QToolButton>(window, "startButton");
  ASSERT_NE(start, nullptr);
  EXPECT_TRUE(showsResource(start->icon(), "_playBlack24.png"));

  const QPalette light = QApplication::palette();
  QApplication::setPalette(pixoria::app_test::darkPalette());
  QEvent themeChange(QEvent::ThemeChange);
  QApplication::sendEvent(&window, &themeChange);
  EXPECT_TRUE(showsResource(start->icon(), "_playWhite24.png"));

  QApplication::setPalette(light);
  QApplication::sendEvent(&window, &themeChange);
  EXPECT_TRUE(showsResource(start->icon(), "_playBlack24.png"));
}

TEST_F(MainWindowTest, AboutRunsModallyAndItsCloseButtonDeletesIt) {
  MainWindow window;
  window.show();
  QPointer<AboutDialog> shown;
  bool wasModal = false;
  // Should the dialog not close, this ends its run so that the test fails instead of hanging.
  QTimer::singleShot(5000, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->close();
    }
  });
  QTimer::singleShot(0, [&] {
    shown = window.findChild<AboutDialog*>();
    ASSERT_NE(shown, nullptr);
    wasModal = shown->isModal() && shown->isVisible();
    QTest::mouseClick(shown->findChild<QAbstractButton*>("closeButton"), Qt::LeftButton);
  });
  QTest::mouseClick(child<QToolButton>(window, "aboutButton"), Qt::LeftButton);
  // Back here: the click's handler returned because the dialog's modal run ended.
  EXPECT_TRUE(wasModal);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(shown.isNull());
}

TEST_F(MainWindowTest, TheAgentsRestoreRequestShowsAndRaisesTheWindow) {
  namespace pf = pixoria::platform;
  MainWindow window;
  window.showMinimized();
  window.hide();
  ASSERT_FALSE(window.isVisible());

  const pf::WindowHandle identity = pf::findWindow("Qt690QWindowIcon", "Corvane Pixoria");
  ASSERT_NE(identity, nullptr);
  ASSERT_TRUE(pf::postMessage(identity, pf::kWmSysCommand, pf::kScRestore, 0));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, 5000));
  EXPECT_FALSE(window.isMinimized());
}

TEST_F(MainWindowTest, TheIdentityGoesWithTheWindow) {
  namespace pf = pixoria::platform;
  {
    MainWindow window;
  }
  EXPECT_EQ(pf::findWindow("Qt690QWindowIcon", "Corvane Pixoria"), nullptr);
}

// The window icon is the drawing rendered at each installed size: a window manager asking for
// 16 pixels gets the small rendering, not the large one scaled down, and no size is blank.
TEST(ApplicationIconTest, OffersEachInstalledSizeAsItsOwnRendering) {
  const QIcon icon = pixoria::app::applicationIcon();
  QList<QSize> sizes;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    sizes.append(QSize(size, size));
  }
  EXPECT_EQ(icon.availableSizes(), sizes);
  for (const char* name : {"AppIcon16.png", "AppIcon256.png"}) {
    EXPECT_TRUE(pixoria::app_test::showsResource(icon, QString::fromLatin1(name))) << name;
  }
  const QImage small = icon.pixmap(QSize(16, 16)).toImage();
  EXPECT_GT(qAlpha(small.pixel(8, 8)), 0) << "the 16-pixel icon is drawn";
}

}  // namespace
