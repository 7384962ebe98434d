// A network reply for an address the preview fetcher will not fetch (a scheme other than http
// and https, which a feed could name): it fails like any other reply, in a later turn of the
// event loop, so the caller's handlers are connected by then.
#pragma once

#include <QNetworkReply>

class RefusedReply : public QNetworkReply {
  Q_OBJECT

 public:
  RefusedReply(const QUrl& url, QObject* parent);

  void abort() override {}

 protected:
  qint64 readData(char*, qint64) override { return -1; }
};
