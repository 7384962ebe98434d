#include "preview/unreadable_reason.h"

#include <QFile>
#include <QFileInfo>

QString unreadableReason(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return QStringLiteral("no such file");
  }
  if (info.isDir()) {
    return QStringLiteral("it is a folder");
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return QStringLiteral("access denied");
  }
  if (file.size() == 0) {
    return QStringLiteral("the file is empty");
  }
  // Damaged, truncated, a format the decoders lack, or a size beyond their bounds.
  return QStringLiteral("not a picture that can be shown");
}
