#pragma once

#include <ostream>
#include <string>

#include "scan/add_workflow.h"

namespace mardo {

// One output stream of the command line, and whether a person watches it on a terminal (then
// names are escaped before they reach it).
struct OutputChannel {
  std::ostream& stream;
  bool terminal = false;
};

// The warnings about the directories and the entries a scan could not read, with the first of their
// paths (escaped for a terminal when `terminal`); empty when everything was read.
std::string UnreadableWarning(const AddWorkflow::Result& result, bool terminal = false);

// Tells how an Add or Refresh ended and gives the exit status: the "files added" line on standard
// output with 0, or 3 under `strict` when directories or entries could not be read; those as
// warnings on standard error; a cancelled scan (1) and a refused tree (2) on
// standard error; "No files added" on standard output with 1. A catalog that could not be written
// gives 2 and nothing on standard output: the workflow has said why on standard error already.
int ReportScan(const AddWorkflow::Result& result, bool strict, OutputChannel out, OutputChannel err);

}  // namespace mardo
