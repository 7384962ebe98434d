#include "dialogs/about_dialog.h"

#include "dialogs/fixed_place_text.h"
#include "pixoria/product.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_about_dialog.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::AboutDialog) {
  ui->setupUi(this);
  ui->label->setText(CVGlobal::appName());
  ui->label->adjustSize();
  ui->versionLabel->setText(QStringLiteral("Version: ") + CVGlobal::versionString());
  ui->webLabel->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                            .arg(fromUtf8(pixoria::kMakerWebAddress),
                                 fromUtf8(pixoria::kMakerLinkHost).toHtmlEscaped()));
  ui->label_3->setText(fromUtf8(pixoria::kCopyrightNotice));
  fitTextsToFont();
}

// The widget set's places were drawn for one font. With the system's own, "Website:" alone
// reaches past the link's left edge; every text keeps its place where it fits, and otherwise
// grows, moving what follows it on its row.
void AboutDialog::fitTextsToFont() {
  for (QLabel* text : {ui->label_5, ui->versionLabel, ui->licenseLabel_2, ui->label_3}) {
    growToText(text);
  }
  keepClearOf(ui->licenseLabel_2, ui->webLabel);
  growToText(ui->webLabel);
  widenToChildren(this);
}

AboutDialog::~AboutDialog() {
  delete ui;
}

// Deleting the dialog also ends its modal run.
void AboutDialog::on_closeButton_clicked() {
  deleteLater();
}
