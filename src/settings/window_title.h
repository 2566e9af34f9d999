#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// What the window's command line asks for. The catalog options ("-dir LIST", "-dd", with '-' or
// '/' and in any case) are read by the catalog library itself; everything else on the line is
// ignored, so that no value is ever taken for a file to open.
struct StartOptions {
  bool help = false;     // --help: print the usage and stop
  bool version = false;  // --version: print the version and stop
};
StartOptions ReadStartOptions(const std::vector<std::string>& arguments);

// The window title: "Mardo - %s" with the last component of the start directory (empty for "/").
std::string WindowTitle(std::string_view startDirectory);

}  // namespace mardo
