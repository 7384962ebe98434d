#include "dialogs/auto_pixoria_info_dialog.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QUrl>

#include "pixoria/product.h"
#include "ui_auto_pixoria_info_dialog.h"

namespace {

constexpr int kParagraphSpacing = 10;

}  // namespace

// The widget set places the widgets at fixed points; the layouts installed here decide instead,
// so the texts reflow with the dialog's size and font.
AutoPixoriaInfoDialog::AutoPixoriaInfoDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::AutoPixoriaInfoDialog) {
  ui->setupUi(this);

  auto* texts = new QVBoxLayout;
  for (QWidget* label : {ui->label1, ui->label2, ui->label3}) {
    texts->addWidget(label);
    texts->addSpacing(kParagraphSpacing);
  }
  texts->setAlignment(Qt::AlignTop);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ui->upgradeButton);
  buttons->addWidget(ui->closeButton);
  buttons->setAlignment(Qt::AlignRight);

  auto* outer = new QVBoxLayout;
  outer->addLayout(texts);
  outer->addLayout(buttons);
  setLayout(outer);
}

AutoPixoriaInfoDialog::~AutoPixoriaInfoDialog() {
  delete ui;
}

void AutoPixoriaInfoDialog::on_closeButton_clicked() {
  close();
}

void AutoPixoriaInfoDialog::on_upgradeButton_clicked() {
  const std::string_view address = pixoria::kSuiteProductWebAddress;
  QDesktopServices::openUrl(
      QUrl(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()))));
}
