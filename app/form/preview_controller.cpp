#include "form/preview_controller.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidgetItem>
#include <string>

#include "form/custom_file_list.h"
#include "form/elided_caption.h"
#include "form/load_failure_status.h"
#include "form/pictures_folder.h"
#include "form/preview_export.h"
#include "form/second_monitor_wallpaper.h"
#include "form/theme_icons.h"
#include "pixoria/common/bing_market.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/platform/screen.h"
#include "pixoria/settings_schema.h"
#include "preview/feed_list_fetch.h"
#include "preview/load_wallpaper_thread.h"
#include "preview/preview_decoder.h"
#include "preview/uhd_rendition.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_auto_pixoria_form.h"

namespace {

namespace pf = pixoria::platform;

constexpr int kFirstLoadDelayMs = 100;
constexpr int kRedrawDelayMs = 1000;

// One step back or forward through a list of `length` entries, wrapping at both ends; an empty
// list keeps index 0.
int wrapped(int index, qsizetype length) {
  if (index >= length) {
    return 0;
  }
  if (index < 0) {
    return length > 0 ? static_cast<int>(length) - 1 : 0;
  }
  return index;
}

}  // namespace

PreviewController::PreviewController(Ui::AutoPixoriaForm* ui, CustomFileList* customFiles,
                                     QWidget* form)
    : QObject(form), ui(ui), customFiles(customFiles), form(form) {}

void PreviewController::joinWorkers() {
  delete previewDecoder;
  previewDecoder = nullptr;
  delete secondMonitorWallpaper;
  secondMonitorWallpaper = nullptr;
}

void PreviewController::startFirstLoad() {
  getWallpaperTimer = new QTimer(this);
  getWallpaperTimer->setSingleShot(true);
  connect(getWallpaperTimer, &QTimer::timeout, this, &PreviewController::onGetWallpaperTimer);
  getWallpaperTimer->start(kFirstLoadDelayMs);
}

const AppSource* PreviewController::currentSource() const {
  return findAppSource(currentSourceNumber());
}

int PreviewController::currentSourceNumber() const {
  if (ui->pixoriaSourceComboBox->currentIndex() < 0) {
    return -1;
  }
  return ui->pixoriaSourceComboBox->currentData().toInt();
}

void PreviewController::chooseStoredSource(std::uint32_t number) {
  // The DWORD is taken as signed, as the combo box's data is an int.
  ui->pixoriaSourceComboBox->setCurrentIndex(
      ui->pixoriaSourceComboBox->findData(static_cast<int>(number)));
}

SourceLists PreviewController::lists() const {
  return {&nasaUrlList, &nasaDescriptionList, &wikipediaDays, &customFiles->files()};
}

void PreviewController::onGetWallpaperTimer() {
  startPreviewLoad();
  firstLoadStarted = true;
}

void PreviewController::startPreviewLoad() {
  const AppSource* source = currentSource();
  if (loadInProgress || (source != nullptr && !source->feed)) {
    return;
  }
  focusKeeper.setEnabled(ui->pixoriaSourceComboBox, false);
  focusKeeper.setEnabled(ui->pixoriaRegionComboBox, false);
  loadInProgress = true;
  if (previewThread == nullptr) {
    // The earlier load may still be downloading: it must neither write the preview file nor
    // report, or its picture would land under this load's caption. A Wikipedia list it is
    // building is still completed.
    if (latestLoader != nullptr) {
      disconnect(latestLoader, nullptr, this, nullptr);
      latestLoader->abandonImageDownload();
    }
    // A child of the form, which waits for every loader's thread when it closes.
    previewThread = new LoadWallpaperThread(form);
    latestLoader = previewThread;
    connect(previewThread, &LoadWallpaperThread::showDesc, this, &PreviewController::onShowDesc);
    connect(previewThread, &LoadWallpaperThread::downloadComplete, this,
            &PreviewController::onDownloadComplete);
    connect(previewThread, &LoadWallpaperThread::downloadFail, this,
            &PreviewController::onDownloadFail);
    connect(previewThread, &LoadWallpaperThread::firstImageReady, this,
            &PreviewController::onFirstImageReady);
    connect(previewThread, &QThread::finished, this,
            &PreviewController::onLoadWallpaperProcessFinish);
    previewThread->start(QThread::InheritPriority);
  }
  previewThread->bingUrl = bingUrlList.value(shown.bing);
  previewThread->setNasaUrlList(&nasaUrlList);
  previewThread->setNasaDescriptionList(&nasaDescriptionList);
  previewThread->setWikipediaDays(&wikipediaDays);
  if (nasaListFetch == nullptr) {
    nasaListFetch = new FeedListFetch(this);
    wikipediaListFetch = new FeedListFetch(this);
  }
  previewThread->setListFetches(nasaListFetch, wikipediaListFetch);
  previewThread->source = currentSourceNumber();
  previewThread->nasaIndex = shown.nasa;
  previewThread->wikipediaIndex = shown.wikipedia;
  previewThread->loadWallpaper();
}

void PreviewController::setPreviewControlsEnabled(bool enabled) {
  for (QWidget* widget : {static_cast<QWidget*>(ui->pixoriaImageButton),
                          static_cast<QWidget*>(ui->pixoriaImageSaveButton),
                          static_cast<QWidget*>(ui->pixoriaImageReloadButton),
                          static_cast<QWidget*>(ui->pixoriaBackToolButton),
                          static_cast<QWidget*>(ui->pixoriaNextToolButton),
                          static_cast<QWidget*>(ui->pixoriaSourceComboBox),
                          static_cast<QWidget*>(ui->pixoriaRegionComboBox)}) {
    focusKeeper.setEnabled(widget, enabled);
  }
  applyThemeIcons(*ui);
}

void PreviewController::onFirstImageReady(const QString& status) {
  setPreviewControlsEnabled(false);
  discardPendingPicture();
  ui->pixoriaImage->setText(status);
}

void PreviewController::onShowDesc(const QString& description) {
  setElidedCaption(ui->pixoriaImageLabel2, description);
}

void PreviewController::onDownloadComplete() {
  qDebug() << "onDownloadComplete";
  downloadCompleted = true;
  showDownloadedImage();
  setPreviewControlsEnabled(true);
}

void PreviewController::onDownloadFail() {
  downloadCompleted = false;
  discardPendingPicture();
  // A second drawing still due from an earlier load would cover the status the failure leaves.
  if (loadImageTimer != nullptr) {
    loadImageTimer->stop();
  }
  focusKeeper.setEnabled(ui->pixoriaImageButton, false);
  focusKeeper.setEnabled(ui->pixoriaImageSaveButton, false);
  focusKeeper.setEnabled(ui->pixoriaImageReloadButton, true);
  // The last progress or "Preparing..." line would otherwise stay, as though still at work.
  const auto* loader = qobject_cast<const LoadWallpaperThread*>(sender());
  ui->pixoriaImage->setText(
      loadFailureStatus(loader != nullptr ? loader->source : currentSourceNumber(),
                        loader != nullptr ? loader->failureReason() : QString()));
}

void PreviewController::onLoadWallpaperProcessFinish() {
  qDebug() << "onLoadWallpaperProcessFinish";
  loadInProgress = false;
  // The loader stays a child of the form: its replies are still on their way to it.
  previewThread = nullptr;
  if (downloadCompleted) {
    if (loadImageTimer == nullptr) {
      loadImageTimer = new QTimer(this);
      loadImageTimer->setSingleShot(true);
      connect(loadImageTimer, &QTimer::timeout, this, &PreviewController::onLoadImageTimer);
    }
    loadImageTimer->start(kRedrawDelayMs);
  }
  focusKeeper.setEnabled(ui->pixoriaSourceComboBox, true);
  focusKeeper.setEnabled(ui->pixoriaRegionComboBox, true);
}

void PreviewController::onLoadImageTimer() {
  showDownloadedImage();
}

void PreviewController::showScaled(const QString& path) {
  if (previewDecoder == nullptr) {
    previewDecoder = new PreviewDecoder(this);
    connect(previewDecoder, &PreviewDecoder::decoded, this, &PreviewController::onPreviewDecoded);
  }
  // Decoded for the screen's pixels, twice the label's size on a display scaled by two.
  const qreal ratio = ui->pixoriaImage->devicePixelRatioF();
  decodingPath = path;
  previewDecoder->decode(path, ui->pixoriaImage->size() * ratio);
}

void PreviewController::onPreviewDecoded(const QImage& image, const QString& failure) {
  if (image.isNull()) {
    qDebug() << "The preview picture does not decode:" << failure;
    // A custom file is named as the user knows it; a feed's picture is the download.
    const bool download = decodingPath == CVGlobal::wallpaperPath;
    ui->pixoriaImage->setText(
        download ? QStringLiteral("Cannot show the downloaded picture: %1").arg(failure)
                 : QStringLiteral("Cannot read %1: %2")
                       .arg(QFileInfo(decodingPath).fileName(), failure));
    return;
  }
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setDevicePixelRatio(ui->pixoriaImage->devicePixelRatioF());
  ui->pixoriaImage->setPixmap(pixmap);
  qDebug() << "pixmap.size(): " << pixmap.size();
}

void PreviewController::discardPendingPicture() {
  if (previewDecoder != nullptr) {
    previewDecoder->discardPending();
  }
}

void PreviewController::showDownloadedImage() {
  showScaled(CVGlobal::wallpaperPath);
  const AppSource* source = currentSource();
  if (source == nullptr || source->title == nullptr) {
    return;
  }
  const int position = shown.*source->position;
  ui->pixoriaImageLabel->setText(source->title(position));
  if (const std::optional<QString> caption = source->caption(lists(), position)) {
    setElidedCaption(ui->pixoriaImageLabel2, *caption);
  }
}

void PreviewController::back() {
  step(true);
}

void PreviewController::next() {
  qDebug() << "on_pixoriaNextToolButton_clicked: " << previewThread;
  // A loader whose thread has not reported yet is the one just started: its download is
  // abandoned, and this press starts nothing new (the load in progress keeps it out).
  if (previewThread != nullptr) {
    previewThread->setTerminateDownload(true);
  }
  step(false);
}

void PreviewController::step(bool back) {
  const AppSource* source = currentSource();
  if (source == nullptr) {
    return;
  }
  const int step = back ? source->backStep : -source->backStep;
  const int target = wrapped(shown.*source->position + step, source->listLength(lists()));
  if (!source->feed) {
    showCustomImage(target);
    return;
  }
  shown.*source->position = target;
  startPreviewLoad();
}

void PreviewController::reload() {
  startPreviewLoad();
}

void PreviewController::setRegion(int region) {
  if (region < 0 || region >= static_cast<int>(pixoria::kBingMarkets.size())) {
    return;
  }
  bingUrlList.clear();
  for (const std::string& url :
       pixoria::bingFeedUrlsFor(pixoria::bingBaseRequests(pixoria::bingArchiveOrigin()),
                                static_cast<std::uint32_t>(region))) {
    bingUrlList.append(QString::fromStdString(url));
  }
}

void PreviewController::regionChosen(int region) {
  setRegion(region);
  if (firstLoadStarted) {
    startPreviewLoad();
  }
  emit settingsEdited();
}

void PreviewController::sourceChosen(int comboIndex) {
  for (QWidget* widget :
       {static_cast<QWidget*>(ui->pixoriaImageReloadButton),
        static_cast<QWidget*>(ui->pixoriaImageSaveButton),
        static_cast<QWidget*>(ui->pixoriaImageButton), static_cast<QWidget*>(ui->pixoriaImageLabel),
        static_cast<QWidget*>(ui->pixoriaImageLabel2)}) {
    widget->show();
  }
  ui->pixoriaImageLabel->clear();
  setElidedCaption(ui->pixoriaImageLabel2, QString());
  discardPendingPicture();
  const AppSource* source =
      comboIndex < 0 ? nullptr
                     : findAppSource(ui->pixoriaSourceComboBox->itemData(comboIndex).toInt());
  const bool customList = source != nullptr && !source->feed;
  // The region row shows for Bing only, the custom list's widgets for the custom list only.
  const bool regional = source != nullptr && source->regional;
  ui->pixoriaSourceRegionLabel->setVisible(regional);
  ui->pixoriaRegionComboBox->setVisible(regional);
  for (QWidget* widget : {static_cast<QWidget*>(ui->customSourceTreeWidget),
                          static_cast<QWidget*>(ui->customSourceAddPushButton),
                          static_cast<QWidget*>(ui->customSourceRemovePushButton),
                          static_cast<QWidget*>(ui->customSourceClearPushButton)}) {
    widget->setVisible(customList);
  }
  // A short custom list hides the arrows; every feed steps through its days again.
  if (!customList) {
    ui->pixoriaBackToolButton->show();
    ui->pixoriaNextToolButton->show();
  }
  if (source != nullptr) {
    ui->pixoriaImage->setText(fromUtf8(source->choosingLine));
  }
  if (customList) {
    ui->pixoriaImageReloadButton->hide();
    ui->pixoriaImageSaveButton->hide();
    ui->pixoriaImageLabel->hide();
    ui->pixoriaImageLabel2->hide();
  }
  // Each feed's position stays inside the list it has now.
  for (const AppSource& feed : appSources()) {
    if (feed.feed && shown.*feed.position >= feed.listLength(lists())) {
      shown.*feed.position = 0;
    }
  }
  emit settingsEdited();
  if (customList) {
    qDebug() << "Use Custom Image";
    qDebug() << "customWalpaperSourceURLIndex: " << shown.custom;
    showCustomImage(shown.custom);
    return;
  }
  ui->PreviewLabel->setText(QStringLiteral("Preview"));
  if (firstLoadStarted) {
    startPreviewLoad();
  }
}

void PreviewController::save() {
  // A dialog of its own rather than getSaveFileName: its default suffix makes Qt's own dialog add
  // ".png" (and ask before replacing that file), which the static call never does.
  QFileDialog dialog(form, tr("Save to Harddisk"), picturesFolder(),
                     tr("Portable Network Graphic (*.png)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return;
  }
  // A platform dialog may still hand back a bare name; the format follows the suffix.
  const QString path = withImageSuffix(dialog.selectedFiles().constFirst());
  const QString fileName = QFileInfo(path).fileName();
  if (fileName.isEmpty()) {
    return;
  }
  qDebug() << "fileName: " << fileName;
  qDebug() << "fullPath: " << path;
  // The UHD rendition when the server has it, else the picture the preview shows.
  uhdRendition()->fetch(previewUhdAddress(), [this, path](const QString& uhdFile) {
    savePicture(uhdFile.isEmpty() ? CVGlobal::wallpaperPath : uhdFile, path);
  });
}

void PreviewController::savePicture(const QString& source, const QString& path) {
  const QString failure = exportPreviewImage(source, path);
  if (!failure.isEmpty()) {
    QMessageBox::warning(form, tr("Error"),
                         tr("The picture could not be saved to %1.\n\n%2.")
                             .arg(QDir::toNativeSeparators(path), failure));
  }
}

QString PreviewController::previewUhdAddress() const {
  if (currentSourceNumber() != static_cast<int>(pixoria::kSourceBing) || !downloadCompleted ||
      latestLoader == nullptr) {
    return QString();
  }
  return latestLoader->bingUhdAddress();
}

UhdRendition* PreviewController::uhdRendition() {
  if (uhdFetcher == nullptr) {
    uhdFetcher = new UhdRendition(this);
  }
  return uhdFetcher;
}

void PreviewController::setShownPicture() {
  const AppSource* source = currentSource();
  if (source != nullptr && source->feed) {
    setPreviewWallpaper();
    return;
  }
  qDebug() << "index: " << shown.custom;
  setWallpaper(customFiles->at(shown.custom));
}

bool PreviewController::keepCustomPositionInList() {
  const AppSource* source = currentSource();
  if (source == nullptr || source->feed ||
      (shown.custom >= 0 && shown.custom < customFiles->size())) {
    return false;
  }
  shown.custom = 0;
  return true;
}

void PreviewController::setPictureAfterReload() {
  const AppSource* source = currentSource();
  if (source == nullptr || source->feed) {
    setPreviewWallpaper();
  } else if (!customFiles->isEmpty()) {
    setWallpaper(customFiles->at(shown.custom));
  }
}

void PreviewController::setWallpaper(const QString& imagePath) {
  if (secondMonitorWallpaper == nullptr) {
    secondMonitorWallpaper = new SecondMonitorWallpaper(this);
  }
  secondMonitorWallpaper->set(imagePath);
}

void PreviewController::setPreviewWallpaper() {
  // The agent's rule, for the screen the fitting fits to.
  const bool uhd =
      pixoria::screenWantsBingUhd(pf::getSystemMetrics(pf::SystemMetric::screenWidth),
                                  pf::getSystemMetrics(pf::SystemMetric::screenHeight));
  const QString address = uhd ? previewUhdAddress() : QString();
  uhdRendition()->fetch(address, [this](const QString& uhdFile) {
    setWallpaper(uhdFile.isEmpty() ? CVGlobal::wallpaperPath : uhdFile);
  });
}

void PreviewController::setCustomNavigationVisible() {
  const bool several = customFiles->size() > 1;
  ui->pixoriaBackToolButton->setVisible(several);
  ui->pixoriaNextToolButton->setVisible(several);
}

void PreviewController::showCustomImage(int index, bool selectInList) {
  setCustomNavigationVisible();
  if (customFiles->isEmpty()) {
    discardPendingPicture();
    ui->pixoriaImage->setText(QStringLiteral("Loading image from the list..."));
    ui->pixoriaImageButton->hide();
    ui->pixoriaImageSaveButton->hide();
    shown.custom = -1;
    return;
  }
  if (index < 0 || index >= customFiles->size()) {
    index = 0;
  }
  shown.custom = index;
  const QString path = customFiles->at(index);
  ui->PreviewLabel->setText(QFileInfo(path).fileName());
  if (selectInList) {
    // An entry that is already selected only becomes current, so a selection of several entries
    // (for Remove) survives the preview of its first one.
    QTreeWidgetItem* item = ui->customSourceTreeWidget->topLevelItem(index);
    if (item != nullptr && item->isSelected()) {
      ui->customSourceTreeWidget->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    } else {
      ui->customSourceTreeWidget->setCurrentItem(item);
    }
  }
  ui->pixoriaImageButton->show();
  ui->pixoriaImageSaveButton->show();
  // Decoded on a worker thread at the preview's size: the user's files may be huge. A file that
  // is gone or does not decode gives an empty picture.
  showScaled(path);
}
