// mardo-cli: Mardo for terminals, scripts and headless machines.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

namespace {

std::atomic<bool> cancelScan{false};
std::atomic<bool> scanRunning{false};

// Ctrl+C during a scan cancels it cleanly; at any other time it ends the program as usual.
extern "C" void OnInterrupt(int signal) {
  if (scanRunning.load()) {
    cancelScan.store(true);
    return;
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);

  mardo::CliContext context{std::cin, std::cout, std::cerr, {}, {}};
  context.inputIsTerminal = ::isatty(STDIN_FILENO) != 0;
  context.errorIsTerminal = ::isatty(STDERR_FILENO) != 0;
  context.cancel = &cancelScan;
  context.cancellable = &scanRunning;
  const int status = mardo::RunCli(arguments, context);
  std::cout.flush();
  return status;
}
