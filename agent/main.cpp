// PixoriaHelper's entry on Linux: no arguments are taken.
#include <csignal>

#include "agent/agent_program.h"

int main() {
  // Diagnostics go to standard error, which may be a pipe nobody reads any more (the terminal
  // that started the agent was closed): a failed write must not end the agent.
  std::signal(SIGPIPE, SIG_IGN);
  return pixoria::runAgent();
}
