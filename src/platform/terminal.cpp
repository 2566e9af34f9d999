#include "platform/terminal.h"

#include <signal.h>
#include <unistd.h>

namespace mardo {
namespace {

std::atomic<bool>* cancelFlag = nullptr;
const std::atomic<bool>* armedFlag = nullptr;

extern "C" void OnInterrupt(int signal) {
  if (armedFlag != nullptr && armedFlag->load()) {
    cancelFlag->store(true);
    return;
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

bool StandardInputIsTerminal() {
  return ::isatty(STDIN_FILENO) != 0;
}
bool StandardOutputIsTerminal() {
  return ::isatty(STDOUT_FILENO) != 0;
}
bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

void CatchInterrupt(std::atomic<bool>& cancel, const std::atomic<bool>& armed) {
  cancelFlag = &cancel;
  armedFlag = &armed;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace mardo
