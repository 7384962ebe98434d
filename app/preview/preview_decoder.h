// Decodes preview pictures on a worker thread, so the GUI thread never waits on an image file.
// Requests supersede each other: only the most recent one's picture is reported, so a slow
// decode of an earlier image can never cover the one the user moved on to.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

class PreviewDecoder : public QObject {
  Q_OBJECT

 public:
  explicit PreviewDecoder(QObject* parent = nullptr);
  // Waits for a decode in progress: it reports to this object.
  ~PreviewDecoder() override;

  // Decodes `path` for a box of `box` device pixels (see decodeShrunk) and reports it with
  // `decoded`, unless another request or discardPending() comes first.
  void decode(const QString& path, QSize box);

  // What is being decoded is no longer wanted (the preview shows a status text instead).
  void discardPending();

  // Blocks until the decodes started so far have ended (tests and benchmarks).
  void waitForDone();

 signals:
  // On the GUI thread. A null image when the file does not decode, with `failure` saying why
  // (unreadableReason); an empty `failure` with a picture.
  void decoded(QImage image, QString failure);

 private:
  void deliver(quint64 request, const QImage& image, const QString& failure);

  QThreadPool workers;
  quint64 latestRequest = 0;
};
