#include "preview/bounded_get.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>

#include "pixoria/product.h"
#include "preview/download_failure_reason.h"
#include "preview/refused_reply.h"

namespace {

constexpr int kMaxRedirects = 5;
constexpr int kStallTimeoutMs = 30'000;

}  // namespace

QNetworkReply* boundedGet(const QString& address, qint64 bodyCap, QObject* parent) {
  const QUrl url(address, QUrl::TolerantMode);
  // Addresses come from the network: only the web's schemes are fetched, never a local file.
  const QString scheme = url.scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
    return new RefusedReply(url, parent);
  }
  auto* manager = new QNetworkAccessManager(parent);
  QNetworkRequest request(url);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  request.setTransferTimeout(kStallTimeoutMs);
  request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(pixoria::userAgent()));
  QNetworkReply* reply = manager->get(request);
  QObject::connect(reply, &QObject::destroyed, manager, &QObject::deleteLater);
  QObject::connect(reply, &QNetworkReply::downloadProgress, parent,
                   [reply, bodyCap](qint64 received, qint64) {
                     if (received > bodyCap) {
                       markBodyTooLarge(*reply);
                       reply->abort();
                     }
                   });
  return reply;
}
