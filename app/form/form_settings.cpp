// The form's settings and its hold on the agent: reading the settings key into the controls,
// writing them back as the user changes them, and starting, reloading and stopping PixoriaHelper.
#include <QDebug>
#include <QTimer>
#include <QTreeWidgetItem>
#include <cstdint>
#include <string>

#include "agent/program_folder.h"
#include "agent/sources/source_addresses.h"
#include "form/auto_pixoria_form.h"
#include "form/second_monitor_wallpaper.h"
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

void writeDword(const QString& subKey, std::string_view name, std::int64_t value) {
  // Negative indices are stored as their two's complement, as a DWORD holds them on Windows.
  CVGlobal::writeRegistryDword(CVGlobal::kHkeyCurrentUser, subKey, valueName(name),
                               static_cast<std::uint32_t>(value));
}

QString customFileValue(qsizetype n) {
  return valueName(pixoria::kValueCustomFilePrefix) + QString::number(n);
}

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

void AutoPixoriaForm::writeCustomList(bool notifyAgent) {
  writeDword(subKey, pixoria::kValueCustomCount, customFileList.size());
  for (qsizetype n = 0; n < customFileList.size(); ++n) {
    CVGlobal::writeRegistryString(CVGlobal::kHkeyCurrentUser, subKey, customFileValue(n),
                                  customFileList.at(n));
  }
  writeDword(subKey, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
  if (notifyAgent)
    applyToAgent();
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
  if (!running())
    return;
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

void AutoPixoriaForm::writeCurrentSourceIndex() {
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceBing:
      writeDword(subKey, pixoria::kValueBingCurrentIndex, bingWalpaperSourceURLIndex);
      break;
    case pixoria::kSourceNasa:
      writeDword(subKey, pixoria::kValueNasaCurrentIndex, nasaWalpaperSourceURLIndex);
      break;
    case pixoria::kSourceWikipedia:
      writeDword(subKey, pixoria::kValueWikipediaCurrentIndex, wikipediaWalpaperSourceURLIndex);
      break;
    default:
      writeDword(subKey, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
      break;
  }
}

void AutoPixoriaForm::writeDataPixoria() {
  qDebug() << "writeDataPixoria";
  qDebug() << "subKey: " << subKey;
  writeDword(subKey, pixoria::kValueEnabled, ui->stopButton->isHidden() ? 0 : 1);
  writeDword(subKey, pixoria::kValueMultiMonitorSupport,
             static_cast<std::int64_t>(ui->pixoriaDualMonitorCheckBox->checkState()));
  writeDword(subKey, pixoria::kValueTimeIndex, ui->pixoriaTimeSpinBox->value());
  writeDword(subKey, pixoria::kValueTimePeriod, ui->pixoriaTimeComboBox->currentIndex());
  writeDword(subKey, pixoria::kValueSource, ui->pixoriaSourceComboBox->currentIndex());
  writeDword(subKey, pixoria::kValueRegion, ui->pixoriaRegionComboBox->currentIndex());
  writeCurrentSourceIndex();
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
    if (mainAppHWnd != nullptr)
      post(mainAppHWnd, pixoria::AGENT_MSG_DISABLE);
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
      writeDword(subKey, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
    }
    if (!customFileList.isEmpty())
      setWallpaper(customFileList.at(customWalpaperSourceURLIndex));
  }
  writeAutostartEntry(commandPath);
}

void AutoPixoriaForm::setWallpaper(const QString& imagePath) {
  if (secondMonitorWallpaper == nullptr)
    secondMonitorWallpaper = new SecondMonitorWallpaper(this);
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
  if (!initialized)
    return;
  ui->pixoriaTimeSpinBox->setEnabled(true);
  ui->pixoriaTimeComboBox->setEnabled(true);
  ui->startButton->hide();
  ui->stopButton->show();
  writeDataPixoria();
}

void AutoPixoriaForm::on_stopButton_clicked() {
  if (!initialized)
    return;
  ui->pixoriaTimeSpinBox->setEnabled(false);
  ui->pixoriaTimeComboBox->setEnabled(false);
  ui->startButton->show();
  ui->stopButton->hide();
  writeDataPixoria();
}

void AutoPixoriaForm::writeAllSettings() {
  if (!initialized)
    return;
  writeCustomList(false);
  writeDataPixoria();
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
  switch (ui->pixoriaSourceComboBox->currentIndex()) {
    case pixoria::kSourceBing:
    case pixoria::kSourceNasa:
    case pixoria::kSourceWikipedia:
      writeCurrentSourceIndex();
      setPreviewWallpaper();
      break;
    default:
      qDebug() << "index: " << customWalpaperSourceURLIndex;
      writeDword(subKey, pixoria::kValueCustomIndex, customWalpaperSourceURLIndex);
      setWallpaper(customFileList.value(customWalpaperSourceURLIndex));
      break;
  }
  if (!running())
    return;
  mainAppHWnd = pf::findWindow(agentClassName.toStdString(), agentWindowTitle.toStdString());
  if (mainAppHWnd != nullptr)
    post(mainAppHWnd, pixoria::AGENT_MSG_RELOAD);
  writeAutostartEntry(agentCommandPath());
}
