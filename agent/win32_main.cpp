// PixoriaHelper's entry on Windows: a GUI program without a visible window. The command line and
// the show mode are not used.
#include <windows.h>

// From agent/agent_program.h, which cannot be included here: windows.h defines the message names
// that the platform headers declare as constants.
namespace pixoria {
int runAgent();
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return pixoria::runAgent();
}
