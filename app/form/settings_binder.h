// The form's settings: read into the controls when the form opens, written back as the user
// changes them. Each save is one update of the settings key; after a failed save, the next one
// writes the whole form, so nothing is lost once writing works, and a failure is told once.
#pragma once

#include <QString>

#include "pixoria/platform/registry.h"

class CustomFileList;
class PreviewController;
class QWidget;

namespace Ui {
class AutoPixoriaForm;
}

class SettingsBinder {
 public:
  // `form` parents the message box that tells a failed save.
  SettingsBinder(Ui::AutoPixoriaForm* ui, CustomFileList* customFiles, PreviewController* preview,
                 QWidget* form);

  // Reads the custom list (CustomCount, its entries, CustomIndex).
  void readCustomList();
  // Reads every other setting into the controls.
  void readSettings();
  // From now on changes are the user's, and saved; before, they are the reading itself.
  void goLive() { live = true; }
  bool isLive() const { return live; }

  // One update for the list and the settings: the agent never reads a count from one save with
  // the entries of another.
  void saveAll();
  // The custom list alone.
  void saveCustomList();
  // Every setting but the custom list.
  void saveSettings();
  // The index value of the current source (BingCurrentIndex, ... CustomIndex).
  void saveCurrentIndex();

 private:
  void addCurrentSourceIndex(pixoria::platform::RegValueBatch& batch) const;
  void addCustomList(pixoria::platform::RegValueBatch& batch) const;
  void addSettings(pixoria::platform::RegValueBatch& batch) const;
  // Writes `batch` as one update of the settings key; after a failed save, what that save held
  // goes with it. A failure is told to the user once; false then.
  bool save(const pixoria::platform::RegValueBatch& batch);

  Ui::AutoPixoriaForm* ui;
  CustomFileList* customFiles;
  PreviewController* preview;
  QWidget* form;
  QString subKey;
  bool live = false;
  // A save failed: the next one writes the whole form, so nothing is lost once writing works.
  bool settingsUnsaved = false;
};
