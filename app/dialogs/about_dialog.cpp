#include "dialogs/about_dialog.h"

#include "pixoria/product.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_about_dialog.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::AboutDialog) {
  ui->setupUi(this);
  ui->label->setText(CVGlobal::appName());
  ui->label->adjustSize();
  // The platform line keeps its place; where the system font runs wider than the one the dialog
  // was drawn with, it grows to the right rather than cut its text off.
  if (ui->label_5->sizeHint().width() > ui->label_5->width())
    ui->label_5->resize(ui->label_5->sizeHint().width(), ui->label_5->height());
  ui->versionLabel->setText(QStringLiteral("Version: ") + CVGlobal::versionString());
  ui->webLabel->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                            .arg(fromUtf8(pixoria::kMakerWebAddress),
                                 fromUtf8(pixoria::kMakerLinkHost).toHtmlEscaped()));
  ui->label_3->setText(fromUtf8(pixoria::kCopyrightNotice));
}

AboutDialog::~AboutDialog() {
  delete ui;
}

// Deleting the dialog also ends its modal run.
void AboutDialog::on_closeButton_clicked() {
  deleteLater();
}
