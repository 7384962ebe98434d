#include "preview/preview_decoder.h"

#include "preview/shrunk_image.h"

PreviewDecoder::PreviewDecoder(QObject* parent) : QObject(parent) {
  // One decode at a time: a superseded one is cheap to finish, and two would double the memory.
  workers.setMaxThreadCount(1);
}

PreviewDecoder::~PreviewDecoder() {
  workers.clear();
  workers.waitForDone();
}

void PreviewDecoder::decode(const QString& path, QSize box) {
  const quint64 request = ++latestRequest;
  // Requests still waiting behind the running one are dropped: only the newest is wanted.
  workers.clear();
  workers.start([this, request, path, box] {
    const QImage image = decodeShrunk(path, box);
    QMetaObject::invokeMethod(
        this, [this, request, image] { deliver(request, image); }, Qt::QueuedConnection);
  });
}

void PreviewDecoder::discardPending() {
  ++latestRequest;
  workers.clear();
}

void PreviewDecoder::waitForDone() {
  workers.waitForDone();
}

void PreviewDecoder::deliver(quint64 request, const QImage& image) {
  if (request == latestRequest)
    emit decoded(image);
}
