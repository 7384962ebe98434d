// The information dialog of the Help button: what the program does, and the maker's suite.
#pragma once

#include <QDialog>

namespace Ui {
class AutoPixoriaInfoDialog;
}

class AutoPixoriaInfoDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AutoPixoriaInfoDialog(QWidget* parent = nullptr);
  ~AutoPixoriaInfoDialog() override;

 private slots:
  void on_closeButton_clicked();
  void on_upgradeButton_clicked();

 private:
  Ui::AutoPixoriaInfoDialog* ui;
};
