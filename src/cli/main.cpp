// mardo-cli: Mardo for terminals, scripts and headless machines.
#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/paged_file.h"
#include "platform/program_code.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
  mardo::MapProgramCode();
  mardo::PrepareHeapForShortRun();
  mardo::PagedFile::LeaveRoomToExit();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // Ctrl+C during a scan cancels it cleanly; at any other time it ends the program as usual.
  static std::atomic<bool> cancelScan{false};
  static std::atomic<bool> scanRunning{false};
  mardo::CatchInterrupt(cancelScan, scanRunning);

  mardo::CliContext context{std::cin, std::cout, std::cerr, {}, {}};
  context.inputIsTerminal = mardo::StandardInputIsTerminal();
  context.outputIsTerminal = mardo::StandardOutputIsTerminal();
  context.errorIsTerminal = mardo::StandardErrorIsTerminal();
  context.cancel = &cancelScan;
  context.cancellable = &scanRunning;
  const int status = mardo::RunCli(arguments, context);
  std::cout.flush();
  return status;
}
