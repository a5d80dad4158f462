// qelt430-sim: a simulated QELT-430 on a pseudo-terminal, linked as COMn for the PC programs.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim_options.h"
#include "sim_server.h"

namespace {

// The folder that holds this program file.
std::string ProgramFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : ".") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything else, so that a stop signal that comes during start-up is served, not fatal.
  BlockStopSignals();
  SimOptions options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "qelt430-sim: %s\nTry 'qelt430-sim --help'.\n", e.what());
    return 2;
  }
  if (options.Help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  return RunSimulator(options, ProgramFolder());
}
