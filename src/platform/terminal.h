#pragma once

#include <atomic>

namespace mardo {

// Whether standard input, output or error is a terminal, for the command line's questions,
// progress and the escaping of names shown on a screen.
bool StandardInputIsTerminal();
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

// Makes Ctrl+C set `cancel` while `armed` is true (a scan is running), and end the program as
// usual at any other time. Both flags must live as long as the program.
void CatchInterrupt(std::atomic<bool>& cancel, const std::atomic<bool>& armed);

// Turns SIGTERM and SIGINT into a byte on a pipe, so that a program with an event loop ends as
// when its user closes it. Returns the pipe's reading end, or -1 when it could not be made.
int TerminationSignalPipe();

}  // namespace mardo
