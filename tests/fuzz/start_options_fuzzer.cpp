// Feeds arbitrary command lines (arguments separated by NUL bytes) to the start-options parser
// and to the catalog library's reading of the -dir list.
#include <cstdint>
#include <string>

#include "base/start_options.h"
#include "fuzz_input.h"
#include "store/catalog_library.h"

using mardo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> arguments = mardo::fuzz::Fields(data, size, '\0');
  const mardo::StartOptions whole = mardo::ParseStartOptions(arguments);
  const mardo::StartOptions before = mardo::ParseStartOptions(arguments, mardo::OptionScope::kBeforeCommand);
  Check(before.others.size() <= 1);
  // Every argument is an option, the value of a -dir, or one of the others.
  size_t options = 0;
  for (const std::string& argument : arguments) options += mardo::LooksLikeStartOption(argument) ? 1 : 0;
  Check(whole.others.size() + whole.dirLists.size() <= arguments.size());
  for (const size_t i : whole.others)
    Check(i < arguments.size() && !mardo::LooksLikeStartOption(arguments[i]));
  Check(options + whole.others.size() >= arguments.size() - whole.dirLists.size());
  // The options before a command are the options of the whole line up to it.
  if (before.others.empty())
    Check(before.expertMode == whole.expertMode && before.dirLists == whole.dirLists);

  const mardo::CatalogLibrary library(arguments, std::string("/start"));
  Check(library.Options().expertMode == whole.expertMode);
  const std::vector<std::string>& dirs = library.CatalogDirectories();
  Check(!dirs.empty() && dirs[0] == "/start");
  size_t listed = 0;
  for (size_t k = 1; k < dirs.size(); ++k) listed += dirs[k].size();
  Check(listed <= whole.DirList().size() + (dirs.size() - 1) * std::string("/start/").size());
  return 0;
}
