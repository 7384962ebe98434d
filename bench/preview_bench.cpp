// The configuration application's preview of a downloaded image, measured as the form shows it:
// from the download's end to the picture in the 300x150 preview label, the process's peak
// resident set, and the worst lateness of a 10 ms heartbeat timer on the GUI thread (how long
// the GUI thread was busy at a stretch).
//
//   pixoria-preview-bench generate OUT.jpg WIDTH HEIGHT QUALITY   a baseline JPEG photograph-like
//                                          (OUT.png: the same picture as PNG)
//   pixoria-preview-bench shrunk FILE      the form's path: decoded shrunk, on a worker thread
//   pixoria-preview-bench whole FILE       the earlier path: QImageReader without an allocation
//                                          limit, whole image, scaled on the GUI thread
//   pixoria-preview-bench platform FILE    the platform's imaging alone on a worker thread (on
//                                          Windows GDI+: the form's path before JPEG and PNG
//                                          went to Qt's readers there)
//
// Each measurement runs in a process of its own, so the peak resident set is that path's alone.
// It builds for Windows too (bench/preview_bench_wine.sh runs it under Wine).
#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "pixoria/platform/imaging.h"
#include "preview/preview_decoder.h"
#include "preview/shrunk_image.h"

namespace {

constexpr int kHeartbeatMs = 10;
constexpr int kSettleMs = 300;  // the heartbeat keeps running this long after the picture shows

#ifdef _WIN32
// The peak working set (under Wine: the process's peak resident set, VmHWM).
double peakRssMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

qint64 processorMs() {
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<qint64>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (ticks(kernel) + ticks(user)) / 10'000;  // 100 ns units
}
#else
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
#endif

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
  // The format follows the suffix: .jpg, or .png (where the quality is zlib's effort).
  QImageWriter writer(QString::fromLocal8Bit(path));
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

enum class Path { whole, shrunk, platform };

int measure(Path route, const QString& path) {
  const bool shrunk = route != Path::whole;
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
    if (lastBeat >= 0) {
      worstLate = std::max(worstLate, now - lastBeat - kHeartbeatMs);
    }
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
    if (route == Path::platform) {
      // On a thread of its own, as the decoder's worker would.
      std::thread([&decoder, &label, path] {
        const QImage image = decodeByPlatform(path, label.size());
        QMetaObject::invokeMethod(
            &decoder, [&decoder, image] { emit decoder.decoded(image, QString()); },
            Qt::QueuedConnection);
      }).detach();
    } else if (shrunk) {
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
      route == Path::platform ? "platform" : (shrunk ? "shrunk" : "whole"), qPrintable(path),
      static_cast<long long>(shownMs), static_cast<long long>(cpuMs), peakRssMiB(), startRss,
      static_cast<long long>(worstLate), ok ? "" : " (no picture)");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "generate") == 0) {
    // The writers are plug-ins, which Windows' Qt finds beside the program only once there is
    // an application.
    QCoreApplication core(argc, argv);
    return generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  }
  const bool known =
      argc == 3 && (std::strcmp(argv[1], "shrunk") == 0 || std::strcmp(argv[1], "whole") == 0 ||
                    std::strcmp(argv[1], "platform") == 0);
  if (!known) {
    std::fprintf(stderr,
                 "usage: %s generate OUT.jpg W H QUALITY | shrunk FILE | whole FILE | "
                 "platform FILE\n",
                 argv[0]);
    return 2;
  }
#ifndef _WIN32
  // Windows' Qt is built with its own platform plug-in alone: asked for "offscreen" there, it
  // stops in a message box that nobody closes.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
#endif
  QApplication application(argc, argv);
  std::uintptr_t imaging = 0;
  pixoria::platform::gdiplusStartup(imaging);  // GDI+ on Windows: the platform path draws with it
  const Path path = std::strcmp(argv[1], "shrunk") == 0
                        ? Path::shrunk
                        : (std::strcmp(argv[1], "whole") == 0 ? Path::whole : Path::platform);
  const int result = measure(path, QString::fromLocal8Bit(argv[2]));
  pixoria::platform::gdiplusShutdown(imaging);
  return result;
}
