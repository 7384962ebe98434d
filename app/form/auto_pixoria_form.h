// The configuration form: every control of the application in one widget, hosted by the main
// window. Its widget set comes from auto_pixoria_form.ui; the constructor lays it out.
//
// The form's slots (auto-connected by name from the widget set) forward to the part that does
// the job: PreviewController (loads, Back and Next, Set, Save), CustomListEditor over the
// CustomFileList model (the custom list), SettingsBinder (reading and saving the settings) and
// AgentLink (Start, Stop, the agent's messages, the autostart entry). The form itself only
// strings together what one change asks of several of them.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class AgentLink;
class CustomFileList;
class CustomListEditor;
class PreviewController;
class SettingsBinder;

namespace Ui {
class AutoPixoriaForm;
}

class AutoPixoriaForm : public QWidget {
  Q_OBJECT

 public:
  explicit AutoPixoriaForm(QWidget* parent = nullptr);
  ~AutoPixoriaForm() override;

  // Adds the items of the time-unit, source and region boxes and empties the two caption lines
  // under the preview. The source box keeps each source's number as item data.
  void fillComboBoxes();

  // Picks the white icons on a dark colour scheme and the black ones otherwise; both arrows are
  // gray while the Back button is disabled at the moment of the call.
  void updateThemeIcons();

 signals:
  void showAbout();

 private slots:
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

  // What one change asks of several parts.
  // A setting changed: everything is saved, then the agent told.
  void writeAllSettings();
  // Start or Stop: the settings are saved, then the agent told.
  void switchChanger(bool on);
  // The custom list changed: it is saved, then the agent told.
  void storeCustomList();
  // Set: the position is saved, the picture set, the agent reloaded.
  void setShownPicture();
  // Tells the agent of the saved change; when it reloads, the chosen picture is set here too.
  void applyToAgent();

  Ui::AutoPixoriaForm* ui;
  bool imagingStarted = false;
  std::uintptr_t imagingToken = 0;
  CustomFileList* customFiles = nullptr;
  PreviewController* preview = nullptr;
  CustomListEditor* customList = nullptr;
  std::unique_ptr<SettingsBinder> settings;
  std::unique_ptr<AgentLink> agent;
};
