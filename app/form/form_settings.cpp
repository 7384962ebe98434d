// The form's settings and its hold on the agent: reading the settings key into the controls,
// writing them back as the user changes them, and starting, reloading and stopping PixoriaHelper.
#include <QDebug>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidgetItem>
#include <cstdint>
#include <string>

#include "form/auto_pixoria_form.h"
#include "form/second_monitor_wallpaper.h"
#include "pixoria/common/program_folder.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/platform/folders.h"
#include "pixoria/platform/screen.h"
#include "pixoria/platform/shell.h"
#include "pixoria/protocol.h"
#include "pixoria/settings_schema.h"
#include "preview/uhd_rendition.h"
#include "shell/cv_global.h"
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

void post(pf::WindowHandle window, std::uint32_t message) {
  pf::postMessage(window, message, 0, 0);
}

}  // namespace

bool AutoPixoriaForm::running() const {
  return ui->startButton->isHidden();
}

void AutoPixoriaForm::readCustomList() {
  std::uint32_t count = readDword(subKey, pixoria::kValueCustomCount, 0);
  // A damaged count (0xFFFFFFFF) would have the form read values until memory runs out; the agent
  // reads at most this many entries, so the form shows what the agent uses.
  if (count > pixoria::kMaxCustomFiles) {
    qDebug() << "CustomCount" << count << "is too large; reading" << pixoria::kMaxCustomFiles;
    count = pixoria::kMaxCustomFiles;
  }
  customFileList.clear();
  QList<QTreeWidgetItem*> items;
  for (std::uint32_t n = 0; n < count; ++n) {
    QString path;
    CVGlobal::readRegistryString(CVGlobal::kHkeyCurrentUser, subKey, customFileValue(n), path);
    customFileList.append(path);
    items.append(new QTreeWidgetItem(QStringList{path}));
  }
  ui->customSourceTreeWidget->addTopLevelItems(items);
  const std::uint32_t index = readDword(subKey, pixoria::kValueCustomIndex, 0);
  customWalpaperSourceURLIndex =
      index != 0 && index < static_cast<std::uint32_t>(customFileList.size())
          ? static_cast<int>(index)
          : 0;
}

// Entries past the count stay, as they always have: readers never look past CustomCount, and the
// count and the entries change in one update.
void AutoPixoriaForm::addCustomList(pf::RegValueBatch& batch) const {
  setDword(batch, pixoria::kValueCustomCount, customFileList.size());
  for (qsizetype n = 0; n < customFileList.size(); ++n) {
    batch.setString(customFileName(n), customFileList.at(n).toStdString());
  }
  setDword(batch, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
}

void AutoPixoriaForm::writeCustomList(bool notifyAgent) {
  pf::RegValueBatch batch;
  addCustomList(batch);
  saveSettings(batch);
  if (notifyAgent) {
    applyToAgent();
  }
}

bool AutoPixoriaForm::saveSettings(const pf::RegValueBatch& changes) {
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
  QMessageBox::warning(this, tr("Error"),
                       tr("The settings could not be saved: %1.\n\nThey are kept in this window "
                          "and saved with the next change.")
                           .arg(CVGlobal::writeFailureReason(result)));
  reportingSaveFailure = false;
  return false;
}

void AutoPixoriaForm::readDataPixoria() {
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
  ui->pixoriaSourceComboBox->setCurrentIndex(static_cast<int>(source));
  ui->pixoriaRegionComboBox->setCurrentIndex(static_cast<int>(region));
  bingWalpaperSourceURLIndex = 0;
  if (!running()) {
    return;
  }
  mainAppHWnd = pf::findWindow(agentClassName.toStdString(), agentWindowTitle.toStdString());
  if (mainAppHWnd != nullptr) {
    post(mainAppHWnd, pixoria::AGENT_MSG_ENABLE);
    post(mainAppHWnd, pixoria::AGENT_MSG_RELOAD);
  } else {
    qDebug() << "mainAppHWnd==NULL";
    startAgent(agentCommandPath());
  }
  writeAutostartEntry(agentCommandPath());
}

void AutoPixoriaForm::addCurrentSourceIndex(pf::RegValueBatch& batch) const {
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceBing:
      setDword(batch, pixoria::kValueBingCurrentIndex, bingWalpaperSourceURLIndex);
      break;
    case pixoria::kSourceNasa:
      setDword(batch, pixoria::kValueNasaCurrentIndex, nasaWalpaperSourceURLIndex);
      break;
    case pixoria::kSourceWikipedia:
      setDword(batch, pixoria::kValueWikipediaCurrentIndex, wikipediaWalpaperSourceURLIndex);
      break;
    default:
      setDword(batch, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
      break;
  }
}

void AutoPixoriaForm::addSettings(pf::RegValueBatch& batch) const {
  setDword(batch, pixoria::kValueEnabled, ui->stopButton->isHidden() ? 0 : 1);
  setDword(batch, pixoria::kValueMultiMonitorSupport,
           static_cast<std::int64_t>(ui->pixoriaDualMonitorCheckBox->checkState()));
  setDword(batch, pixoria::kValueTimeIndex, ui->pixoriaTimeSpinBox->value());
  setDword(batch, pixoria::kValueTimePeriod, ui->pixoriaTimeComboBox->currentIndex());
  setDword(batch, pixoria::kValueSource, ui->pixoriaSourceComboBox->currentIndex());
  setDword(batch, pixoria::kValueRegion, ui->pixoriaRegionComboBox->currentIndex());
  addCurrentSourceIndex(batch);
}

void AutoPixoriaForm::writeDataPixoria() {
  qDebug() << "writeDataPixoria";
  qDebug() << "subKey: " << subKey;
  pf::RegValueBatch batch;
  addSettings(batch);
  saveSettings(batch);
  applyToAgent();
}

// The folder of the agent program: the stored installation folder, or the folder this program
// runs from when none is stored (both programs are installed side by side).
QString AutoPixoriaForm::agentCommandPath() const {
  const std::string folder = pixoria::programFolder(CVGlobal::installPath().toStdString());
  return QString::fromStdString(folder) + QLatin1Char(pf::kPathSeparator) + agentExeName;
}

void AutoPixoriaForm::startAgent(const QString& commandPath) {
  const std::string command = commandPath.toStdString();
  const std::string folder = command.substr(0, command.rfind(pf::kPathSeparator));
  pf::shellExecute(command, folder, pf::ShowMode::hide);
}

void AutoPixoriaForm::writeAutostartEntry(const QString& commandPath) {
  pf::setAutostartEntry(pixoria::kAutostartEntryName, commandPath.toStdString());
}

void AutoPixoriaForm::applyToAgent() {
  mainAppHWnd = pf::findWindow(agentClassName.toStdString(), agentWindowTitle.toStdString());
  if (!running()) {
    if (mainAppHWnd != nullptr) {
      post(mainAppHWnd, pixoria::AGENT_MSG_DISABLE);
    }
    return;
  }
  const QString commandPath = agentCommandPath();
  if (mainAppHWnd == nullptr) {
    startAgent(commandPath);
    writeAutostartEntry(commandPath);
    return;
  }
  post(mainAppHWnd, pixoria::AGENT_MSG_ENABLE);
  post(mainAppHWnd, pixoria::AGENT_MSG_RELOAD);
  if (ui->pixoriaSourceComboBox->currentIndex() != static_cast<int>(pixoria::kSourceCustom)) {
    setPreviewWallpaper();
  } else {
    if (customWalpaperSourceURLIndex < 0 || customWalpaperSourceURLIndex >= customFileList.size()) {
      customWalpaperSourceURLIndex = 0;
      pf::RegValueBatch batch;
      setDword(batch, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
      saveSettings(batch);
    }
    if (!customFileList.isEmpty()) {
      setWallpaper(customFileList.at(customWalpaperSourceURLIndex));
    }
  }
  writeAutostartEntry(commandPath);
}

void AutoPixoriaForm::setWallpaper(const QString& imagePath) {
  if (secondMonitorWallpaper == nullptr) {
    secondMonitorWallpaper = new SecondMonitorWallpaper(this);
  }
  secondMonitorWallpaper->set(imagePath);
}

void AutoPixoriaForm::setPreviewWallpaper() {
  // The agent's rule, for the screen the fitting fits to.
  const bool uhd =
      pixoria::screenWantsBingUhd(pf::getSystemMetrics(pf::SystemMetric::screenWidth),
                                  pf::getSystemMetrics(pf::SystemMetric::screenHeight));
  const QString address = uhd ? previewUhdAddress() : QString();
  uhdRendition()->fetch(address, [this](const QString& uhdFile) {
    setWallpaper(uhdFile.isEmpty() ? CVGlobal::wallpaperPath : uhdFile);
  });
}

void AutoPixoriaForm::on_startButton_clicked() {
  if (!initialized) {
    return;
  }
  ui->pixoriaTimeSpinBox->setEnabled(true);
  ui->pixoriaTimeComboBox->setEnabled(true);
  ui->startButton->hide();
  ui->stopButton->show();
  writeDataPixoria();
}

void AutoPixoriaForm::on_stopButton_clicked() {
  if (!initialized) {
    return;
  }
  ui->pixoriaTimeSpinBox->setEnabled(false);
  ui->pixoriaTimeComboBox->setEnabled(false);
  ui->startButton->show();
  ui->stopButton->hide();
  writeDataPixoria();
}

// One update for the list and the settings: the agent never reads a count from one save with
// the entries of another.
void AutoPixoriaForm::writeAllSettings() {
  if (!initialized) {
    return;
  }
  pf::RegValueBatch batch;
  addCustomList(batch);
  addSettings(batch);
  saveSettings(batch);
  applyToAgent();
}

void AutoPixoriaForm::on_pixoriaTimeSpinBox_valueChanged(int) {
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaTimeComboBox_currentIndexChanged(int) {
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaDualMonitorCheckBox_clicked() {
  writeAllSettings();
}

void AutoPixoriaForm::on_pixoriaImageButton_clicked() {
  pf::RegValueBatch batch;
  addCurrentSourceIndex(batch);
  saveSettings(batch);
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceBing:
    case pixoria::kSourceNasa:
    case pixoria::kSourceWikipedia:
      setPreviewWallpaper();
      break;
    default:
      qDebug() << "index: " << customWalpaperSourceURLIndex;
      setWallpaper(customFileList.value(customWalpaperSourceURLIndex));
      break;
  }
  if (!running()) {
    return;
  }
  mainAppHWnd = pf::findWindow(agentClassName.toStdString(), agentWindowTitle.toStdString());
  if (mainAppHWnd != nullptr) {
    post(mainAppHWnd, pixoria::AGENT_MSG_RELOAD);
  }
  writeAutostartEntry(agentCommandPath());
}
