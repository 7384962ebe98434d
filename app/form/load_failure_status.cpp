#include "form/load_failure_status.h"

namespace {

// The servers as the "Preparing to download images from ..." lines name them.
QString serverName(int source) {
  switch (source) {
    case 1:
      return QStringLiteral("NASA Server");
    case 2:
      return QStringLiteral("Wikipedia Server");
    default:
      return QStringLiteral("Bing Server");
  }
}

}  // namespace

QString loadFailureStatus(int source, const QString& reason) {
  QString status = QStringLiteral("Could not download images from %1").arg(serverName(source));
  if (!reason.isEmpty()) {
    status += QStringLiteral(" (%1)").arg(reason);
  }
  return status + QStringLiteral(". Press Reload to try again.");
}
