#include "form/settings_binder.h"

#include <QDebug>
#include <QMessageBox>
#include <QStringList>
#include <cstdint>
#include <string>

#include "form/custom_file_list.h"
#include "form/preview_controller.h"
#include "pixoria/settings_schema.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_auto_pixoria_form.h"

namespace {

namespace pf = pixoria::platform;

QString valueName(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

std::uint32_t readDword(const QString& subKey, std::string_view name, std::uint32_t fallback) {
  std::uint32_t value = fallback;
  CVGlobal::readRegistryDword(CVGlobal::kHkeyCurrentUser, subKey, valueName(name), &value);
  return value;
}

void setDword(pf::RegValueBatch& batch, std::string_view name, std::int64_t value) {
  // Negative indices are stored as their two's complement, as a DWORD holds them on Windows.
  batch.setDword(name, static_cast<std::uint32_t>(value));
}

QString customFileValue(qsizetype n) {
  return valueName(pixoria::kValueCustomFilePrefix) + QString::number(n);
}

std::string customFileName(qsizetype n) {
  return std::string(pixoria::kValueCustomFilePrefix) + std::to_string(n);
}

// True while a save failure is on screen: saves that fail meanwhile (a timer's, another
// change's) are the same failure, and one box tells it.
bool reportingSaveFailure = false;

}  // namespace

SettingsBinder::SettingsBinder(Ui::AutoPixoriaForm* ui, CustomFileList* customFiles,
                               PreviewController* preview, QWidget* form)
    : ui(ui),
      customFiles(customFiles),
      preview(preview),
      form(form),
      subKey(fromUtf8(pixoria::kSettingsKey)) {}

void SettingsBinder::readCustomList() {
  std::uint32_t count = readDword(subKey, pixoria::kValueCustomCount, 0);
  // A damaged count (0xFFFFFFFF) would have the form read values until memory runs out; the agent
  // reads at most this many entries, so the form shows what the agent uses.
  if (count > pixoria::kMaxCustomFiles) {
    qDebug() << "CustomCount" << count << "is too large; reading" << pixoria::kMaxCustomFiles;
    count = pixoria::kMaxCustomFiles;
  }
  QStringList files;
  for (std::uint32_t n = 0; n < count; ++n) {
    QString path;
    CVGlobal::readRegistryString(CVGlobal::kHkeyCurrentUser, subKey, customFileValue(n), path);
    files.append(path);
  }
  customFiles->setFiles(files);
  const std::uint32_t index = readDword(subKey, pixoria::kValueCustomIndex, 0);
  preview->positions().custom =
      index != 0 && index < static_cast<std::uint32_t>(files.size()) ? static_cast<int>(index) : 0;
}

void SettingsBinder::readSettings() {
  const bool enabled = readDword(subKey, pixoria::kValueEnabled, 0) != 0;
  const std::uint32_t multiMonitor = readDword(subKey, pixoria::kValueMultiMonitorSupport, 0);
  const std::uint32_t timeIndex =
      readDword(subKey, pixoria::kValueTimeIndex, pixoria::kDefaultTimeIndex);
  const std::uint32_t timePeriod =
      readDword(subKey, pixoria::kValueTimePeriod, pixoria::kDefaultTimePeriod);
  const std::uint32_t source = readDword(subKey, pixoria::kValueSource, pixoria::kSourceBing);
  const std::uint32_t region = readDword(subKey, pixoria::kValueRegion, 0);
  ui->startButton->setVisible(!enabled);
  ui->stopButton->setVisible(enabled);
  ui->pixoriaDualMonitorCheckBox->setChecked(multiMonitor != 0);
  // The DWORDs are taken as signed, as the controls take ints: the spin box clamps to 1..12, and
  // an index a combo box lacks leaves it without a current item.
  ui->pixoriaTimeSpinBox->setValue(static_cast<int>(timeIndex));
  ui->pixoriaTimeComboBox->setCurrentIndex(static_cast<int>(timePeriod));
  preview->chooseStoredSource(source);
  ui->pixoriaRegionComboBox->setCurrentIndex(static_cast<int>(region));
  preview->positions().bing = 0;
}

// Entries past the count stay, as they always have: readers never look past CustomCount, and the
// count and the entries change in one update.
void SettingsBinder::addCustomList(pf::RegValueBatch& batch) const {
  const QStringList& files = customFiles->files();
  setDword(batch, pixoria::kValueCustomCount, files.size());
  for (qsizetype n = 0; n < files.size(); ++n) {
    batch.setString(customFileName(n), files.at(n).toStdString());
  }
  setDword(batch, pixoria::kValueCustomIndex, preview->positions().custom);
}

void SettingsBinder::addCurrentSourceIndex(pf::RegValueBatch& batch) const {
  const AppSource& source = storedAppSource(preview->currentSourceNumber());
  setDword(batch, source.indexValueName, preview->positions().*source.position);
}

void SettingsBinder::addSettings(pf::RegValueBatch& batch) const {
  setDword(batch, pixoria::kValueEnabled, ui->stopButton->isHidden() ? 0 : 1);
  setDword(batch, pixoria::kValueMultiMonitorSupport,
           static_cast<std::int64_t>(ui->pixoriaDualMonitorCheckBox->checkState()));
  setDword(batch, pixoria::kValueTimeIndex, ui->pixoriaTimeSpinBox->value());
  setDword(batch, pixoria::kValueTimePeriod, ui->pixoriaTimeComboBox->currentIndex());
  setDword(batch, pixoria::kValueSource, preview->currentSourceNumber());
  setDword(batch, pixoria::kValueRegion, ui->pixoriaRegionComboBox->currentIndex());
  addCurrentSourceIndex(batch);
}

void SettingsBinder::saveAll() {
  pf::RegValueBatch batch;
  addCustomList(batch);
  addSettings(batch);
  save(batch);
}

void SettingsBinder::saveCustomList() {
  pf::RegValueBatch batch;
  addCustomList(batch);
  save(batch);
}

void SettingsBinder::saveSettings() {
  qDebug() << "writeDataPixoria";
  qDebug() << "subKey: " << subKey;
  pf::RegValueBatch batch;
  addSettings(batch);
  save(batch);
}

void SettingsBinder::saveCurrentIndex() {
  pf::RegValueBatch batch;
  addCurrentSourceIndex(batch);
  save(batch);
}

bool SettingsBinder::save(const pf::RegValueBatch& changes) {
  pf::RegValueBatch batch;
  if (settingsUnsaved) {
    addCustomList(batch);
    addSettings(batch);
  }
  batch.append(changes);
  const pf::ErrorCode result =
      CVGlobal::writeRegistryValues(CVGlobal::kHkeyCurrentUser, subKey, batch);
  settingsUnsaved = result != pf::kErrorSuccess;
  if (!settingsUnsaved || reportingSaveFailure) {
    return !settingsUnsaved;
  }
  reportingSaveFailure = true;
  QMessageBox::warning(form, QObject::tr("Error"),
                       QObject::tr("The settings could not be saved: %1.\n\nThey are kept in this "
                                   "window and saved with the next change.")
                           .arg(CVGlobal::writeFailureReason(result)));
  reportingSaveFailure = false;
  return false;
}
