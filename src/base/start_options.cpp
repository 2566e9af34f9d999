#include "base/start_options.h"

#include "base/text_compare.h"

namespace mardo {

bool IsStartOption(std::string_view argument, std::string_view name) {
  return argument.size() > 1 && (argument[0] == '-' || argument[0] == '/') &&
         EqualNoCase(argument.substr(1), name);
}

bool LooksLikeStartOption(std::string_view argument) {
  return IsStartOption(argument, "dir") || IsStartOption(argument, "dd") || argument == "--help" ||
         argument == "-h" || argument == "--version";
}

StartOptions ParseStartOptions(std::span<const std::string> arguments, OptionScope scope) {
  StartOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (IsStartOption(argument, "dir")) {
      if (i + 1 < arguments.size()) {
        options.dirLists.push_back(arguments[++i]);
      } else {
        options.dirWithoutList = true;
      }
    } else if (IsStartOption(argument, "dd")) {
      options.expertMode = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else {
      options.others.push_back(i);
      if (scope == OptionScope::kBeforeCommand) break;
    }
  }
  return options;
}

}  // namespace mardo
