#include "form/auto_pixoria_form.h"

#include <QBoxLayout>
#include <QDebug>
#include <QDesktopServices>
#include <QIcon>
#include <QTimer>
#include <QUrl>

#include "dialogs/auto_pixoria_info_dialog.h"
#include "form/second_monitor_wallpaper.h"
#include "pixoria/common/bing_market.h"
#include "pixoria/platform/folders.h"
#include "pixoria/platform/imaging.h"
#include "pixoria/product.h"
#include "pixoria/protocol.h"
#include "pixoria/settings_schema.h"
#include "preview/load_wallpaper_thread.h"
#include "preview/preview_decoder.h"
#include "shell/color_scheme.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_auto_pixoria_form.h"

namespace {

constexpr int kPreviewSpacing = 40;
constexpr int kFirstLoadDelayMs = 100;

QIcon resourceIcon(const char* name) {
  return QIcon(QStringLiteral(":/resources/images/") + QLatin1String(name));
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, Qt::Alignment alignment = {}) {
  auto* layout = new QHBoxLayout;
  for (QWidget* widget : widgets) {
    layout->addWidget(widget);
  }
  if (alignment) {
    layout->setAlignment(alignment);
  }
  return layout;
}

}  // namespace

AutoPixoriaForm::AutoPixoriaForm(QWidget* parent) : QWidget(parent), ui(new Ui::AutoPixoriaForm) {
  ui->setupUi(this);
  // Without the imaging library the form cannot fit a wallpaper: it stays an inert shell that
  // reads and writes nothing.
  imagingStarted =
      pixoria::platform::gdiplusStartup(imagingToken) == pixoria::platform::GpStatus::ok;
  if (!imagingStarted) {
    qDebug() << "Failed to initialize GDI+\n";
    return;
  }
  subKey = fromUtf8(pixoria::kSettingsKey);
  agentClassName = fromUtf8(pixoria::kAgentWindowClass);
  agentWindowTitle = fromUtf8(pixoria::kAgentWindowTitle);
  agentExeName = fromUtf8(pixoria::kAgentProgramName) + fromUtf8(pixoria::platform::kProgramSuffix);
  buildLayout();
  updateThemeIcons();
  ui->customSourceTreeWidget->setHeaderLabels({QStringLiteral("File List")});
  ui->customSourceTreeWidget->setSelectionMode(QAbstractItemView::ExtendedSelection);

  readCustomList();
  fillComboBoxes();
  readDataPixoria();
  setRegion(ui->pixoriaRegionComboBox->currentIndex());

  ui->customSourceRemovePushButton->setEnabled(false);
  ui->customSourceClearPushButton->setEnabled(false);
  connect(ui->customSourceTreeWidget, SIGNAL(itemSelectionChanged()), this,
          SLOT(on_customSourceTree_itemSelectionChanged()));
  getWallpaperTimer = new QTimer(this);
  getWallpaperTimer->setSingleShot(true);
  connect(getWallpaperTimer, &QTimer::timeout, this, &AutoPixoriaForm::onGetWallpaperTimer);
  getWallpaperTimer->start(kFirstLoadDelayMs);
  initialized = true;
}

AutoPixoriaForm::~AutoPixoriaForm() {
  // A loader's thread only emits and returns, but one started a moment ago may not have run yet,
  // and Qt aborts the program when a running QThread is destroyed with its parent.
  for (LoadWallpaperThread* loader : findChildren<LoadWallpaperThread*>()) {
    loader->wait();
  }
  // The preview decoder and the Set fitter draw through the imaging library on threads of their
  // own: they are joined here, before the library shuts down, not after with the other children.
  delete previewDecoder;
  previewDecoder = nullptr;
  delete secondMonitorWallpaper;
  secondMonitorWallpaper = nullptr;
  if (imagingStarted) {
    pixoria::platform::gdiplusShutdown(imagingToken);
    qDebug() << "Imaging shut down";
  }
  delete ui;
}

// Replaces the fixed places of the widget set with layouts; only the fixed sizes stay.
void AutoPixoriaForm::buildLayout() {
  QHBoxLayout* toolbar = row({ui->startButton, ui->stopButton, ui->line, ui->helpButton,
                              ui->websiteButton, ui->aboutButton},
                             Qt::AlignLeft);
  ui->stopButton->hide();

  ui->pixoriaScheduleGroupBox->setLayout(
      row({ui->pixoriaTimeTitle, ui->pixoriaTimeSpinBox, ui->pixoriaTimeComboBox}, Qt::AlignLeft));

  auto* source = new QVBoxLayout;
  source->addLayout(row({ui->pixoriaSourceSourceLabel, ui->pixoriaSourceComboBox}, Qt::AlignLeft));
  source->addLayout(row({ui->pixoriaSourceRegionLabel, ui->pixoriaRegionComboBox}, Qt::AlignLeft));
  source->addWidget(ui->customSourceTreeWidget);
  source->addLayout(row({ui->customSourceAddPushButton, ui->customSourceRemovePushButton,
                         ui->customSourceClearPushButton},
                        Qt::AlignLeft));
  ui->pixoriaSourceGroupBox->setLayout(source);

  auto* centre = new QVBoxLayout;
  centre->addWidget(ui->PreviewLabel);
  centre->addWidget(ui->pixoriaImage);
  centre->addLayout(
      row({ui->pixoriaImageButton, ui->pixoriaImageReloadButton, ui->pixoriaImageSaveButton}));
  // The arrows stay beside the picture rather than at the window's edges.
  QHBoxLayout* navigation = row({ui->pixoriaBackToolButton}, Qt::AlignHCenter);
  navigation->addLayout(centre);
  navigation->addWidget(ui->pixoriaNextToolButton);
  auto* preview = new QVBoxLayout;
  preview->addLayout(navigation);
  preview->addWidget(ui->pixoriaImageLabel);
  preview->addWidget(ui->pixoriaImageLabel2);

  auto* column = new QVBoxLayout;
  column->setAlignment(Qt::AlignTop);
  column->addLayout(toolbar);
  column->addWidget(ui->pixoriaSourceGroupBox);
  column->addWidget(ui->pixoriaScheduleGroupBox);
  column->addWidget(ui->pixoriaDualMonitorCheckBox);
  column->addSpacing(kPreviewSpacing);
  column->addLayout(preview);

  auto* top = new QVBoxLayout(this);
  top->addLayout(column);
}

void AutoPixoriaForm::fillComboBoxes() {
  ui->pixoriaTimeComboBox->addItem(QStringLiteral("hour(s)"));
  ui->pixoriaTimeComboBox->addItem(QStringLiteral("days(s)"));
  ui->pixoriaSourceComboBox->addItem(QStringLiteral("Bing daily image"));
  ui->pixoriaSourceComboBox->addItem(QStringLiteral("NASA daily image"));
  ui->pixoriaSourceComboBox->addItem(QStringLiteral("Wikimedia Picture of the Day"));
  ui->pixoriaSourceComboBox->addItem(QStringLiteral("Custom"));
  for (const pixoria::BingMarket& market : pixoria::kBingMarkets) {
    ui->pixoriaRegionComboBox->addItem(fromUtf8(market.regionName));
  }
  ui->pixoriaImageLabel->setText(QString());
  ui->pixoriaImageLabel2->setText(QString());
}

void AutoPixoriaForm::updateThemeIcons() {
  const bool dark = pixoria::app::isDarkColorScheme();
  ui->startButton->setIcon(resourceIcon(dark ? "_playWhite24.png" : "_playBlack24.png"));
  ui->stopButton->setIcon(resourceIcon(dark ? "_stopWhite24.png" : "_stopBlack24.png"));
  ui->websiteButton->setIcon(resourceIcon(dark ? "websiteWhiteIcon24.png" : "websiteIcon24.png"));
  ui->aboutButton->setIcon(resourceIcon(dark ? "AboutWhite24.png" : "About24.png"));
  ui->helpButton->setIcon(resourceIcon(dark ? "_infoWhite24.png" : "_infoBlack24.png"));
  if (!ui->pixoriaBackToolButton->isEnabled()) {
    ui->pixoriaBackToolButton->setIcon(resourceIcon("_BackIosGray64.png"));
    ui->pixoriaNextToolButton->setIcon(resourceIcon("_ForwardIosGray64.png"));
    return;
  }
  ui->pixoriaBackToolButton->setIcon(
      resourceIcon(dark ? "_BackIosWhite64.png" : "_BackIosBlack64.png"));
  ui->pixoriaNextToolButton->setIcon(
      resourceIcon(dark ? "_ForwardIosWhite64.png" : "_ForwardIosBlack64.png"));
}

void AutoPixoriaForm::showSourceControls(int source) {
  const bool bing = source == static_cast<int>(pixoria::kSourceBing);
  ui->pixoriaSourceRegionLabel->setVisible(bing);
  ui->pixoriaRegionComboBox->setVisible(bing);
  const bool custom = source == static_cast<int>(pixoria::kSourceCustom);
  ui->customSourceTreeWidget->setVisible(custom);
  ui->customSourceAddPushButton->setVisible(custom);
  ui->customSourceRemovePushButton->setVisible(custom);
  ui->customSourceClearPushButton->setVisible(custom);
}

void AutoPixoriaForm::on_websiteButton_clicked() {
  QDesktopServices::openUrl(QUrl(fromUtf8(pixoria::kMakerWebAddress)));
}

void AutoPixoriaForm::on_aboutButton_clicked() {
  emit showAbout();
}

void AutoPixoriaForm::on_helpButton_clicked() {
  AutoPixoriaInfoDialog* info = new AutoPixoriaInfoDialog(this);
  info->exec();
}
