// The configuration form: every control of the application in one widget, hosted by the main
// window. Its widget set comes from auto_pixoria_form.ui; the constructor lays it out.
#pragma once

#include <QString>
#include <QWidget>

namespace Ui {
class AutoPixoriaForm;
}

class AutoPixoriaForm : public QWidget {
  Q_OBJECT

 public:
  explicit AutoPixoriaForm(QWidget* parent = nullptr);
  ~AutoPixoriaForm() override;

  // Adds the items of the time-unit, source and region boxes (item index = stored setting) and
  // empties the two caption lines under the preview.
  void fillComboBoxes();

  // Picks the white icons on a dark colour scheme and the black ones otherwise; both arrows are
  // gray while the Back button is disabled at the moment of the call.
  void updateThemeIcons();

 signals:
  void showAbout();

 private slots:
  void onGetWallpaperTimer();
  void onLoadImageTimer();
  void onDownloadComplete();
  void onFirstImageReady(QString status);
  void onLoadWallpaperProcessFinish();
  void onDownloadFail();
  void onShowDesc(QString description);
  void on_pixoriaTimeSpinBox_valueChanged(int value);
  void on_pixoriaTimeComboBox_currentIndexChanged(int index);
  void on_pixoriaRegionComboBox_currentIndexChanged(int index);
  void on_pixoriaBackToolButton_clicked();
  void on_pixoriaNextToolButton_clicked();
  void on_pixoriaImageButton_clicked();
  void on_pixoriaImageReloadButton_clicked();
  void on_pixoriaSourceComboBox_currentIndexChanged(int index);
  void on_pixoriaImageSaveButton_clicked();
  void on_customSourceAddPushButton_clicked();
  void on_customSourceRemovePushButton_clicked();
  void on_customSourceTree_itemSelectionChanged();
  void on_pixoriaDualMonitorCheckBox_clicked();
  void on_startButton_clicked();
  void on_stopButton_clicked();
  void on_websiteButton_clicked();
  void on_aboutButton_clicked();
  void on_helpButton_clicked();
  void on_customSourceClearPushButton_clicked();

 private:
  void buildLayout();
  // The region row shows for Bing only, the custom list's widgets for the custom source only.
  void showSourceControls(int source);

  Ui::AutoPixoriaForm* ui;
};
