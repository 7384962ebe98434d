#include "preview/uhd_rendition.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>

#include "pixoria/common/image_probe.h"
#include "preview/bounded_get.h"
#include "preview/preview_file.h"
#include "preview/reply_file.h"

UhdRendition::UhdRendition(QObject* parent) : QObject(parent) {}

void UhdRendition::fetch(const QString& address, const Ready& ready) {
  if (address.isEmpty()) {
    ready(QString());
    return;
  }
  // The last answer stands for its address: a picture still in its file, or none at all.
  if (address == answeredAddress && (answer.isEmpty() || QFileInfo::exists(answer))) {
    ready(answer);
    return;
  }
  if (current == nullptr || address != wantedAddress) {
    cancel();
    start(address);
  }
  waiting.push_back(ready);
}

void UhdRendition::start(const QString& address) {
  wantedAddress = address;
  // The file is about to hold another picture, or none.
  answeredAddress.clear();
  const QString path = uhdRenditionPath();
  QDir().mkpath(QFileInfo(path).absolutePath());
  current = boundedGet(address, kImageBodyCap, this);
  // Written as it arrives (a UHD picture is tens of megabytes), under a temporary name that
  // replaces the file only when the body is whole; a cancelled reply takes it with it.
  auto* file = new ReplyFile(path, current);
  QNetworkReply* reply = current;
  connect(reply, &QNetworkReply::finished, this, [this, reply, file] { onFinished(reply, file); });
}

void UhdRendition::onFinished(QNetworkReply* reply, ReplyFile* file) {
  reply->deleteLater();
  if (reply != current) {
    return;
  }
  current = nullptr;
  const QString path = uhdRenditionPath();
  bool whole = false;
  if (reply->error() == QNetworkReply::NoError) {
    whole = file->commit();
  }
  // A server without the rendition may still answer with a page of its own: only a picture
  // counts.
  const bool picture = whole && pixoria::isReadableImage(path.toStdString());
  if (!picture) {
    qDebug() << "No UHD rendition at" << wantedAddress << reply->errorString();
    if (whole) {
      QFile::remove(path);
    }
  }
  answeredAddress = wantedAddress;
  answer = picture ? path : QString();
  answerWaiting(answer);
}

void UhdRendition::cancel() {
  if (current != nullptr) {
    // Its handlers go with it; its file is never committed.
    current->disconnect(this);
    current->deleteLater();
    current = nullptr;
  }
  answerWaiting(QString());
}

void UhdRendition::answerWaiting(const QString& file) {
  std::vector<Ready> ready;
  ready.swap(waiting);
  for (const Ready& callback : ready) {
    callback(file);
  }
}
