// PixoriaHelper's entry on Linux: no arguments are taken.
#include "agent/agent_program.h"

int main() {
  return pixoria::runAgent();
}
