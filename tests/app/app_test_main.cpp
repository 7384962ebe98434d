// Entry of the application's tests: a private home (so the settings store, the registry hive and
// the window sockets live in a temporary folder), then the Qt application in the Fusion style
// that the program uses, then the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include "app_test_support.h"

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) {
    return 1;
  }
  const QString root = home.path();
  for (const char* folder : {"config", "runtime", "data", "state", "cache"}) {
    QDir(root).mkpath(QString::fromLatin1(folder));
  }
  QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("HOME", root.toUtf8());
  qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
  qputenv("XDG_RUNTIME_DIR", (root + "/runtime").toUtf8());
  qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
  qputenv("XDG_STATE_HOME", (root + "/state").toUtf8());
  qputenv("XDG_CACHE_HOME", (root + "/cache").toUtf8());
  // No test reaches the real image services or the real desktop: the addresses lead to a closed
  // loopback port until a test points them at its own server.
  for (const char* name : {"PIXORIA_BING_ORIGIN", "PIXORIA_BING_IMAGE_BASE"}) {
    qputenv(name, "http://127.0.0.1:9");
  }
  qputenv("PIXORIA_NASA_FEED_URL", "http://127.0.0.1:9/nasa.rss");
  qputenv("PIXORIA_NASA_FALLBACK_FEED_URL", "http://127.0.0.1:9/feeds/iotd-feed/");
  qputenv("PIXORIA_WIKIPEDIA_FEED_PREFIX", "http://127.0.0.1:9/featured/");
  qputenv("PIXORIA_DESKTOP", "headless");
  qputenv("PIXORIA_SCREENS", "320x180");

  // Windows has one registry per Wine prefix, which the tests share: each program starts from
  // no settings key, as a private home gives on Linux.
  pixoria::app_test::removeSettings();

  QApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
