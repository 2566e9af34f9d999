#pragma once

#include <atomic>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/volume_query.h"

namespace mardo {

// What the command line works with: its streams, where it runs, and what it may ask.
struct CliContext {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::string startDirectory;  // the catalogs' start directory; empty for the current directory
  SystemPaths systemPaths;
  bool inputIsTerminal = false;
  bool errorIsTerminal = false;
  const std::atomic<bool>* cancel = nullptr;  // set by Ctrl+C while a scan can be cancelled
  std::atomic<bool>* cancellable = nullptr;   // true while a scan runs
  int64_t now = 0;                            // seconds since 1970; 0 for the current time
};

// Runs one command of mardo-cli (`arguments` without the program name). Returns the exit status:
// 0 success (hits found, catalog stored), 1 nothing found or done, 2 an error.
int RunCli(const std::vector<std::string>& arguments, CliContext& context);

}  // namespace mardo
