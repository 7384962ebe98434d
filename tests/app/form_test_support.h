// What the form's and the preview fetcher's tests share: waiting on Qt's loop, the settings key
// in the hive, a stand-in agent window, and a loopback server with realistic feeds and images.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "support/fixture_server.h"

// Readable values in GoogleTest's messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace pixoria::app_test {

// Runs Qt's loop and the platform's message queue until `condition` holds; false on timeout.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Runs both loops for `ms` milliseconds.
void spin(int ms);

// The preview's loads as the form's debug lines tell them. A small download can complete (and
// enable the boxes) before the loader's thread has reported its end, while the form still refuses
// a new load (a Reload is ignored), so a load is over only once its end is reported too.
class PreviewLoads {
 public:
  explicit PreviewLoads(const DebugLines& debug) : debug_(debug) {}

  // Waits until one more download has succeeded, its load has ended, and `form`'s source box
  // takes input again.
  bool waitForNext(const QWidget& form);

  // The downloads that had succeeded when the last wait ended.
  qsizetype completions() const { return completions_; }

 private:
  const DebugLines& debug_;
  qsizetype completions_ = 0;
  qsizetype loadsEnded_ = 0;
};

// Accepts every message box that opens while it lives, and keeps the texts in order.
class MessageBoxes {
 public:
  MessageBoxes();
  ~MessageBoxes();
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;
  const QStringList& texts() const { return texts_; }

 private:
  std::unique_ptr<QObject> poll_;
  QStringList texts_;
};

// Answers the next file dialog with `names` typed into its file name box, from `folder`.
void answerFileDialog(const QString& folder, const QString& names);

// The settings key through the platform registry, as the agent sees it.
std::optional<std::uint32_t> hiveDword(const char* name);
std::optional<std::string> hiveString(const char* name);
void setHiveDword(const char* name, std::uint32_t value);
void setHiveString(const char* name, const std::string& value);

// A fresh start: no hive, no autostart entry, no desktop log, an empty wallpaper folder.
void resetUserState();

std::string wallpaperFolder();
std::string autostartEntryFile();
std::string desktopLogFile();

// Writes a real JPEG of one colour.
bool writeJpeg(const std::string& path, int width, int height, std::uint8_t red, std::uint8_t green,
               std::uint8_t blue);

// A window of the agent's class and title in this process; records every message posted to it.
class StandInAgent {
 public:
  StandInAgent();
  ~StandInAgent();
  StandInAgent(const StandInAgent&) = delete;
  StandInAgent& operator=(const StandInAgent&) = delete;

  bool created() const { return created_; }
  // The message numbers received since the last call, after handling what is waiting.
  std::vector<std::uint32_t> takeMessages();

 private:
  bool created_ = false;
};

// The fixture server over a folder holding the three services' documents (the realistic ones,
// their image addresses moved to the server) and a JPEG at every image address; the services'
// addresses point at it while it lives.
class FeedServer {
 public:
  FeedServer();
  ~FeedServer();
  FeedServer(const FeedServer&) = delete;
  FeedServer& operator=(const FeedServer&) = delete;

  bool running() const { return server_ && server_->running(); }
  std::string url(const std::string& path) const { return server_->url(path); }
  const std::string& folder() const { return folder_; }
  // Request paths since the last call.
  std::vector<std::string> takeRequests();
  // The User-Agent of every request so far, in order.
  std::vector<std::string> userAgents() const;
  // Replaces the file served at `path` (starting with '/').
  void serve(const std::string& path, const std::string& bytes) const;
  // The i-th Wikipedia day's path (0 = today in UTC).
  static std::string wikipediaDayPath(int daysBack);

 private:
  void publish(const std::string& path, std::string document) const;

  std::string folder_;
  std::unique_ptr<test::FixtureServer> server_;
  std::size_t requestsSeen_ = 0;
};

}  // namespace pixoria::app_test
