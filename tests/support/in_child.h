#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace mardo::test {

// Runs `body` in a child process and gives its exit status (100 when it did not exit); the child
// may change its limits and identity without touching the test program.
inline int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

}  // namespace mardo::test
