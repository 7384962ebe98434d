#include "preview/download_failure_reason.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QVariant>

namespace {

constexpr char kBodyTooLarge[] = "pixoriaBodyTooLarge";

QString httpStatusReason(const QNetworkReply& reply) {
  const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!status.isValid() || status.toInt() < 400) {
    return QString();
  }
  const QString phrase =
      reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().simplified();
  const QString code = QStringLiteral("HTTP status %1").arg(status.toInt());
  return phrase.isEmpty() ? code : code + QLatin1Char(' ') + phrase.left(40);
}

}  // namespace

void markBodyTooLarge(QNetworkReply& reply) {
  reply.setProperty(kBodyTooLarge, true);
}

QString downloadFailureReason(const QNetworkReply& reply) {
  if (reply.error() == QNetworkReply::NoError) {
    return QString();
  }
  // A server that answered says best what went wrong, whatever error Qt files it under.
  const QString http = httpStatusReason(reply);
  if (!http.isEmpty()) {
    return http;
  }
  switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
      return QStringLiteral("host not found");
    case QNetworkReply::ConnectionRefusedError:
      return QStringLiteral("connection refused");
    case QNetworkReply::TimeoutError:
      return QStringLiteral("timed out");
    case QNetworkReply::OperationCanceledError:
      // The form's own cancellations never report; what remains is the stall timeout (which Qt
      // reports as an abort) or the body cap.
      return reply.property(kBodyTooLarge).toBool() ? QStringLiteral("the file is too large")
                                                    : QStringLiteral("timed out");
    case QNetworkReply::RemoteHostClosedError:
      return QStringLiteral("the server closed the connection");
    case QNetworkReply::SslHandshakeFailedError:
      return QStringLiteral("secure connection failed");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
      return QStringLiteral("network unavailable");
    case QNetworkReply::ProtocolUnknownError:
      return QStringLiteral("not a web address");
    case QNetworkReply::TooManyRedirectsError:
      return QStringLiteral("too many redirects");
    default:
      return QStringLiteral("network error");
  }
}
