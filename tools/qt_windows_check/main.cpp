// Shows a window and reports whether Qt's TLS backend loads: the two things a Qt built for
// Windows must do for the configuration application (its window, and the image services over
// https).
//
// Prints "exposed after <ms> ms" once the window system has put the window on screen, keeps it
// there for a few seconds so that the caller can look at it, and exits with 0 when TLS works,
// 1 when it does not, 2 when the window never appeared.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSslSocket>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

constexpr int kExposeTimeoutMs = 30000;
constexpr int kShowForMs = 3000;

void report(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);

  const bool tls = QSslSocket::supportsSsl();
  report(QStringLiteral("platform: %1").arg(QGuiApplication::platformName()));
  report(QStringLiteral("tls backend: %1").arg(QSslSocket::activeBackend()));
  report(QStringLiteral("supportsSsl: %1").arg(tls ? "true" : "false"));

  QLabel window(QStringLiteral("Qt %1 for Windows\nTLS: %2")
                    .arg(QString::fromLatin1(qVersion()), tls ? "yes" : "no"));
  window.setWindowTitle(QStringLiteral("Pixoria Qt check"));
  window.setAlignment(Qt::AlignCenter);
  window.resize(360, 160);
  window.show();

  QElapsedTimer since_show;
  since_show.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (window.windowHandle() != nullptr && window.windowHandle()->isExposed()) {
      poll.stop();
      report(QStringLiteral("exposed after %1 ms").arg(since_show.elapsed()));
      QTimer::singleShot(kShowForMs, &app, [&] { app.exit(tls ? 0 : 1); });
    } else if (since_show.elapsed() > kExposeTimeoutMs) {
      report(QStringLiteral("the window was never exposed"));
      app.exit(2);
    }
  });
  poll.start(20);
  return app.exec();
}
