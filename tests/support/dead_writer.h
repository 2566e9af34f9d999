#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/native_file.h"

namespace mardo::test {

// Leaves what a writer that crashed before committing leaves next to `target`: a child process
// writes a replacement and ends without committing or closing it. Returns the temporary's name
// (no directory), or "" when none was left.
inline std::string LeaveDeadReplacement(const std::string& target) {
  const pid_t child = ::fork();
  if (child == 0) {
    NativeFile file;
    const bool written = file.CreateReplacement(target) && file.Write("x", 1);
    ::_exit(written ? 0 : 1);  // no destructor: the temporary stays, as after a crash
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || status != 0) return {};
  const std::string prefix = "." + std::filesystem::path(target).filename().string() + ".tmp-";
  const std::string marker = "-" + std::to_string(child) + "-";
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(target).parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.find(marker) != std::string::npos) return name;
  }
  return {};
}

}  // namespace mardo::test
