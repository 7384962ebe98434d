// The one thing the configuration form does to the desktop itself: fit an image into the shared
// wallpaper folder's temp_image2.jpg and set that file on the second monitor (monitor index 1).
// With fewer than two monitors nothing is set: the agent's reload puts the picture on the
// desktop. Fitting decodes the whole source image, so it runs on a worker thread; the desktop
// is set from the GUI thread once the file is whole.
#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <string>

// Fits `source` into `target` for a screen of the given size. False, with `target` left as it
// was, when the source does not decode or the fitted file cannot be written. Safe on any thread.
bool fitIntoFile(const std::string& source, const std::string& target, int screenWidth,
                 int screenHeight);

class SecondMonitorWallpaper : public QObject {
  Q_OBJECT

 public:
  explicit SecondMonitorWallpaper(QObject* parent = nullptr);
  // Waits for a fitting in progress: it reports to this object.
  ~SecondMonitorWallpaper() override;

  // Fits `imagePath` into temp_image2.jpg on a worker thread, then sets it on the second monitor.
  // Requests are carried out one at a time, in order. When the fitting fails nothing is set: an
  // older temp_image2.jpg is not the picture that was asked for.
  void set(const QString& imagePath);

 signals:
  // After each request: whether a fitted file was made.
  void fitted(bool success);

 private:
  void onFitted(bool success, const std::string& target);

  QThreadPool fitter;
};
