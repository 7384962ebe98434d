// The About dialog: the application's name, version, the maker's site and copyright, the logo.
// Its Close button deletes it.
#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  ~AboutDialog() override;

 private slots:
  void on_closeButton_clicked();

 private:
  void fitTextsToFont();

  Ui::AboutDialog* ui;
};
