#include "preview/refused_reply.h"

#include <QTimer>

RefusedReply::RefusedReply(const QUrl& url, QObject* parent) : QNetworkReply(parent) {
  setUrl(url);
  setOperation(QNetworkAccessManager::GetOperation);
  open(QIODevice::ReadOnly);
  setError(QNetworkReply::ProtocolUnknownError,
           QStringLiteral("Protocol \"%1\" is not fetched").arg(url.scheme()));
  QTimer::singleShot(0, this, [this] {
    setFinished(true);
    emit errorOccurred(QNetworkReply::ProtocolUnknownError);
    emit finished();
  });
}
