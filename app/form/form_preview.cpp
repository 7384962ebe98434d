// The feed preview: starting a load, the loader's reports, drawing the preview file with its
// captions, stepping through a feed's recent images, the region and source switches, and saving.
#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <string>

#include "form/auto_pixoria_form.h"
#include "form/elided_caption.h"
#include "form/load_failure_status.h"
#include "form/pictures_folder.h"
#include "form/preview_export.h"
#include "pixoria/common/bing_market.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/settings_schema.h"
#include "preview/caption_text.h"
#include "preview/feed_list_fetch.h"
#include "preview/load_wallpaper_thread.h"
#include "preview/preview_decoder.h"
#include "preview/uhd_rendition.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_auto_pixoria_form.h"

namespace {

constexpr int kLastFeedSource = static_cast<int>(pixoria::kSourceWikipedia);
constexpr int kRedrawDelayMs = 1000;

// One step back (+1) or forward (-1) through a list of `length` entries, wrapping at both ends;
// an empty list keeps index 0.
int wrapped(int index, int length) {
  if (index >= length) {
    return 0;
  }
  if (index < 0) {
    return length > 0 ? length - 1 : 0;
  }
  return index;
}

}  // namespace

void AutoPixoriaForm::onGetWallpaperTimer() {
  startPreviewLoad();
  firstLoadStarted = true;
}

void AutoPixoriaForm::startPreviewLoad() {
  const int source = ui->pixoriaSourceComboBox->currentIndex();
  if (loadInProgress || source > kLastFeedSource) {
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
    previewThread = new LoadWallpaperThread(this);
    latestLoader = previewThread;
    connect(previewThread, SIGNAL(showDesc(QString)), this, SLOT(onShowDesc(QString)));
    connect(previewThread, SIGNAL(downloadComplete()), this, SLOT(onDownloadComplete()));
    connect(previewThread, SIGNAL(downloadFail()), this, SLOT(onDownloadFail()));
    connect(previewThread, SIGNAL(firstImageReady(QString)), this,
            SLOT(onFirstImageReady(QString)));
    connect(previewThread, SIGNAL(finished()), this, SLOT(onLoadWallpaperProcessFinish()));
    previewThread->start(QThread::InheritPriority);
  }
  previewThread->bingUrl = bingUrlList.value(bingWalpaperSourceURLIndex);
  previewThread->setNasaUrlList(&nasaUrlList);
  previewThread->setNasaDescriptionList(&nasaDescriptionList);
  previewThread->setWikipediaDays(&wikipediaDays);
  if (nasaListFetch == nullptr) {
    nasaListFetch = new FeedListFetch(this);
    wikipediaListFetch = new FeedListFetch(this);
  }
  previewThread->setListFetches(nasaListFetch, wikipediaListFetch);
  previewThread->source = source;
  previewThread->nasaIndex = nasaWalpaperSourceURLIndex;
  previewThread->wikipediaIndex = wikipediaWalpaperSourceURLIndex;
  previewThread->loadWallpaper();
}

void AutoPixoriaForm::setPreviewControlsEnabled(bool enabled) {
  for (QWidget* widget : {static_cast<QWidget*>(ui->pixoriaImageButton),
                          static_cast<QWidget*>(ui->pixoriaImageSaveButton),
                          static_cast<QWidget*>(ui->pixoriaImageReloadButton),
                          static_cast<QWidget*>(ui->pixoriaBackToolButton),
                          static_cast<QWidget*>(ui->pixoriaNextToolButton),
                          static_cast<QWidget*>(ui->pixoriaSourceComboBox),
                          static_cast<QWidget*>(ui->pixoriaRegionComboBox)}) {
    focusKeeper.setEnabled(widget, enabled);
  }
  updateThemeIcons();
}

void AutoPixoriaForm::onFirstImageReady(QString status) {
  setPreviewControlsEnabled(false);
  discardPendingPicture();
  ui->pixoriaImage->setText(status);
}

void AutoPixoriaForm::onShowDesc(QString description) {
  setElidedCaption(ui->pixoriaImageLabel2, description);
}

void AutoPixoriaForm::onDownloadComplete() {
  qDebug() << "onDownloadComplete";
  downloadCompleted = true;
  showDownloadedImage();
  setPreviewControlsEnabled(true);
}

void AutoPixoriaForm::onDownloadFail() {
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
  ui->pixoriaImage->setText(loadFailureStatus(
      loader != nullptr ? loader->source : ui->pixoriaSourceComboBox->currentIndex(),
      loader != nullptr ? loader->failureReason() : QString()));
}

void AutoPixoriaForm::onLoadWallpaperProcessFinish() {
  qDebug() << "onLoadWallpaperProcessFinish";
  loadInProgress = false;
  // The loader stays a child of the form: its replies are still on their way to it.
  previewThread = nullptr;
  if (downloadCompleted) {
    if (loadImageTimer == nullptr) {
      loadImageTimer = new QTimer(this);
      loadImageTimer->setSingleShot(true);
      connect(loadImageTimer, &QTimer::timeout, this, &AutoPixoriaForm::onLoadImageTimer);
    }
    loadImageTimer->start(kRedrawDelayMs);
  }
  focusKeeper.setEnabled(ui->pixoriaSourceComboBox, true);
  focusKeeper.setEnabled(ui->pixoriaRegionComboBox, true);
}

void AutoPixoriaForm::onLoadImageTimer() {
  showDownloadedImage();
}

void AutoPixoriaForm::showScaled(const QString& path) {
  if (previewDecoder == nullptr) {
    previewDecoder = new PreviewDecoder(this);
    connect(previewDecoder, &PreviewDecoder::decoded, this, &AutoPixoriaForm::onPreviewDecoded);
  }
  // Decoded for the screen's pixels, twice the label's size on a display scaled by two.
  const qreal ratio = ui->pixoriaImage->devicePixelRatioF();
  decodingPath = path;
  previewDecoder->decode(path, ui->pixoriaImage->size() * ratio);
}

void AutoPixoriaForm::onPreviewDecoded(const QImage& image, const QString& failure) {
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

void AutoPixoriaForm::discardPendingPicture() {
  if (previewDecoder != nullptr) {
    previewDecoder->discardPending();
  }
}

void AutoPixoriaForm::showDownloadedImage() {
  showScaled(CVGlobal::wallpaperPath);
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceWikipedia:
      ui->pixoriaImageLabel->setText(QStringLiteral("Wikimedia Picture of the Day"));
      if (wikipediaWalpaperSourceURLIndex < wikipediaDays.size()) {
        setElidedCaption(ui->pixoriaImageLabel2,
                         wikipediaCaption(wikipediaDays.at(wikipediaWalpaperSourceURLIndex)));
      }
      break;
    case pixoria::kSourceNasa:
      ui->pixoriaImageLabel->setText(QStringLiteral("NASA Astronomy Picture of the Day"));
      if (nasaWalpaperSourceURLIndex < nasaDescriptionList.size()) {
        setElidedCaption(ui->pixoriaImageLabel2,
                         nasaCaption(nasaDescriptionList.at(nasaWalpaperSourceURLIndex)));
      }
      break;
    case pixoria::kSourceBing:
      ui->pixoriaImageLabel->setText(
          QStringLiteral("Bing\u2019s image of the day (") +
          QDate::currentDate().addDays(-bingWalpaperSourceURLIndex).toString(Qt::TextDate) +
          QStringLiteral(")"));
      qDebug() << "bingWalpaperSourceURLIndex: " << bingWalpaperSourceURLIndex;
      break;
    default:
      break;
  }
}

void AutoPixoriaForm::on_pixoriaBackToolButton_clicked() {
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceBing:
      bingWalpaperSourceURLIndex =
          wrapped(bingWalpaperSourceURLIndex + 1, pixoria::kBingArchiveDays);
      break;
    case pixoria::kSourceNasa:
      nasaWalpaperSourceURLIndex =
          wrapped(nasaWalpaperSourceURLIndex + 1, static_cast<int>(nasaUrlList.size()));
      break;
    case pixoria::kSourceWikipedia:
      wikipediaWalpaperSourceURLIndex =
          wrapped(wikipediaWalpaperSourceURLIndex + 1, static_cast<int>(wikipediaDays.size()));
      break;
    case pixoria::kSourceCustom:
      showCustomImage(
          wrapped(customWalpaperSourceURLIndex - 1, static_cast<int>(customFileList.size())));
      return;
    default:
      return;
  }
  startPreviewLoad();
}

void AutoPixoriaForm::on_pixoriaNextToolButton_clicked() {
  qDebug() << "on_pixoriaNextToolButton_clicked: " << previewThread;
  // A loader whose thread has not reported yet is the one just started: its download is
  // abandoned, and this press starts nothing new (the load in progress keeps it out).
  if (previewThread != nullptr) {
    previewThread->setTerminateDownload(true);
  }
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceBing:
      bingWalpaperSourceURLIndex =
          wrapped(bingWalpaperSourceURLIndex - 1, pixoria::kBingArchiveDays);
      break;
    case pixoria::kSourceNasa:
      nasaWalpaperSourceURLIndex =
          wrapped(nasaWalpaperSourceURLIndex - 1, static_cast<int>(nasaUrlList.size()));
      break;
    case pixoria::kSourceWikipedia:
      wikipediaWalpaperSourceURLIndex =
          wrapped(wikipediaWalpaperSourceURLIndex - 1, static_cast<int>(wikipediaDays.size()));
      break;
    case pixoria::kSourceCustom:
      showCustomImage(
          wrapped(customWalpaperSourceURLIndex + 1, static_cast<int>(customFileList.size())));
      return;
    default:
      return;
  }
  startPreviewLoad();
}

void AutoPixoriaForm::on_pixoriaImageReloadButton_clicked() {
  startPreviewLoad();
}

void AutoPixoriaForm::setRegion(int region) {
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

void AutoPixoriaForm::on_pixoriaRegionComboBox_currentIndexChanged(int index) {
  if (!initialized) {
    return;
  }
  setRegion(index);
  if (firstLoadStarted) {
    startPreviewLoad();
  }
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaSourceComboBox_currentIndexChanged(int index) {
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
  showSourceControls(index);
  // A short custom list hides the arrows; every feed steps through its days again.
  if (index != static_cast<int>(pixoria::kSourceCustom)) {
    ui->pixoriaBackToolButton->show();
    ui->pixoriaNextToolButton->show();
  }
  switch (index) {
    case pixoria::kSourceBing:
      ui->pixoriaImage->setText(
          QStringLiteral("Downloading image of the day from Microsoft Bing server..."));
      break;
    case pixoria::kSourceNasa:
      ui->pixoriaImage->setText(
          QStringLiteral("Downloading Astronomy Picture of the Day from NASA server..."));
      break;
    case pixoria::kSourceWikipedia:
      ui->pixoriaImage->setText(
          QStringLiteral("Downloading Picture of the day from Wikimedia server..."));
      break;
    case pixoria::kSourceCustom:
      ui->pixoriaImage->setText(QStringLiteral("Loading image from the list..."));
      ui->pixoriaImageReloadButton->hide();
      ui->pixoriaImageSaveButton->hide();
      ui->pixoriaImageLabel->hide();
      ui->pixoriaImageLabel2->hide();
      break;
    default:
      break;
  }
  if (bingWalpaperSourceURLIndex >= pixoria::kBingArchiveDays) {
    bingWalpaperSourceURLIndex = 0;
  }
  if (nasaWalpaperSourceURLIndex >= nasaUrlList.size()) {
    nasaWalpaperSourceURLIndex = 0;
  }
  if (wikipediaWalpaperSourceURLIndex >= wikipediaDays.size()) {
    wikipediaWalpaperSourceURLIndex = 0;
  }
  writeAllSettings();
  if (index == static_cast<int>(pixoria::kSourceCustom)) {
    qDebug() << "Use Custom Image";
    qDebug() << "customWalpaperSourceURLIndex: " << customWalpaperSourceURLIndex;
    showCustomImage(customWalpaperSourceURLIndex);
    return;
  }
  ui->PreviewLabel->setText(QStringLiteral("Preview"));
  if (firstLoadStarted) {
    startPreviewLoad();
  }
}

void AutoPixoriaForm::on_pixoriaImageSaveButton_clicked() {
  // A dialog of its own rather than getSaveFileName: its default suffix makes Qt's own dialog add
  // ".png" (and ask before replacing that file), which the static call never does.
  QFileDialog dialog(this, tr("Save to Harddisk"), picturesFolder(),
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

void AutoPixoriaForm::savePicture(const QString& source, const QString& path) {
  const QString failure = exportPreviewImage(source, path);
  if (!failure.isEmpty()) {
    QMessageBox::warning(this, tr("Error"),
                         tr("The picture could not be saved to %1.\n\n%2.")
                             .arg(QDir::toNativeSeparators(path), failure));
  }
}

QString AutoPixoriaForm::previewUhdAddress() const {
  if (ui->pixoriaSourceComboBox->currentIndex() != static_cast<int>(pixoria::kSourceBing) ||
      !downloadCompleted || latestLoader == nullptr) {
    return QString();
  }
  return latestLoader->bingUhdAddress();
}

UhdRendition* AutoPixoriaForm::uhdRendition() {
  if (uhdFetcher == nullptr) {
    uhdFetcher = new UhdRendition(this);
  }
  return uhdFetcher;
}
