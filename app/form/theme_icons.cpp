#include "form/theme_icons.h"

#include <QIcon>

#include "shell/color_scheme.h"
#include "ui_auto_pixoria_form.h"

namespace {

QIcon resourceIcon(const char* name) {
  return QIcon(QStringLiteral(":/resources/images/") + QLatin1String(name));
}

}  // namespace

void applyThemeIcons(Ui::AutoPixoriaForm& ui) {
  const bool dark = pixoria::app::isDarkColorScheme();
  ui.startButton->setIcon(resourceIcon(dark ? "_playWhite24.png" : "_playBlack24.png"));
  ui.stopButton->setIcon(resourceIcon(dark ? "_stopWhite24.png" : "_stopBlack24.png"));
  ui.websiteButton->setIcon(resourceIcon(dark ? "websiteWhiteIcon24.png" : "websiteIcon24.png"));
  ui.aboutButton->setIcon(resourceIcon(dark ? "AboutWhite24.png" : "About24.png"));
  ui.helpButton->setIcon(resourceIcon(dark ? "_infoWhite24.png" : "_infoBlack24.png"));
  if (!ui.pixoriaBackToolButton->isEnabled()) {
    ui.pixoriaBackToolButton->setIcon(resourceIcon("_BackIosGray64.png"));
    ui.pixoriaNextToolButton->setIcon(resourceIcon("_ForwardIosGray64.png"));
    return;
  }
  ui.pixoriaBackToolButton->setIcon(
      resourceIcon(dark ? "_BackIosWhite64.png" : "_BackIosBlack64.png"));
  ui.pixoriaNextToolButton->setIcon(
      resourceIcon(dark ? "_ForwardIosWhite64.png" : "_ForwardIosBlack64.png"));
}
