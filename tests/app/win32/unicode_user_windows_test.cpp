// The application under a Windows user whose name lies outside the ANSI code page (code page
// 1252, "Jürgen Lǐ 李华"), with a custom file named "Été 李.jpg": the list shows the name, the
// preview reads the file, Set fits it into the user's wallpaper folder, and Save converts it. Run
// in a Wine prefix of that user (windows_tests.cmake): any narrow path handed to the C runtime
// or std::filesystem is read in code page 1252 there and misses the file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "app_test_support.h"
#include "form/auto_pixoria_form.h"
#include "form/preview_export.h"
#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/folders.h"
#include "pixoria/settings_schema.h"
#include "preview/preview_file.h"
#include "shell/cv_global.h"

// Last: its macros would rename the platform's constants in the headers above.
#include <windows.h>

namespace pixoria::app_test {
namespace {

const QString kUserName = QStringLiteral("J\u00fcrgen L\u01d0 \u674e\u534e");
const QString kPictureName = QStringLiteral("\u00c9t\u00e9 \u674e.jpg");

QString appDataFolder() {
  std::string folder;
  return platform::getAppDataFolder(folder) ? QString::fromStdString(folder) : QString();
}

void writeSetting(std::string_view name, std::uint32_t value) {
  CVGlobal::writeRegistryDword(CVGlobal::kHkeyCurrentUser, QString::fromUtf8(kSettingsKey),
                               QString::fromUtf8(name), value);
}

TEST(UnicodeUserOnWindows, TheListPreviewSetAndSaveReachFilesNamedOutsideTheCodePage) {
  // The prefix is what the test is about: a Western code page and the user's name in the path.
  ASSERT_EQ(GetACP(), 1252u);
  const QString roaming = appDataFolder();
  ASSERT_TRUE(roaming.contains(kUserName)) << roaming.toStdString();

  const QString folder = roaming + QStringLiteral("\\Bilder \u674e");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString picture = folder + QLatin1Char('\\') + kPictureName;
  QImage source(640, 400, QImage::Format_RGB888);
  source.fill(QColor(20, 160, 40));
  ASSERT_TRUE(source.save(picture, "JPEG", 90));
  QDir().mkpath(QFileInfo(wallpaperFilePath(kSecondDownloadName)).path());
  QFile::remove(wallpaperFilePath(kSecondDownloadName));

  removeSettings();
  writeSetting(kValueSource, kSourceCustom);
  writeSetting(kValueCustomCount, 1);
  CVGlobal::writeRegistryString(CVGlobal::kHkeyCurrentUser, QString::fromUtf8(kSettingsKey),
                                QString::fromUtf8(kValueCustomFilePrefix) + QLatin1Char('0'),
                                picture);
  DebugLines debug;
  auto form = std::make_unique<AutoPixoriaForm>();
  form->show();

  // The list and the preview's title show the names as they are.
  const auto* tree = child<QTreeWidget>(*form, "customSourceTreeWidget");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), picture);
  EXPECT_EQ(child<QLabel>(*form, "PreviewLabel")->text(), kPictureName);

  // The preview reads the file.
  auto* image = child<QLabel>(*form, "pixoriaImage");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !image->pixmap().isNull(); }, 10000))
      << image->text().toStdString();
  const QImage shown = image->pixmap().toImage();
  EXPECT_GT(shown.pixelColor(shown.width() / 2, shown.height() / 2).green(), 120);

  // Set fits it into temp_image2.jpg in the user's wallpaper folder.
  child<QAbstractButton>(*form, "pixoriaImageButton")->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (const QString& line : debug.lines()) {
          if (line.startsWith(QLatin1String("Fitted into")) ||
              line == QLatin1String("The image could not be fitted; nothing is set"))
            return true;
        }
        return false;
      },
      20000));
  EXPECT_TRUE(QImage(wallpaperFilePath(kSecondDownloadName)).size().isValid())
      << debug.lines().join(QLatin1Char('\n')).toStdString();

  // Save converts it beside the picture, under a name outside the code page too.
  const QString saved = folder + QStringLiteral("\\\u00c9t\u00e9 \u674e.png");
  EXPECT_EQ(exportPreviewImage(picture, saved), QString());
  EXPECT_EQ(QImage(saved).size(), QSize(640, 400));
  form.reset();
}

}  // namespace
}  // namespace pixoria::app_test
