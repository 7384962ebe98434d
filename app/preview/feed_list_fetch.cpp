#include "preview/feed_list_fetch.h"

void FeedListFetch::start() {
  active = true;
  lastFailed = false;
  lastFailure.clear();
}

void FeedListFetch::grew() {
  emit changed();
}

void FeedListFetch::finish(bool failed, const QString& failure) {
  active = false;
  lastFailed = failed;
  lastFailure = failed ? failure : QString();
  emit changed();
}
