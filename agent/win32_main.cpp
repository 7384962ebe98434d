// PixoriaHelper's entry on Windows: a GUI program without a visible window. The command line and
// the show mode are not used.
#include <windows.h>

#include "agent/agent_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return pixoria::runAgent();
}
