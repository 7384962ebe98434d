// The configuration application's preview of a downloaded image, measured as the form shows it:
// from the download's end to the picture in the 300x150 preview label, the process's peak
// resident set, and the worst lateness of a 10 ms heartbeat timer on the GUI thread (how long
// the GUI thread was busy at a stretch).
//
//   pixoria-preview-bench generate OUT.jpg WIDTH HEIGHT QUALITY   a baseline JPEG photograph-like
//   pixoria-preview-bench shrunk FILE      the form's path: decoded shrunk, on a worker thread
//   pixoria-preview-bench whole FILE       the earlier path: QImageReader without an allocation
//                                          limit, whole image, scaled on the GUI thread
//
// Each measurement runs in a process of its own, so the peak resident set is that path's alone.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "preview/preview_decoder.h"

namespace {

constexpr int kHeartbeatMs = 10;
constexpr int kSettleMs = 300;  // the heartbeat keeps running this long after the picture shows

double peakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Processor time of every thread so far, user and system: unlike the wall clock, it does not
// grow when other programs share the processors.
qint64 processorMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Smooth colour fields with fine detail over them, so the JPEG is as dense as a photograph's.
int generate(const char* path, int width, int height, int quality) {
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) {
    std::fprintf(stderr, "cannot allocate %dx%d\n", width, height);
    return 1;
  }
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const double wave = std::sin(x * 0.004) * std::cos(y * 0.006);
      row[3 * x] =
          static_cast<uchar>(std::clamp(120 + static_cast<int>(90 * wave) + grain, 0, 255));
      row[3 * x + 1] = static_cast<uchar>(std::clamp((x * 255) / width + grain, 0, 255));
      row[3 * x + 2] = static_cast<uchar>(std::clamp((y * 255) / height + grain, 0, 255));
    }
  }
  QImageWriter writer(QString::fromLocal8Bit(path), "jpeg");
  writer.setQuality(quality);
  return writer.write(image) ? 0 : 1;
}

// The preview as the form drew it before: the whole image, then a fast scale to the label.
void showWhole(QLabel& label, const QString& path) {
  QImageReader reader(path);
  reader.setAllocationLimit(0);
  const QPixmap pixmap = QPixmap::fromImage(reader.read());
  label.setPixmap(pixmap.width() > pixmap.height() ? pixmap.scaledToWidth(label.width())
                                                   : pixmap.scaledToHeight(label.height()));
}

int measure(bool shrunk, const QString& path) {
  QLabel label;
  label.setFixedSize(300, 150);  // the form's preview label
  label.show();
  const double startRss = peakRssMiB();

  QElapsedTimer clock;
  qint64 lastBeat = -1;
  qint64 worstLate = 0;
  QTimer heartbeat;
  heartbeat.setTimerType(Qt::PreciseTimer);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (lastBeat >= 0)
      worstLate = std::max(worstLate, now - lastBeat - kHeartbeatMs);
    lastBeat = now;
  });

  qint64 shownMs = -1;
  qint64 startCpuMs = 0;
  qint64 cpuMs = -1;
  auto shown = [&] {
    label.repaint();
    shownMs = clock.elapsed();
    cpuMs = processorMs() - startCpuMs;
    QTimer::singleShot(kSettleMs, qApp, &QCoreApplication::quit);
  };
  PreviewDecoder decoder;
  QObject::connect(&decoder, &PreviewDecoder::decoded, [&](const QImage& image) {
    label.setPixmap(QPixmap::fromImage(image));
    shown();
  });

  // The download has just ended: the form's handler runs in this turn of the loop.
  QTimer::singleShot(50, [&] {
    clock.restart();
    startCpuMs = processorMs();
    lastBeat = 0;
    heartbeat.start(kHeartbeatMs);
    if (shrunk) {
      decoder.decode(path, label.size() * label.devicePixelRatioF());
    } else {
      showWhole(label, path);
      shown();
    }
  });
  QApplication::exec();
  const bool ok = !label.pixmap().isNull();
  std::printf(
      "%s %s shown_ms=%lld cpu_ms=%lld peak_rss_mib=%.1f start_rss_mib=%.1f "
      "worst_gui_busy_ms=%lld%s\n",
      shrunk ? "shrunk" : "whole", qPrintable(path), static_cast<long long>(shownMs),
      static_cast<long long>(cpuMs), peakRssMiB(), startRss, static_cast<long long>(worstLate),
      ok ? "" : " (no picture)");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "generate") == 0)
    return generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  if (argc != 3 || (std::strcmp(argv[1], "shrunk") != 0 && std::strcmp(argv[1], "whole") != 0)) {
    std::fprintf(stderr, "usage: %s generate OUT.jpg W H QUALITY | shrunk FILE | whole FILE\n",
                 argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return measure(std::strcmp(argv[1], "shrunk") == 0, QString::fromLocal8Bit(argv[2]));
}
