// The form's and the dialogs' widget sets: object names, texts, initial states, combo box
// contents, the layout order, and the icon rule for light, dark and a disabled Back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "app_test_support.h"
#include "dialogs/about_dialog.h"
#include "dialogs/auto_pixoria_info_dialog.h"
#include "form/auto_pixoria_form.h"

namespace {

using pixoria::app_test::child;
using pixoria::app_test::showsResource;

QStringList items(const QComboBox& box) {
  QStringList texts;
  for (int i = 0; i < box.count(); ++i) {
    texts << box.itemText(i);
  }
  return texts;
}

struct TextCase {
  const char* name;
  const char* text;
};

TEST(FormWidgets, CarryTheirNamesAndTexts) {
  AutoPixoriaForm form;
  EXPECT_EQ(form.objectName(), "AutoPixoriaForm");
  EXPECT_EQ(form.windowTitle(), "Form");
  const TextCase buttons[] = {
      {"startButton", "Start"},
      {"stopButton", "Stop"},
      {"helpButton", "Help"},
      {"websiteButton", "Website"},
      {"aboutButton", "About"},
      {"customSourceAddPushButton", "Add Files"},
      {"customSourceRemovePushButton", "Remove"},
      {"customSourceClearPushButton", "Clear"},
      {"pixoriaDualMonitorCheckBox", "Use different wallpapers for a dual monitor setup"},
      {"pixoriaBackToolButton", "..."},
      {"pixoriaNextToolButton", "..."},
      {"pixoriaImageButton", "Set"},
      {"pixoriaImageReloadButton", "Reload"},
      {"pixoriaImageSaveButton", "Save to Harddisk"},
  };
  for (const TextCase& c : buttons) {
    const auto* button = child<QAbstractButton>(form, c.name);
    ASSERT_NE(button, nullptr) << c.name;
    EXPECT_EQ(button->text(), c.text) << c.name;
  }
  const TextCase labels[] = {
      {"pixoriaSourceSourceLabel", "Source"},
      {"pixoriaSourceRegionLabel", "Select region:"},
      {"pixoriaTimeTitle", "Change wallpaper every"},
      {"PreviewLabel", "Preview"},
      {"pixoriaImage", "Downloading image of the day from Microsoft Bing server..."},
      {"pixoriaImageLabel", ""},
      {"pixoriaImageLabel2", ""},
  };
  for (const TextCase& c : labels) {
    const auto* label = child<QLabel>(form, c.name);
    ASSERT_NE(label, nullptr) << c.name;
    EXPECT_EQ(label->text(), c.text) << c.name;
  }
  EXPECT_EQ(child<QGroupBox>(form, "pixoriaSourceGroupBox")->title(), "Image Source");
  EXPECT_EQ(child<QGroupBox>(form, "pixoriaScheduleGroupBox")->title(), "Time Schedule");
  const auto* tree = child<QTreeWidget>(form, "customSourceTreeWidget");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->columnCount(), 1);
  EXPECT_EQ(tree->headerItem()->text(0), "File List");
  EXPECT_EQ(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(child<QFrame>(form, "line")->frameShape(), QFrame::VLine);
}

TEST(FormWidgets, StartInTheirInitialStates) {
  AutoPixoriaForm form;
  auto* spin = child<QSpinBox>(form, "pixoriaTimeSpinBox");
  spin->setValue(13);
  EXPECT_EQ(spin->value(), 12);
  spin->setValue(0);
  EXPECT_EQ(spin->value(), 1);

  EXPECT_TRUE(child<QToolButton>(form, "stopButton")->isHidden());
  EXPECT_FALSE(child<QToolButton>(form, "startButton")->isHidden());
  EXPECT_FALSE(child<QPushButton>(form, "customSourceRemovePushButton")->isEnabled());
  EXPECT_FALSE(child<QPushButton>(form, "customSourceClearPushButton")->isEnabled());
}

// QLineEdit centres its line on the bounding box of its text: a box taller than the room, as a
// font with a tall line height gives, moves the number out of sight.
TEST(FormWidgets, TimeSpinBoxHasRoomForEachOfItsNumbers) {
  AutoPixoriaForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form, 5000));
  const auto* spin = child<QSpinBox>(form, "pixoriaTimeSpinBox");
  const auto* edit = spin->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  const QFontMetrics metrics(edit->font());
  const QRect room = edit->contentsRect();
  for (int value : {spin->minimum(), spin->maximum()}) {
    const QString number = QString::number(value);
    EXPECT_LE(metrics.boundingRect(number).height(), room.height()) << value;
    EXPECT_LE(metrics.horizontalAdvance(number), room.width()) << value;
  }
}

TEST(FormWidgets, SourceChoiceShowsItsOwnControls) {
  AutoPixoriaForm form;
  auto* source = child<QComboBox>(form, "pixoriaSourceComboBox");
  auto* region = child<QComboBox>(form, "pixoriaRegionComboBox");
  auto* tree = child<QTreeWidget>(form, "customSourceTreeWidget");
  auto* add = child<QPushButton>(form, "customSourceAddPushButton");
  EXPECT_FALSE(region->isHidden());
  EXPECT_TRUE(tree->isHidden());
  source->setCurrentIndex(3);
  EXPECT_TRUE(region->isHidden());
  EXPECT_TRUE(child<QLabel>(form, "pixoriaSourceRegionLabel")->isHidden());
  EXPECT_FALSE(tree->isHidden());
  EXPECT_FALSE(add->isHidden());
  source->setCurrentIndex(1);
  EXPECT_TRUE(region->isHidden());
  EXPECT_TRUE(tree->isHidden());
  EXPECT_TRUE(add->isHidden());
}

TEST(FormWidgets, ComboBoxesHoldTheSettingValuesInOrder) {
  AutoPixoriaForm form;
  EXPECT_EQ(items(*child<QComboBox>(form, "pixoriaTimeComboBox")),
            QStringList({"hour(s)", "days(s)"}));
  EXPECT_EQ(items(*child<QComboBox>(form, "pixoriaSourceComboBox")),
            QStringList({"Bing daily image", "NASA daily image", "Wikimedia Picture of the Day",
                         "Custom"}));
  EXPECT_EQ(items(*child<QComboBox>(form, "pixoriaRegionComboBox")),
            QStringList({"United States", "United Kingdom", "Spain", "Japan", "Italy", "India",
                         "France", "Germany", "China", "Canada", "Australia"}));
}

TEST(FormWidgets, SourceGroupStandsAboveScheduleGroupAndPreviewBelow) {
  AutoPixoriaForm form;
  form.resize(1038, 900);
  form.show();
  const int source = child<QGroupBox>(form, "pixoriaSourceGroupBox")->y();
  const int schedule = child<QGroupBox>(form, "pixoriaScheduleGroupBox")->y();
  const int check = child<QCheckBox>(form, "pixoriaDualMonitorCheckBox")->y();
  const int preview = child<QLabel>(form, "PreviewLabel")->y();
  EXPECT_LT(child<QToolButton>(form, "startButton")->y(), source);
  EXPECT_LT(source, schedule);
  EXPECT_LT(schedule, check);
  EXPECT_GE(preview - check, 40);
  const auto* back = child<QToolButton>(form, "pixoriaBackToolButton");
  const auto* image = child<QLabel>(form, "pixoriaImage");
  const auto* next = child<QToolButton>(form, "pixoriaNextToolButton");
  EXPECT_LT(back->x(), image->x());
  EXPECT_LT(image->x(), next->x());
}

TEST(FormIcons, FollowTheColourSchemeAndGrayTheArrowsWhileBackIsDisabled) {
  AutoPixoriaForm form;
  auto* back = child<QToolButton>(form, "pixoriaBackToolButton");
  auto* next = child<QToolButton>(form, "pixoriaNextToolButton");
  auto icon = [&form](const char* name) { return child<QToolButton>(form, name)->icon(); };
  EXPECT_TRUE(showsResource(icon("startButton"), "_playBlack24.png"));
  EXPECT_TRUE(showsResource(icon("stopButton"), "_stopBlack24.png"));
  EXPECT_TRUE(showsResource(icon("websiteButton"), "websiteIcon24.png"));
  EXPECT_TRUE(showsResource(icon("aboutButton"), "About24.png"));
  EXPECT_TRUE(showsResource(icon("helpButton"), "_infoBlack24.png"));
  EXPECT_TRUE(showsResource(back->icon(), "_BackIosBlack64.png"));
  EXPECT_TRUE(showsResource(next->icon(), "_ForwardIosBlack64.png"));

  const QPalette light = QApplication::palette();
  QApplication::setPalette(pixoria::app_test::darkPalette());
  form.updateThemeIcons();
  EXPECT_TRUE(showsResource(icon("startButton"), "_playWhite24.png"));
  EXPECT_TRUE(showsResource(icon("stopButton"), "_stopWhite24.png"));
  EXPECT_TRUE(showsResource(icon("websiteButton"), "websiteWhiteIcon24.png"));
  EXPECT_TRUE(showsResource(icon("aboutButton"), "AboutWhite24.png"));
  EXPECT_TRUE(showsResource(icon("helpButton"), "_infoWhite24.png"));
  EXPECT_TRUE(showsResource(back->icon(), "_BackIosWhite64.png"));
  EXPECT_TRUE(showsResource(next->icon(), "_ForwardIosWhite64.png"));

  back->setEnabled(false);
  form.updateThemeIcons();
  EXPECT_TRUE(showsResource(back->icon(), "_BackIosGray64.png"));
  EXPECT_TRUE(showsResource(next->icon(), "_ForwardIosGray64.png"));
  EXPECT_TRUE(showsResource(icon("startButton"), "_playWhite24.png"));

  // Gray in the light scheme too; enabling Back changes nothing until the next pick.
  QApplication::setPalette(light);
  form.updateThemeIcons();
  EXPECT_TRUE(showsResource(back->icon(), "_BackIosGray64.png"));
  back->setEnabled(true);
  EXPECT_TRUE(showsResource(back->icon(), "_BackIosGray64.png"));
  form.updateThemeIcons();
  EXPECT_TRUE(showsResource(back->icon(), "_BackIosBlack64.png"));
  EXPECT_TRUE(showsResource(next->icon(), "_ForwardIosBlack64.png"));
}

TEST(FormIcons, EachIsRenderedAtTwiceItsSizeToo) {
  for (const char* name :
       {"_playBlack24", "_playWhite24", "_stopBlack24", "_stopWhite24", "_infoBlack24",
        "_infoWhite24", "websiteIcon24", "websiteWhiteIcon24", "About24", "AboutWhite24",
        "_BackIosBlack64", "_BackIosWhite64", "_BackIosGray64", "_ForwardIosBlack64",
        "_ForwardIosWhite64", "_ForwardIosGray64"}) {
    const QString base = QStringLiteral(":/resources/images/") + name;
    const QImage single(base + ".png");
    const QImage twice(base + "@2x.png");
    EXPECT_FALSE(single.isNull()) << name;
    EXPECT_EQ(twice.size(), single.size() * 2) << name;
  }
}

// Run by app_widgets_test_at_scale_2, with QT_SCALE_FACTOR=2.
TEST(FormIcons, DrawFromTheirSharpRenderingOnADoubleDensityScreen) {
  if (qApp->devicePixelRatio() < 2) {
    GTEST_SKIP() << "needs a device pixel ratio of 2 (QT_SCALE_FACTOR=2)";
  }
  AutoPixoriaForm form;
  for (const char* button : {"startButton", "stopButton", "helpButton", "websiteButton",
                             "aboutButton", "pixoriaBackToolButton", "pixoriaNextToolButton"}) {
    const auto* tool = child<QToolButton>(form, button);
    const QSize logical = tool->iconSize();
    EXPECT_TRUE(tool->icon().availableSizes().contains(logical * 2)) << button;
    const QImage drawn = tool->icon().pixmap(logical, 2.0).toImage();
    EXPECT_EQ(drawn.size(), logical * 2) << button;
  }
  form.updateThemeIcons();  // the light and dark picks load the @2x files as well
  EXPECT_TRUE(
      child<QToolButton>(form, "startButton")->icon().availableSizes().contains(QSize(48, 48)));
}

// No text of the About dialog runs into another or is cut: at the system's font, and at a font
// larger than the one the dialog was drawn for.
TEST(AboutDialogWidgets, TextsNeitherOverlapNorGetCut) {
  const QFont systemFont = QApplication::font();
  for (int pointSize : {0, 14}) {
    if (pointSize > 0) {
      QFont larger = systemFont;
      larger.setPointSize(pointSize);
      QApplication::setFont(larger);
    }
    QWidget opener;
    auto* about = new AboutDialog(&opener);
    const QList<QLabel*> labels = about->findChildren<QLabel*>();
    for (const QLabel* text : labels) {
      if (text->text().isEmpty()) {
        continue;
      }
      EXPECT_GE(text->width(), text->sizeHint().width()) << text->objectName().toStdString();
      EXPECT_GE(text->height(), text->sizeHint().height()) << text->objectName().toStdString();
      EXPECT_LE(text->geometry().right(), about->width()) << text->objectName().toStdString();
      for (const QLabel* other : labels) {
        if (other != text) {
          EXPECT_FALSE(text->geometry().intersects(other->geometry()))
              << text->objectName().toStdString() << " and " << other->objectName().toStdString();
        }
      }
    }
    // The link stays where the widget set put it when the text before it leaves room.
    const auto* website = child<QLabel>(*about, "licenseLabel_2");
    const auto* link = child<QLabel>(*about, "webLabel");
    EXPECT_EQ(website->pos(), QPoint(180, 130));
    if (website->sizeHint().width() + 6 <= 50) {
      EXPECT_EQ(link->pos(), QPoint(230, 130));
    }
  }
  QApplication::setFont(systemFont);
}

TEST(AboutDialogWidgets, ShowNameVersionSiteAndLogo) {
  QWidget opener;
  auto* about = new AboutDialog(&opener);
  EXPECT_EQ(about->objectName(), "AboutDialog");
  EXPECT_EQ(about->windowTitle(), "About");
  EXPECT_EQ(about->size(), QSize(545, 319));

  const auto* name = child<QLabel>(*about, "label");
  EXPECT_EQ(name->text(), "Corvane Pixoria");
  EXPECT_EQ(name->pos(), QPoint(180, 20));
  EXPECT_GE(name->width(), name->sizeHint().width());
  const auto* platformLine = child<QLabel>(*about, "label_5");
  EXPECT_EQ(platformLine->text(), "for Windows 11 and 10");
  EXPECT_EQ(platformLine->pos(), QPoint(180, 50));
  EXPECT_GE(platformLine->height(), 21);  // taller where the font needs it
  EXPECT_GE(platformLine->width(), 231);
  EXPECT_GE(platformLine->width(), platformLine->sizeHint().width());
  EXPECT_EQ(child<QLabel>(*about, "versionLabel")->text(), "Version: 1.0.1");
  EXPECT_EQ(child<QLabel>(*about, "licenseLabel_2")->text(), "Website:");
  const auto* web = child<QLabel>(*about, "webLabel");
  EXPECT_EQ(web->text(), "<a href=\"https://www.corvane.com\">www.corvane.com</a>");
  EXPECT_TRUE(web->openExternalLinks());
  EXPECT_FALSE(child<QLabel>(*about, "label_3")->text().isEmpty());
  EXPECT_FALSE(child<QLabel>(*about, "label_4")->pixmap().isNull());
}

TEST(AboutDialogWidgets, CloseDeletesTheDialog) {
  QWidget opener;
  QPointer<AboutDialog> about = new AboutDialog(&opener);
  about->show();
  QTest::mouseClick(child<QPushButton>(*about, "closeButton"), Qt::LeftButton);
  EXPECT_FALSE(about.isNull());  // deletion waits for the event loop
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(about.isNull());
}

TEST(InfoDialogWidgets, ShowTheTextsInTopAlignedParagraphsAndCloseKeepsTheDialog) {
  QWidget opener;
  QPointer<AutoPixoriaInfoDialog> info = new AutoPixoriaInfoDialog(&opener);
  EXPECT_EQ(info->objectName(), "AutoPixoriaInfoDialog");
  EXPECT_EQ(info->windowTitle(), "Dialog");
  const auto* label1 = child<QLabel>(*info, "label1");
  const auto* label2 = child<QLabel>(*info, "label2");
  const auto* label3 = child<QLabel>(*info, "label3");
  EXPECT_TRUE(label1->text().startsWith("Bring your Windows desktop to life with Corvane Pixoria"));
  EXPECT_TRUE(label2->text().endsWith("without slowing down your PC."));
  EXPECT_TRUE(
      label3->text().contains(QString::fromUtf8("your system\u2019s look and performance.")));
  EXPECT_EQ(child<QPushButton>(*info, "upgradeButton")->text(), "Upgrade");

  info->resize(596, 285);
  info->show();
  const auto* upgrade = child<QPushButton>(*info, "upgradeButton");
  const auto* close = child<QPushButton>(*info, "closeButton");
  EXPECT_LT(label1->y(), label2->y());
  EXPECT_LT(label2->y(), label3->y());
  EXPECT_LT(label3->geometry().bottom(), upgrade->y());
  EXPECT_LT(upgrade->x(), close->x());
  EXPECT_GT(close->geometry().right(), info->width() - 40);  // right-aligned

  QTest::mouseClick(const_cast<QPushButton*>(close), Qt::LeftButton);
  EXPECT_FALSE(info->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(info.isNull());
}

}  // namespace
