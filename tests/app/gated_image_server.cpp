#include "gated_image_server.h"

#include <QTcpSocket>

namespace pixoria::app_test {

GatedImageServer::GatedImageServer() {
  server.listen(QHostAddress::LocalHost);
  QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::readyRead, socket,
                       [this, socket] { onReadyRead(socket); });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

QString GatedImageServer::url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
}

void GatedImageServer::serve(const QString& path, const QByteArray& body) {
  bodies[path] = body;
}

void GatedImageServer::hold(const QString& path) {
  held.insert(path);
}

void GatedImageServer::release(const QString& path) {
  held.remove(path);
  const auto ready = waiting;
  waiting.clear();
  for (const auto& [socket, waitingPath] : ready) {
    if (socket.isNull()) {
      continue;
    }
    if (waitingPath == path) {
      answer(socket, path);
    } else {
      waiting.append({socket, waitingPath});
    }
  }
}

void GatedImageServer::onReadyRead(QTcpSocket* socket) {
  // The request is whole once its header has ended; only its first line matters.
  QByteArray request = socket->property("request").toByteArray() + socket->readAll();
  socket->setProperty("request", request);
  if (!request.contains("\r\n\r\n")) {
    return;
  }
  const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
  const QString path = words.size() > 1 ? QString::fromLatin1(words.at(1)) : QString();
  asked.append(path);
  if (held.contains(path)) {
    waiting.append({socket, path});
  } else {
    answer(socket, path);
  }
}

void GatedImageServer::answer(QTcpSocket* socket, const QString& path) {
  const bool found = bodies.contains(path);
  const QByteArray body = bodies.value(path, QByteArrayLiteral("not found"));
  socket->write((found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                QByteArrayLiteral("Content-Type: image/jpeg\r\nConnection: close\r\n") +
                "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
  socket->disconnectFromHost();
}

}  // namespace pixoria::app_test
