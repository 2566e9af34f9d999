#include "platform/terminal.h"

#include <fcntl.h>
#include <signal.h>

#include <unistd.h>
#include <cerrno>

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

namespace {

int terminationPipe[2] = {-1, -1};

void OnTermination(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

int TerminationSignalPipe() {
  if (terminationPipe[0] >= 0) return terminationPipe[0];
  if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  struct sigaction action {};
  action.sa_handler = OnTermination;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  return terminationPipe[0];
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
