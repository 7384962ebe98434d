// Bing's UHD rendition of the previewed picture, fetched only when Set or Save asks for it (the
// preview itself is the standard 1920x1080 rendition: it is small on screen). It is downloaded
// into image2_uhd.jpg in the wallpaper folder and kept for the address it came from, so Set and
// Save of one picture download it once.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QNetworkReply;
class ReplyFile;

class UhdRendition : public QObject {
  Q_OBJECT

 public:
  // Receives the file that holds the rendition, or an empty path when there is none to have.
  using Ready = std::function<void(const QString& file)>;

  explicit UhdRendition(QObject* parent = nullptr);

  // Hands `ready` the rendition at `address`: at once when the address is empty or was the last
  // one answered, otherwise when its download ends. An empty path means the server has none: an
  // error status, a body that is no picture, or one past the image cap. A fetch of another
  // address cancels the one in flight, whose callers then get an empty path.
  void fetch(const QString& address, const Ready& ready);

 private:
  void start(const QString& address);
  void onFinished(QNetworkReply* reply, ReplyFile* file);
  void cancel();
  // Hands `file` to everyone waiting.
  void answerWaiting(const QString& file);

  QString answeredAddress;  // the address of the last download that ended; empty when none did
  QString answer;           // its answer: the file holding its rendition, or empty for none
  QString wantedAddress;    // the address of the download in flight
  QNetworkReply* current = nullptr;
  std::vector<Ready> waiting;
};
