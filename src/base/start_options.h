#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// The program's own options, read the same way by the window, the command line and the catalog
// library: "-dir LIST" and "-dd" with '-' or '/' and in any case, "--help" or "-h", "--version".
// The value of -dir is always the argument after it, whatever it looks like: "-dir /dd" names
// the directory /dd and "-dir -dd" the directory "-dd", so that no value is ever read as an
// option and no option as a value.
struct StartOptions {
  bool expertMode = false;            // -dd, given once or more
  std::vector<std::string> dirLists;  // the value of each -dir, in order; the first one counts
  bool dirWithoutList = false;        // a -dir stood last, with no value after it
  bool help = false;
  bool version = false;
  // Positions of the arguments that are none of these, in order.
  std::vector<size_t> others;

  // The list of catalog directories: the value of the first -dir; empty without one.
  std::string DirList() const { return dirLists.empty() ? std::string() : dirLists.front(); }
};

enum class OptionScope {
  kWholeLine,      // options anywhere (the window, the library); other arguments are passed over
  kBeforeCommand,  // options up to the first other argument, the command, which ends them
};

StartOptions ParseStartOptions(std::span<const std::string> arguments,
                               OptionScope scope = OptionScope::kWholeLine);

// Whether `argument` is the option `name` ("dir", "dd"): '-' or '/' and the name in any case.
bool IsStartOption(std::string_view argument, std::string_view name);

// Whether `argument` reads as any of the options above.
bool LooksLikeStartOption(std::string_view argument);

}  // namespace mardo
