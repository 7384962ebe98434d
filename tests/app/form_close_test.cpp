// Closing the form while its workers draw, on Linux and under Wine: the preview decoder and the
// Set fitter are joined before the imaging library is shut down, never after it (on Windows a
// worker drawing through GDI+ after GdiplusShutdown crashes the closing program).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "pixoria/common/wallpaper_files.h"
#include "pixoria/settings_schema.h"
#include "preview/preview_file.h"
#include "shell/cv_global.h"

namespace pixoria::app_test {
namespace {

// A photograph-like JPEG: fine grain over colour fields, so decoding it takes real work.
bool writeGrainyJpeg(const QString& path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.scanLine(y);
    for (int x = 0; x < width * 3; ++x) {
      seed = seed * 1664525u + 1013904223u;
      row[x] =
          static_cast<std::uint8_t>((x / 3 * 255 / width + y * 255 / height) / 2 + (seed >> 27));
    }
  }
  return image.save(path, "JPEG", 90);
}

void writeSetting(std::string_view name, std::uint32_t value) {
  CVGlobal::writeRegistryDword(CVGlobal::kHkeyCurrentUser, QString::fromUtf8(kSettingsKey),
                               QString::fromUtf8(name), value);
}

TEST(FormClose, ClosingDuringADecodeAndASetJoinsTheWorkersBeforeImagingShutsDown) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString picture = QDir::toNativeSeparators(folder.filePath(QStringLiteral("large.jpg")));
  ASSERT_TRUE(writeGrainyJpeg(picture, 5000, 3000));
  // The agent makes the wallpaper folder that Set fits into; here no agent has run.
  ASSERT_TRUE(QDir().mkpath(QFileInfo(wallpaperFilePath(kSecondDownloadName)).path()));
  removeSettings();
  writeSetting(kValueSource, kSourceCustom);
  writeSetting(kValueCustomCount, 1);
  CVGlobal::writeRegistryString(CVGlobal::kHkeyCurrentUser, QString::fromUtf8(kSettingsKey),
                                QString::fromUtf8(kValueCustomFilePrefix) + QLatin1Char('0'),
                                picture);
  DebugLines debug;
  QStringList atClose;
  {
    AutoPixoriaForm form;  // its preview of the picture is being decoded
    child<QAbstractButton>(form, "pixoriaImageButton")->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          return debug.lines().contains(QStringLiteral("Preview decode started")) &&
                 debug.lines().contains(QStringLiteral("Fitting started"));
        },
        10000));
    atClose = debug.lines();
  }
  // Both were still at work when the form closed, so the order below means something.
  ASSERT_FALSE(atClose.contains(QStringLiteral("Fitting ended")))
      << atClose.join(QLatin1Char('\n')).toStdString();
  const QStringList lines = debug.lines();
  const qsizetype shutdown = lines.indexOf(QStringLiteral("Imaging shut down"));
  ASSERT_GE(shutdown, 0);
  for (const char* ended : {"Preview decode ended", "Fitting ended"}) {
    const qsizetype at = lines.indexOf(QString::fromLatin1(ended));
    EXPECT_TRUE(at >= 0 && at < shutdown) << ended << " at " << at << ", shut down at " << shutdown;
  }
}

}  // namespace
}  // namespace pixoria::app_test
