#include "form/auto_pixoria_form.h"

#include <QBoxLayout>
#include <QDebug>
#include <QDesktopServices>
#include <QUrl>

#include "dialogs/auto_pixoria_info_dialog.h"
#include "form/agent_link.h"
#include "form/custom_file_list.h"
#include "form/custom_list_editor.h"
#include "form/preview_controller.h"
#include "form/settings_binder.h"
#include "form/theme_icons.h"
#include "pixoria/common/bing_market.h"
#include "pixoria/platform/imaging.h"
#include "pixoria/product.h"
#include "preview/app_source_table.h"
#include "preview/load_wallpaper_thread.h"
#include "shell/utf8_text.h"
#include "ui_auto_pixoria_form.h"

namespace {

constexpr int kPreviewSpacing = 40;

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
  customFiles = new CustomFileList(this);
  preview = new PreviewController(ui, customFiles, this);
  customList = new CustomListEditor(ui, customFiles, preview, this);
  settings = std::make_unique<SettingsBinder>(ui, customFiles, preview, this);
  agent = std::make_unique<AgentLink>(ui);
  connect(preview, &PreviewController::settingsEdited, this, &AutoPixoriaForm::writeAllSettings);
  connect(customList, &CustomListEditor::listEdited, this, &AutoPixoriaForm::storeCustomList);
  // Without the imaging library the form cannot fit a wallpaper: it stays an inert shell that
  // reads and writes nothing.
  imagingStarted =
      pixoria::platform::gdiplusStartup(imagingToken) == pixoria::platform::GpStatus::ok;
  if (!imagingStarted) {
    qDebug() << "Failed to initialize GDI+\n";
    return;
  }
  buildLayout();
  updateThemeIcons();
  ui->customSourceTreeWidget->setHeaderLabels({QStringLiteral("File List")});
  ui->customSourceTreeWidget->setSelectionMode(QAbstractItemView::ExtendedSelection);

  settings->readCustomList();
  fillComboBoxes();
  settings->readSettings();
  agent->connectAtStart();
  preview->setRegion(ui->pixoriaRegionComboBox->currentIndex());

  ui->customSourceRemovePushButton->setEnabled(false);
  ui->customSourceClearPushButton->setEnabled(false);
  connect(ui->customSourceTreeWidget, SIGNAL(itemSelectionChanged()), this,
          SLOT(on_customSourceTree_itemSelectionChanged()));
  preview->startFirstLoad();
  settings->goLive();
}

AutoPixoriaForm::~AutoPixoriaForm() {
  // A loader's thread only emits and returns, but one started a moment ago may not have run yet,
  // and Qt aborts the program when a running QThread is destroyed with its parent.
  for (LoadWallpaperThread* loader : findChildren<LoadWallpaperThread*>()) {
    loader->wait();
  }
  // The preview decoder and the Set fitter draw through the imaging library on threads of their
  // own: the preview controller joins them here, before the library shuts down, not after with
  // the other children.
  preview->joinWorkers();
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
  for (const AppSource& source : appSources()) {
    ui->pixoriaSourceComboBox->addItem(fromUtf8(source.label), static_cast<int>(source.number));
  }
  for (const pixoria::BingMarket& market : pixoria::kBingMarkets) {
    ui->pixoriaRegionComboBox->addItem(fromUtf8(market.regionName));
  }
  ui->pixoriaImageLabel->setText(QString());
  ui->pixoriaImageLabel2->setText(QString());
}

void AutoPixoriaForm::updateThemeIcons() {
  applyThemeIcons(*ui);
}

void AutoPixoriaForm::writeAllSettings() {
  if (!settings->isLive()) {
    return;
  }
  settings->saveAll();
  applyToAgent();
}

void AutoPixoriaForm::switchChanger(bool on) {
  if (!settings->isLive()) {
    return;
  }
  agent->showRunning(on);
  settings->saveSettings();
  applyToAgent();
}

void AutoPixoriaForm::storeCustomList() {
  settings->saveCustomList();
  applyToAgent();
}

void AutoPixoriaForm::setShownPicture() {
  settings->saveCurrentIndex();
  preview->setShownPicture();
  agent->reloadIfRunning();
}

void AutoPixoriaForm::applyToAgent() {
  if (!agent->notifySettingsChanged()) {
    return;
  }
  if (preview->keepCustomPositionInList()) {
    settings->saveCurrentIndex();
  }
  preview->setPictureAfterReload();
  agent->keepAutostartEntry();
}

// The slots the widget set connects by name: each forwards to the part that does the job.

void AutoPixoriaForm::on_pixoriaTimeSpinBox_valueChanged(int) {
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaTimeComboBox_currentIndexChanged(int) {
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaDualMonitorCheckBox_clicked() {
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaRegionComboBox_currentIndexChanged(int index) {
  if (settings->isLive()) {
    preview->regionChosen(index);
  }
}

void AutoPixoriaForm::on_pixoriaSourceComboBox_currentIndexChanged(int index) {
  preview->sourceChosen(index);
}

void AutoPixoriaForm::on_pixoriaBackToolButton_clicked() {
  preview->back();
}

void AutoPixoriaForm::on_pixoriaNextToolButton_clicked() {
  preview->next();
}

void AutoPixoriaForm::on_pixoriaImageReloadButton_clicked() {
  preview->reload();
}

void AutoPixoriaForm::on_pixoriaImageSaveButton_clicked() {
  preview->save();
}

void AutoPixoriaForm::on_pixoriaImageButton_clicked() {
  setShownPicture();
}

void AutoPixoriaForm::on_customSourceAddPushButton_clicked() {
  customList->add();
}

void AutoPixoriaForm::on_customSourceRemovePushButton_clicked() {
  customList->removeSelected();
}

void AutoPixoriaForm::on_customSourceClearPushButton_clicked() {
  customList->clear();
}

void AutoPixoriaForm::on_customSourceTree_itemSelectionChanged() {
  customList->selectionChanged();
}

void AutoPixoriaForm::on_startButton_clicked() {
  switchChanger(true);
}

void AutoPixoriaForm::on_stopButton_clicked() {
  switchChanger(false);
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
