// A loopback HTTP server for images whose answers a test can hold back: a held path gets its
// answer only when released, so a test can make an earlier download end after a later one.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

namespace pixoria::app_test {

class GatedImageServer {
 public:
  GatedImageServer();
  GatedImageServer(const GatedImageServer&) = delete;
  GatedImageServer& operator=(const GatedImageServer&) = delete;

  bool listening() const { return server.isListening(); }
  QString url(const QString& path) const;
  void serve(const QString& path, const QByteArray& body);
  void hold(const QString& path);
  // Answers the requests held for `path`, and every later one at once.
  void release(const QString& path);
  // The paths asked for so far, in order.
  const QStringList& requests() const { return asked; }

 private:
  void onReadyRead(QTcpSocket* socket);
  void answer(QTcpSocket* socket, const QString& path);

  QTcpServer server;
  QMap<QString, QByteArray> bodies;
  QSet<QString> held;
  // Held requests; a client that gave up has taken its socket with it.
  QList<QPair<QPointer<QTcpSocket>, QString>> waiting;
  QStringList asked;
};

}  // namespace pixoria::app_test
