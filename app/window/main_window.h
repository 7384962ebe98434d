// The application's one top-level window: hosts the configuration form, keeps its geometry
// between runs, forwards theme changes to the form and opens the About dialog.
#pragma once

#include <QMainWindow>

class AutoPixoriaForm;
class QStackedLayout;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  AutoPixoriaForm* hostedForm() const { return form; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private slots:
  void onShowAbout();

 private:
  Ui::MainWindow* ui;
  AutoPixoriaForm* form = nullptr;
  QStackedLayout* layout = nullptr;
};
