#include "preview/reply_file.h"

#include <QDebug>
#include <QNetworkReply>
#include <string>
#include <system_error>

ReplyFile::ReplyFile(const QString& path, QNetworkReply* reply)
    : QObject(reply),
      reply(reply),
      path(path),
      file(path.toUtf8().toStdString(), {pixoria::platform::TemporaryName::download}) {
  if (!file.opened()) {
    qDebug() << "Cannot write" << path << errorString();
  }
  connect(reply, &QIODevice::readyRead, this, &ReplyFile::writeAvailable);
}

// A failed write drops the temporary: opened() turns false and the rest of the body is not kept.
void ReplyFile::writeAvailable() {
  const QByteArray chunk = reply->readAll();
  if (file.opened()) {
    file.write(std::string_view(chunk.constData(), static_cast<std::size_t>(chunk.size())));
  }
}

bool ReplyFile::commit() {
  writeAvailable();
  return file.commit();
}

QString ReplyFile::errorString() const {
  if (file.error() == 0) {
    return QStringLiteral("Cannot write %1").arg(path);
  }
  return QString::fromStdString(std::system_category().message(file.error()));
}
