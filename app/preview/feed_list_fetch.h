// The state of one feed list's fetch (NASA's entries, Wikipedia's days). The lists belong to the
// form and outlive the loaders that fill them; a loader that finds its list being fetched by an
// earlier one waits for that fetch rather than starting a second one into the same list, which
// would repeat every entry, so that the form's indices would no longer name the pictures the
// agent's own list holds.
#pragma once

#include <QObject>
#include <QString>

class FeedListFetch : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  bool running() const { return active; }
  // Whether the last fetch was cut short by a failure, and why (empty when nothing said why).
  bool failed() const { return lastFailed; }
  QString failureReason() const { return lastFailure; }

  void start();
  // Entries were appended to the list.
  void grew();
  // The fetch is over: complete, abandoned, or cut short by a failure.
  void finish(bool failed, const QString& failure = QString());

 signals:
  // The list grew or the fetch ended.
  void changed();

 private:
  bool active = false;
  bool lastFailed = false;
  QString lastFailure;
};
