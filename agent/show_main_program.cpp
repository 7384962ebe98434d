#include "agent/show_main_program.h"

#include "agent/agent_settings.h"
#include "pixoria/common/program_folder.h"
#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/folders.h"
#include "pixoria/platform/shell.h"
#include "pixoria/platform/windows.h"

namespace pixoria {

namespace pf = platform;

bool ShowMainProgram() {
  pf::outputDebugString("ShowMainProgram");
  if (const pf::WindowHandle window = pf::findWindow(kAppWindowClass, kAppWindowTitle)) {
    pf::restoreWindow(window);
    return true;
  }
  const std::string folder = programFolder(agentSettings.installPath);
  const std::string program =
      folder + pf::kPathSeparator + std::string(kAppProgramName) + std::string(pf::kProgramSuffix);
  if (!pf::shellExecute(program, folder, pf::ShowMode::showNormal)) {
    pf::messageBox("Cannot open Pixoria main app.", "Error",
                   pf::kMessageBoxOk | pf::kMessageBoxIconError);
  }
  return true;
}

}  // namespace pixoria
