#include "preview/preview_decoder.h"

#include <QDebug>

#ifdef Q_OS_WIN
#include <QImageReader>
#endif

#include "preview/shrunk_image.h"
#include "preview/unreadable_reason.h"

PreviewDecoder::PreviewDecoder(QObject* parent) : QObject(parent) {
  // One decode at a time: a superseded one is cheap to finish, and two would double the memory.
  workers.setMaxThreadCount(1);
}

PreviewDecoder::~PreviewDecoder() {
  workers.clear();
  workers.waitForDone();
}

void PreviewDecoder::decode(const QString& path, QSize box) {
#ifdef Q_OS_WIN
  // Qt's image plug-ins are loaded here, on the GUI thread, before the first decode: loaded first
  // on the worker, Qt's JPEG plug-in kept a program under Wine from exiting. Only Windows decodes
  // previews with Qt's readers; elsewhere loading them would be work for nothing.
  static const bool pluginsLoaded = !QImageReader::supportedImageFormats().isEmpty();
  Q_UNUSED(pluginsLoaded);
#endif
  const quint64 request = ++latestRequest;
  // Requests still waiting behind the running one are dropped: only the newest is wanted.
  workers.clear();
  workers.start([this, request, path, box] {
    qDebug() << "Preview decode started";
    const QImage image = decodeShrunk(path, box);
    // The reason is looked for on this thread too: the file may sit on a slow or gone drive.
    const QString failure = image.isNull() ? unreadableReason(path) : QString();
    qDebug() << "Preview decode ended";
    QMetaObject::invokeMethod(
        this, [this, request, image, failure] { deliver(request, image, failure); },
        Qt::QueuedConnection);
  });
}

void PreviewDecoder::discardPending() {
  ++latestRequest;
  workers.clear();
}

void PreviewDecoder::waitForDone() {
  workers.waitForDone();
}

void PreviewDecoder::deliver(quint64 request, const QImage& image, const QString& failure) {
  if (request == latestRequest) {
    emit decoded(image, failure);
  }
}
