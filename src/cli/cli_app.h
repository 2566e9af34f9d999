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
  bool outputIsTerminal = false;  // then names are escaped before they reach the screen
  bool errorIsTerminal = false;
  const std::atomic<bool>* cancel = nullptr;  // set by Ctrl+C while a scan can be cancelled
  std::atomic<bool>* cancellable = nullptr;   // true while a scan runs
  int64_t now = 0;                            // seconds since 1970; 0 for the current time
};

// The exit statuses of mardo-cli.
enum ExitStatus : int {
  kExitSuccess = 0,     // hits found, catalog stored, done
  kExitNothing = 1,     // nothing found, nothing done (declined, cancelled, an empty tree)
  kExitError = 2,       // an error, said on standard error
  kExitIncomplete = 3,  // with --strict: the catalog was stored, but directories could not be read
};

// Runs one command of mardo-cli (`arguments` without the program name). Returns the exit status.
int RunCli(const std::vector<std::string>& arguments, CliContext& context);

}  // namespace mardo
