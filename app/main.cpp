// Pixoria, the configuration application.
#include <QApplication>

#include "shell/application_icon.h"
#include "shell/first_paint_probe.h"
#include "window/main_window.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setWindowIcon(pixoria::app::applicationIcon());
  QGuiApplication::setDesktopFileName(QString::fromLatin1(pixoria::app::kDesktopEntryId));
  MainWindow window;
  pixoria::app::FirstPaintProbe::installIfRequested(&window);
  window.show();
  return application.exec();
}
