#include "window/main_window.h"

#include <QCloseEvent>
#include <QStackedLayout>

#include "dialogs/about_dialog.h"
#include "form/auto_pixoria_form.h"
#include "shell/color_scheme.h"
#include "shell/cv_global.h"
#include "shell/saved_geometry.h"
#include "shell/window_identity.h"
#include "ui_main_window.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow) {
  ui->setupUi(this);
  setGeometry(pixoria::app::loadWindowGeometry());

  layout = new QStackedLayout;
  form = new AutoPixoriaForm(this);
  connect(form, SIGNAL(showAbout()), this, SLOT(onShowAbout()));
  form->show();
  layout->addWidget(form);
  ui->centralwidget->setLayout(layout);

  setWindowTitle(CVGlobal::appName());
  new pixoria::app::WindowIdentity(this, CVGlobal::appName());
}

MainWindow::~MainWindow() {
  delete ui;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  pixoria::app::saveWindowGeometry(geometry());
  event->accept();
}

// Only a change of colours matters here; the base class's handling of the other change events
// is not wanted.
void MainWindow::changeEvent(QEvent* event) {
  if (form != nullptr && pixoria::app::mayChangeColorScheme(*event)) {
    form->updateThemeIcons();
  }
}

void MainWindow::onShowAbout() {
  AboutDialog* about = new AboutDialog(this);
  about->exec();
}
