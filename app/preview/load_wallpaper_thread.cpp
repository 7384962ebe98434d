#include "preview/load_wallpaper_thread.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

#include "agent/sources/bing_feed.h"
#include "agent/sources/nasa_feed.h"
#include "agent/sources/source_addresses.h"
#include "agent/sources/wikipedia_feed.h"
#include "preview/download_failure_reason.h"
#include "preview/preview_file.h"
#include "preview/refused_reply.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"

namespace {

constexpr qint64 kFeedCap = 16 << 20;
constexpr qint64 kImageCap = 256 << 20;
constexpr int kMaxRedirects = 5;
constexpr int kStallTimeoutMs = 30'000;

QByteArray bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The entry at `index`, or the first one when the index lies outside the list (the form keeps
// its indices inside the lists; this only keeps a stale one from reading past the end).
QString entryAt(const QList<QByteArray>& list, int index) {
  return QString::fromUtf8(index >= 0 && index < list.size() ? list.at(index) : list.first());
}

std::string bodyOf(QNetworkReply* reply) {
  return reply->readAll().toStdString();
}

}  // namespace

LoadWallpaperThread::LoadWallpaperThread(QObject* parent) : QThread(parent) {}

void LoadWallpaperThread::run() {
  emit processFinish();
}

QNetworkReply* LoadWallpaperThread::get(const QString& address, qint64 bodyCap) {
  const QUrl url(address, QUrl::TolerantMode);
  // Feed addresses come from the network: only the web's schemes are fetched, never a local file.
  const QString scheme = url.scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
    auto* refused = new RefusedReply(url, this);
    connect(refused, &QNetworkReply::errorOccurred, this,
            [this, refused] { lastFailureReason = downloadFailureReason(*refused); });
    return refused;
  }
  auto* manager = new QNetworkAccessManager(this);
  QNetworkRequest request(url);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  request.setTransferTimeout(kStallTimeoutMs);
  QNetworkReply* reply = manager->get(request);
  connect(reply, &QNetworkReply::downloadProgress, this, [reply, bodyCap](qint64 received, qint64) {
    if (received > bodyCap) {
      markBodyTooLarge(*reply);
      reply->abort();
    }
  });
  connect(reply, &QNetworkReply::errorOccurred, this,
          [this, reply] { lastFailureReason = downloadFailureReason(*reply); });
  return reply;
}

void LoadWallpaperThread::loadWallpaper() {
  switch (source) {
    case 0: {
      if (terminateDownload) {
        return;
      }
      QNetworkReply* reply = get(bingUrl, kFeedCap);
      emit firstImageReady(QStringLiteral("Preparing to download images from Bing Server..."));
      connect(reply, &QNetworkReply::finished, this, [this, reply] { onBingReply(reply); });
      break;
    }
    case 1:
      getNasaWallpaperList();
      break;
    case 2:
      if (wikipediaUrlList->isEmpty()) {
        qDebug() << "getWikipediaWallpaperList: ";
        getWikipediaWallpaperList(wikipediaUrlList, wikipediaCreditList, wikipediaDescriptionList);
      }
      if (!wikipediaUrlList->isEmpty()) {
        qDebug() << "downloadImage: ";
        downloadImage(entryAt(*wikipediaUrlList, wikipediaIndex));
      }
      break;
    default:
      break;
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
  if (path.empty()) {
    emit downloadFail();
    return;
  }
  downloadImage(fromUtf8(pixoria::bingImageBase() + path));
}

void LoadWallpaperThread::getNasaWallpaperList() {
  if (!nasaUrlList->isEmpty()) {
    downloadImage(entryAt(*nasaUrlList, nasaIndex));
    return;
  }
  if (terminateDownload) {
    return;
  }
  QNetworkReply* reply = get(fromUtf8(pixoria::nasaFeedUrl()), kFeedCap);
  emit firstImageReady(QStringLiteral("Preparing to download images from NASA Server..."));
  connect(reply, &QNetworkReply::finished, this, [this, reply] { onNasaReply(reply); });
}

void LoadWallpaperThread::onNasaReply(QNetworkReply* reply) {
  if (reply->error() != QNetworkReply::NoError) {
    emit downloadFail();
  } else {
    for (const pixoria::NasaEntry& entry : pixoria::readNasaEntries(bodyOf(reply))) {
      nasaDescriptionList->append(bytes(entry.description));
      nasaUrlList->append(bytes(entry.address));
    }
  }
  reply->deleteLater();
  if (!nasaUrlList->isEmpty()) {
    downloadImage(entryAt(*nasaUrlList, nasaIndex));
  }
}

void LoadWallpaperThread::getWikipediaWallpaperList(QList<QByteArray>* urls,
                                                    QList<QByteArray>* credits,
                                                    QList<QByteArray>* descriptions) {
  if (terminateDownload) {
    return;
  }
  emit firstImageReady(QStringLiteral("Preparing to download images from Wikipedia Server..."));
  const QDate today = QDateTime::currentDateTimeUtc().date();
  firstImageRequested = false;
  wikipediaFeedUrls.clear();
  const std::string prefix = pixoria::wikipediaFeedPrefix();
  for (const pixoria::CalendarDate& date :
       pixoria::wikipediaDates({today.year(), static_cast<unsigned>(today.month()),
                                static_cast<unsigned>(today.day())})) {
    wikipediaFeedUrls.append(bytes(pixoria::wikipediaRequestAddress(prefix, date)));
  }
  readWikipediaFeaturedDay(0, urls, credits, descriptions);
}

void LoadWallpaperThread::readWikipediaFeaturedDay(int index, QList<QByteArray>* urls,
                                                   QList<QByteArray>* credits,
                                                   QList<QByteArray>* descriptions) {
  if (terminateDownload) {
    return;
  }
  QNetworkReply* reply = get(QString::fromUtf8(wikipediaFeedUrls.at(index)), kFeedCap);
  connect(reply, &QNetworkReply::finished, this, [=, this] {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
      emit downloadFail();
      return;  // the later days of this build are not asked for
    }
    const pixoria::WikipediaPicture picture = pixoria::readWikipediaPicture(bodyOf(reply), true);
    if (picture.artistTagUnclosed) {
      qDebug() << "No End";
    }
    if (picture.found) {
      urls->append(bytes(picture.address));
    }
    if (picture.artistFound) {
      credits->append(bytes(picture.artist));
    }
    if (picture.descriptionFound) {
      descriptions->append(bytes(picture.description));
    }
    if (picture.found && !firstImageRequested) {
      firstImageRequested = true;
      downloadImage(fromUtf8(picture.address));
    }
    if (index + 1 < wikipediaFeedUrls.size()) {
      readWikipediaFeaturedDay(index + 1, urls, credits, descriptions);
    }
  });
}

void LoadWallpaperThread::downloadImage(QString address) {
  if (terminateDownload) {
    return;
  }
  CVGlobal::wallpaperPath = previewImagePath();
  QNetworkReply* reply = get(address, kImageCap);
  qDebug() << "downloadUrl: " << address;
  currentReply = reply;
  connect(reply, &QNetworkReply::downloadProgress, this, &LoadWallpaperThread::onImageProgress);
  connect(reply, &QNetworkReply::finished, this, [this, reply] { onImageFinished(reply); });
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

void LoadWallpaperThread::onImageFinished(QNetworkReply* reply) {
  if (reply->error() != QNetworkReply::NoError) {
    qDebug() << "Download error:" << reply->errorString();
    emit downloadFail();
  } else {
    // On a new machine nothing else has made the wallpaper folder yet: without it every preview
    // would fail. Written beside the preview file and renamed over it, so two loads that overlap
    // never mix their bytes: the last one to finish wins.
    QDir().mkpath(QFileInfo(CVGlobal::wallpaperPath).absolutePath());
    QSaveFile file(CVGlobal::wallpaperPath);
    if (file.open(QIODevice::WriteOnly) && file.write(reply->readAll()) >= 0 && file.commit()) {
      qDebug() << "The file is saved to " << CVGlobal::wallpaperPath;
      qDebug() << "Download complete!";
      emit downloadComplete();
    } else {
      qDebug() << "Failed to save file.";
      lastFailureReason = file.errorString();
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
  if (currentReply != nullptr) {
    // Its handlers go with it, so a cancelled download reports nothing.
    currentReply->disconnect(this);
    currentReply->deleteLater();
    currentReply = nullptr;
    qDebug() << "Download cancelled.";
  }
}
