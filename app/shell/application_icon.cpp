#include "shell/application_icon.h"

#include <QString>

namespace pixoria::app {

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/resources/images/AppIcon%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace pixoria::app
