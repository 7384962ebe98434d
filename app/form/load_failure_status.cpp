#include "form/load_failure_status.h"

#include "preview/app_source_table.h"
#include "shell/utf8_text.h"

namespace {

// The server as the "Preparing to download images from ..." lines name it. Only a feed fails to
// download; any other number is named as the first source.
QString serverName(int source) {
  const AppSource* entry = findAppSource(source);
  if (entry == nullptr || !entry->feed) {
    entry = &appSources().front();
  }
  return fromUtf8(entry->serverName);
}

}  // namespace

QString loadFailureStatus(int source, const QString& reason) {
  QString status = QStringLiteral("Could not download images from %1").arg(serverName(source));
  if (!reason.isEmpty()) {
    status += QStringLiteral(" (%1)").arg(reason);
  }
  return status + QStringLiteral(". Press Reload to try again.");
}
