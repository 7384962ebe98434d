// The preview fetcher: asks the chosen source for its list or archive entry and downloads one
// image into the preview file, reporting to the form by signals. It derives from QThread, but its
// thread does nothing: every request and every reply runs on the GUI thread's event loop.
#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QString>
#include <QThread>
#include <cstdint>

#include "preview/wikipedia_day.h"

struct SourceLists;

class FeedListFetch;
class ReplyFile;

class LoadWallpaperThread : public QThread {
  Q_OBJECT

 public:
  explicit LoadWallpaperThread(QObject* parent = nullptr);

  // The form's lists: the object only appends to them.
  void setNasaUrlList(QList<QByteArray>* list) { nasaUrlList = list; }
  void setNasaDescriptionList(QList<QByteArray>* list) { nasaDescriptionList = list; }
  void setWikipediaDays(QList<WikipediaDay>* list) { wikipediaDays = list; }
  // The state of each list's fetch, shared by every loader of the form: one fetch per list at a
  // time, and a later load waits for it. Without them the loader keeps its own.
  void setListFetches(FeedListFetch* nasa, FeedListFetch* wikipedia) {
    nasaListFetch = nasa;
    wikipediaListFetch = wikipedia;
  }

  // Starts the fetch for `source`, a feed's number (preview/app_source_table.h).
  void loadWallpaper();

  // Downloads one image into the preview file (CVGlobal::wallpaperPath).
  void downloadImage(QString address);

  // While set, no request of any kind starts; setting it cancels the image download in flight,
  // which then reports nothing.
  void setTerminateDownload(bool terminate);

  // Why the last failed request failed ("host not found", "HTTP status 404 ..."), for the
  // status line; empty when no request has failed or the failure had no reason to give.
  QString failureReason() const { return lastFailureReason; }

  // The address of the UHD rendition of the Bing picture this load previews; empty for another
  // source, before the archive answered, or when the picture's path names none. The preview
  // itself is the standard 1920x1080 rendition: it is small on screen.
  QString bingUhdAddress() const { return uhdAddress; }

  // A later load has taken over the preview: this one's image download is cancelled and none
  // starts any more, so it never writes the preview file; a Wikipedia list it is building is
  // still completed.
  void abandonImageDownload();

  QString bingUrl;
  int source = 0;
  int nasaIndex = 0;
  int wikipediaIndex = 0;

 signals:
  void firstImageReady(QString info);
  void downloadComplete();
  void processFinish();
  void downloadFail();
  void showDesc(QString copyright);

 protected:
  void run() override;

 private:
  // The routine that starts a load of each feed, and the address of its list's entry (none for
  // Bing, whose archive answers with one picture).
  struct Feed {
    std::uint32_t source;
    void (LoadWallpaperThread::*start)();
    QString (LoadWallpaperThread::*entryAddress)() const;
  };
  // The feed numbered `source`; null for any other number.
  static const Feed* feedFor(int source);

  void loadBing();
  void loadWikipedia();
  void getNasaWallpaperList();
  void getWikipediaWallpaperList(QList<WikipediaDay>* days);
  void readWikipediaFeaturedDay(int index, QList<WikipediaDay>* days);
  void onBingReply(QNetworkReply* reply);
  // Reads NASA's feed at `address`; when it fails or names no image and `fallbackLeft`, the
  // feed at nasaFallbackFeedUrl() is read next. Only the last one read reports a failure.
  void requestNasaFeed(const QString& address, bool fallbackLeft);
  void onNasaReply(QNetworkReply* reply, bool fallbackLeft);
  // Shows this load's entry once the fetch an earlier load has running into the list has
  // brought it, or reports that fetch's failure.
  void awaitList(FeedListFetch* fetch);
  // The list of the current source holds this load's entry, or will hold no more.
  bool listReady(const FeedListFetch& fetch) const;
  bool listEmpty() const;
  QString listEntryAddress() const;
  SourceLists lists() const;
  qsizetype listLength() const;
  int listIndex() const;
  QString nasaEntryAddress() const;
  QString wikipediaEntryAddress() const;
  void onImageProgress(qint64 received, qint64 total);
  void onImageFinished(QNetworkReply* reply, ReplyFile* file);
  void cancelImageDownload();

  // A bounded GET (preview/bounded_get.h) whose failure is kept for failureReason().
  QNetworkReply* get(const QString& address, qint64 bodyCap);

  bool terminateDownload = false;
  bool imageDownloadAbandoned = false;
  QList<QByteArray>* nasaUrlList = nullptr;
  QList<QByteArray>* nasaDescriptionList = nullptr;
  QList<WikipediaDay>* wikipediaDays = nullptr;
  FeedListFetch* nasaListFetch = nullptr;
  FeedListFetch* wikipediaListFetch = nullptr;
  bool firstImageRequested = false;
  QNetworkReply* currentReply = nullptr;
  QList<QByteArray> wikipediaFeedUrls;
  QString lastFailureReason;
  QString uhdAddress;
};
