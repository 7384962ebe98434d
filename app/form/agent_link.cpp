#include "form/agent_link.h"

#include <QDebug>
#include <cstdint>
#include <string>

#include "pixoria/common/program_folder.h"
#include "pixoria/platform/folders.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/shell.h"
#include "pixoria/platform/windows.h"
#include "pixoria/product.h"
#include "pixoria/protocol.h"
#include "pixoria/settings_schema.h"
#include "shell/cv_global.h"
#include "shell/utf8_text.h"
#include "ui_auto_pixoria_form.h"

namespace {

namespace pf = pixoria::platform;

pf::WindowHandle findAgent() {
  return pf::findWindow(pixoria::kAgentWindowClass, pixoria::kAgentWindowTitle);
}

void post(pf::WindowHandle window, std::uint32_t message) {
  pf::postMessage(window, message, 0, 0);
}

}  // namespace

AgentLink::AgentLink(Ui::AutoPixoriaForm* ui)
    : ui(ui),
      agentExeName(fromUtf8(pixoria::kAgentProgramName) +
                   fromUtf8(pixoria::platform::kProgramSuffix)) {}

bool AgentLink::running() const {
  return ui->startButton->isHidden();
}

void AgentLink::showRunning(bool on) {
  ui->pixoriaTimeSpinBox->setEnabled(on);
  ui->pixoriaTimeComboBox->setEnabled(on);
  ui->startButton->setVisible(!on);
  ui->stopButton->setVisible(on);
}

void AgentLink::connectAtStart() {
  if (!running()) {
    return;
  }
  const pf::WindowHandle agent = findAgent();
  if (agent != nullptr) {
    post(agent, pixoria::AGENT_MSG_ENABLE);
    post(agent, pixoria::AGENT_MSG_RELOAD);
  } else {
    qDebug() << "mainAppHWnd==NULL";
    startAgent(agentCommandPath());
  }
  keepAutostartEntry();
}

bool AgentLink::notifySettingsChanged() {
  const pf::WindowHandle agent = findAgent();
  if (!running()) {
    if (agent != nullptr) {
      post(agent, pixoria::AGENT_MSG_DISABLE);
    }
    return false;
  }
  if (agent == nullptr) {
    startAgent(agentCommandPath());
    keepAutostartEntry();
    return false;
  }
  post(agent, pixoria::AGENT_MSG_ENABLE);
  post(agent, pixoria::AGENT_MSG_RELOAD);
  return true;
}

void AgentLink::reloadIfRunning() {
  if (!running()) {
    return;
  }
  const pf::WindowHandle agent = findAgent();
  if (agent != nullptr) {
    post(agent, pixoria::AGENT_MSG_RELOAD);
  }
  keepAutostartEntry();
}

QString AgentLink::agentCommandPath() const {
  const std::string folder = pixoria::programFolder(CVGlobal::installPath().toStdString());
  return QString::fromStdString(folder) + QLatin1Char(pf::kPathSeparator) + agentExeName;
}

void AgentLink::startAgent(const QString& commandPath) {
  const std::string command = commandPath.toStdString();
  const std::string folder = command.substr(0, command.rfind(pf::kPathSeparator));
  pf::shellExecute(command, folder, pf::ShowMode::hide);
}

void AgentLink::keepAutostartEntry() {
  pf::setAutostartEntry(pixoria::kAutostartEntryName, agentCommandPath().toStdString());
}
