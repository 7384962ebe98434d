// The form's hold on the agent, PixoriaHelper: whether the changer runs (the Start and Stop
// buttons), starting the agent when it is missing, telling it of changes, and the autostart
// entry that starts it with the session.
#pragma once

#include <QString>

namespace Ui {
class AutoPixoriaForm;
}

class AgentLink {
 public:
  explicit AgentLink(Ui::AutoPixoriaForm* ui);

  // The changer is switched on: Stop shows.
  bool running() const;
  // Shows Stop while `on`, Start otherwise; the schedule's controls follow.
  void showRunning(bool on);
  // When the form opens with the changer on: the agent is told to enable and reload, or started.
  void connectAtStart();
  // After a change was saved: a stopped changer disables the agent, a missing agent is started;
  // otherwise it is told to enable and reload, and true is returned: the form then sets the
  // chosen picture itself, and calls keepAutostartEntry().
  bool notifySettingsChanged();
  // Tells a running changer's agent to reload, as Set does.
  void reloadIfRunning();
  // Writes the autostart entry again, naming the agent's current path.
  void keepAutostartEntry();

 private:
  // The folder of the agent program: the stored installation folder, or the folder this program
  // runs from when none is stored (both programs are installed side by side).
  QString agentCommandPath() const;
  void startAgent(const QString& commandPath);

  Ui::AutoPixoriaForm* ui;
  QString agentExeName;
};
