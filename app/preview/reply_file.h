// A reply's body written to a file as it arrives (a picture may be hundreds of megabytes), through
// the platform's file replacement: into a temporary beside the file, which replaces the file only
// when the body is whole. It is the reply's child, so a cancelled reply takes it, and its
// temporary, with it.
#pragma once

#include <QObject>
#include <QString>

#include "pixoria/platform/files.h"

class QNetworkReply;

class ReplyFile : public QObject {
  Q_OBJECT

 public:
  // Starts writing `reply`'s body into a temporary for `path`.
  ReplyFile(const QString& path, QNetworkReply* reply);

  // Writes what the reply has left and puts the file in place; false when any write failed,
  // and the file is as it was.
  bool commit();
  // Why the last write failed, for the status line.
  QString errorString() const;

 private:
  void writeAvailable();

  QNetworkReply* reply;
  QString path;
  pixoria::platform::FileReplacement file;
};
