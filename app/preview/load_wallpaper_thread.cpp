#include "preview/load_wallpaper_thread.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMetaEnum>
#include <array>

#include "pixoria/common/bing_feed.h"
#include "pixoria/common/nasa_feed.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/common/wikipedia_feed.h"
#include "pixoria/settings_schema.h"
#include "preview/app_source_table.h"
#include "preview/bounded_get.h"
#include "preview/download_failure_reason.h"
#include "preview/feed_list_fetch.h"
#include "preview/preview_file.h"
#include "preview/reply_file.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"

namespace {

QByteArray bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The entry at `index`, or the first one when the index lies outside the list (the form keeps
// its indices inside the lists; this only keeps a stale one from reading past the end).
QString entryAt(const QList<QByteArray>& list, int index) {
  return QString::fromUtf8(index >= 0 && index < list.size() ? list.at(index) : list.first());
}

QString addressAt(const QList<WikipediaDay>& days, int index) {
  return QString::fromUtf8(index >= 0 && index < days.size() ? days.at(index).address
                                                             : days.first().address);
}

// What the preview says while the feed of `source` is asked for.
QString preparingLine(std::uint32_t source) {
  const AppSource* entry = findAppSource(static_cast<int>(source));
  return entry != nullptr ? fromUtf8(entry->preparingLine) : QString();
}

std::string bodyOf(QNetworkReply* reply) {
  return reply->readAll().toStdString();
}

}  // namespace

LoadWallpaperThread::LoadWallpaperThread(QObject* parent)
    : QThread(parent),
      nasaListFetch(new FeedListFetch(this)),
      wikipediaListFetch(new FeedListFetch(this)) {}

void LoadWallpaperThread::run() {
  emit processFinish();
}

QNetworkReply* LoadWallpaperThread::get(const QString& address, qint64 bodyCap) {
  QNetworkReply* reply = boundedGet(address, bodyCap, this);
  connect(reply, &QNetworkReply::errorOccurred, this,
          [this, reply] { lastFailureReason = downloadFailureReason(*reply); });
  return reply;
}

void LoadWallpaperThread::loadWallpaper() {
  uhdAddress.clear();
  const Feed* feed = feedFor(source);
  if (feed != nullptr) {
    (this->*feed->start)();
  }
}

const LoadWallpaperThread::Feed* LoadWallpaperThread::feedFor(int source) {
  static constexpr std::array<Feed, 3> kFeeds = {{
      {pixoria::kSourceBing, &LoadWallpaperThread::loadBing, nullptr},
      {pixoria::kSourceNasa, &LoadWallpaperThread::getNasaWallpaperList,
       &LoadWallpaperThread::nasaEntryAddress},
      {pixoria::kSourceWikipedia, &LoadWallpaperThread::loadWikipedia,
       &LoadWallpaperThread::wikipediaEntryAddress},
  }};
  for (const Feed& feed : kFeeds) {
    if (static_cast<int>(feed.source) == source) {
      return &feed;
    }
  }
  return nullptr;
}

void LoadWallpaperThread::loadBing() {
  if (terminateDownload) {
    return;
  }
  QNetworkReply* reply = get(bingUrl, kFeedBodyCap);
  emit firstImageReady(preparingLine(pixoria::kSourceBing));
  connect(reply, &QNetworkReply::finished, this, [this, reply] { onBingReply(reply); });
}

void LoadWallpaperThread::loadWikipedia() {
  if (wikipediaListFetch->running() && !listReady(*wikipediaListFetch)) {
    if (!terminateDownload) {
      emit firstImageReady(preparingLine(pixoria::kSourceWikipedia));
      awaitList(wikipediaListFetch);
    }
    return;
  }
  if (wikipediaDays->isEmpty()) {
    qDebug() << "getWikipediaWallpaperList: ";
    getWikipediaWallpaperList(wikipediaDays);
  }
  if (!wikipediaDays->isEmpty()) {
    qDebug() << "downloadImage: ";
    downloadImage(wikipediaEntryAddress());
  }
}

void LoadWallpaperThread::onBingReply(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply->error() != QNetworkReply::NoError) {
    emit downloadFail();
    return;
  }
  const std::string feed = bodyOf(reply);
  emit showDesc(fromUtf8(pixoria::readBingCaption(feed)));
  const std::string path = pixoria::readBingImagePath(feed);
  const std::string address = pixoria::bingImageAddress(path);
  uhdAddress = fromUtf8(pixoria::bingUhdImageAddress(path));
  if (address.empty()) {
    emit downloadFail();
    return;
  }
  downloadImage(fromUtf8(address));
}

void LoadWallpaperThread::getNasaWallpaperList() {
  if (!nasaUrlList->isEmpty()) {
    downloadImage(nasaEntryAddress());
    return;
  }
  if (terminateDownload) {
    return;
  }
  if (nasaListFetch->running()) {
    emit firstImageReady(preparingLine(pixoria::kSourceNasa));
    awaitList(nasaListFetch);
    return;
  }
  nasaListFetch->start();
  requestNasaFeed(fromUtf8(pixoria::nasaFeedUrl()), true);
  emit firstImageReady(preparingLine(pixoria::kSourceNasa));
}

void LoadWallpaperThread::requestNasaFeed(const QString& address, bool fallbackLeft) {
  QNetworkReply* reply = get(address, kFeedBodyCap);
  connect(reply, &QNetworkReply::finished, this,
          [this, reply, fallbackLeft] { onNasaReply(reply, fallbackLeft); });
}

void LoadWallpaperThread::onNasaReply(QNetworkReply* reply, bool fallbackLeft) {
  reply->deleteLater();
  const bool failed = reply->error() != QNetworkReply::NoError;
  const std::vector<pixoria::NasaEntry> entries =
      failed ? std::vector<pixoria::NasaEntry>() : pixoria::readNasaEntries(bodyOf(reply));
  // The long-standing feed gave no image: the one NASA publishes at now, by the same rules.
  if (entries.empty() && fallbackLeft && !terminateDownload) {
    requestNasaFeed(fromUtf8(pixoria::nasaFallbackFeedUrl()), false);
    return;
  }
  if (failed) {
    emit downloadFail();
  }
  for (const pixoria::NasaEntry& entry : entries) {
    nasaDescriptionList->append(bytes(entry.description));
    nasaUrlList->append(bytes(entry.address));
  }
  nasaListFetch->finish(failed, lastFailureReason);
  if (!nasaUrlList->isEmpty()) {
    downloadImage(nasaEntryAddress());
  }
}

void LoadWallpaperThread::awaitList(FeedListFetch* fetch) {
  connect(fetch, &FeedListFetch::changed, this, [this, fetch] {
    if (!listReady(*fetch)) {
      return;
    }
    disconnect(fetch, nullptr, this, nullptr);
    if (!listEmpty()) {
      downloadImage(listEntryAddress());
    } else if (fetch->failed()) {
      lastFailureReason = fetch->failureReason();
      emit downloadFail();
    }
  });
}

SourceLists LoadWallpaperThread::lists() const {
  return {nasaUrlList, nasaDescriptionList, wikipediaDays, nullptr};
}

qsizetype LoadWallpaperThread::listLength() const {
  const AppSource* entry = findAppSource(source);
  return entry != nullptr ? entry->listLength(lists()) : 0;
}

int LoadWallpaperThread::listIndex() const {
  SourcePositions positions;
  positions.nasa = nasaIndex;
  positions.wikipedia = wikipediaIndex;
  const AppSource* entry = findAppSource(source);
  return entry != nullptr ? positions.*entry->position : 0;
}

bool LoadWallpaperThread::listReady(const FeedListFetch& fetch) const {
  return !fetch.running() || listIndex() < listLength();
}

bool LoadWallpaperThread::listEmpty() const {
  return listLength() == 0;
}

QString LoadWallpaperThread::listEntryAddress() const {
  const Feed* feed = feedFor(source);
  return feed != nullptr && feed->entryAddress != nullptr ? (this->*feed->entryAddress)()
                                                          : QString();
}

QString LoadWallpaperThread::nasaEntryAddress() const {
  return entryAt(*nasaUrlList, nasaIndex);
}

QString LoadWallpaperThread::wikipediaEntryAddress() const {
  return addressAt(*wikipediaDays, wikipediaIndex);
}

void LoadWallpaperThread::getWikipediaWallpaperList(QList<WikipediaDay>* days) {
  if (terminateDownload) {
    return;
  }
  emit firstImageReady(preparingLine(pixoria::kSourceWikipedia));
  const QDate today = QDateTime::currentDateTimeUtc().date();
  firstImageRequested = false;
  wikipediaListFetch->start();
  wikipediaFeedUrls.clear();
  const std::string prefix = pixoria::wikipediaFeedPrefix();
  for (const pixoria::CalendarDate& date :
       pixoria::wikipediaDates({today.year(), static_cast<unsigned>(today.month()),
                                static_cast<unsigned>(today.day())})) {
    wikipediaFeedUrls.append(bytes(pixoria::wikipediaRequestAddress(prefix, date)));
  }
  readWikipediaFeaturedDay(0, days);
}

void LoadWallpaperThread::readWikipediaFeaturedDay(int index, QList<WikipediaDay>* days) {
  if (terminateDownload) {
    wikipediaListFetch->finish(false);
    return;
  }
  QNetworkReply* reply = get(QString::fromUtf8(wikipediaFeedUrls.at(index)), kFeedBodyCap);
  connect(reply, &QNetworkReply::finished, this, [=, this] {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
      emit downloadFail();
      wikipediaListFetch->finish(true, lastFailureReason);
      return;  // the later days of this build are not asked for
    }
    const pixoria::WikipediaPicture picture = pixoria::readWikipediaPicture(bodyOf(reply), true);
    if (picture.artistTagUnclosed) {
      qDebug() << "No End";
    }
    // A day without an image adds nothing at all: its captions belong to no picture.
    if (picture.found) {
      days->append({bytes(picture.address), bytes(picture.artist), bytes(picture.description)});
    }
    if (picture.found && !firstImageRequested) {
      firstImageRequested = true;
      downloadImage(fromUtf8(picture.address));
    }
    if (index + 1 < wikipediaFeedUrls.size()) {
      readWikipediaFeaturedDay(index + 1, days);
    } else {
      wikipediaListFetch->finish(false);
    }
    if (picture.found) {
      wikipediaListFetch->grew();
    }
  });
}

void LoadWallpaperThread::downloadImage(QString address) {
  if (terminateDownload || imageDownloadAbandoned) {
    return;
  }
  CVGlobal::wallpaperPath = previewImagePath();
  QNetworkReply* reply = get(address, kImageBodyCap);
  qDebug() << "downloadUrl: " << address;
  currentReply = reply;
  // The body goes to disk as it arrives, into a temporary file beside the preview file that
  // replaces it only when the download is whole (ReplyFile). On a new machine nothing else has
  // made the wallpaper folder yet: without it every preview would fail.
  QDir().mkpath(QFileInfo(CVGlobal::wallpaperPath).absolutePath());
  auto* file = new ReplyFile(CVGlobal::wallpaperPath, reply);
  connect(reply, &QNetworkReply::downloadProgress, this, &LoadWallpaperThread::onImageProgress);
  connect(reply, &QNetworkReply::finished, this,
          [this, reply, file] { onImageFinished(reply, file); });
  connect(reply, &QNetworkReply::errorOccurred, this, [](QNetworkReply::NetworkError code) {
    qDebug() << "Network error:"
             << QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(code);
  });
}

void LoadWallpaperThread::onImageProgress(qint64 received, qint64 total) {
  if (total <= 0) {
    return;  // no length sent: no percentage to show
  }
  const qint64 percent = received * 100 / total;
  qDebug() << "Download progress:" << percent << "%";
  emit firstImageReady(QStringLiteral("Download progress: %1 %").arg(percent));
}

void LoadWallpaperThread::onImageFinished(QNetworkReply* reply, ReplyFile* file) {
  if (reply->error() != QNetworkReply::NoError) {
    qDebug() << "Download error:" << reply->errorString();
    emit downloadFail();
  } else {
    if (file->commit()) {
      qDebug() << "The file is saved to " << CVGlobal::wallpaperPath;
      qDebug() << "Download complete!";
      emit downloadComplete();
    } else {
      qDebug() << "Failed to save file.";
      lastFailureReason = file->errorString();
      emit downloadFail();
    }
  }
  reply->deleteLater();
  if (reply == currentReply) {
    currentReply = nullptr;
  }
}

void LoadWallpaperThread::setTerminateDownload(bool terminate) {
  qDebug() << "setTerminateDownload: " << terminate;
  terminateDownload = terminate;
  cancelImageDownload();
}

void LoadWallpaperThread::abandonImageDownload() {
  imageDownloadAbandoned = true;
  cancelImageDownload();
}

void LoadWallpaperThread::cancelImageDownload() {
  if (currentReply != nullptr) {
    // Its handlers go with it, so a cancelled download reports nothing.
    currentReply->disconnect(this);
    currentReply->deleteLater();
    currentReply = nullptr;
    qDebug() << "Download cancelled.";
  }
}
