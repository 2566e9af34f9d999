#include "settings/start_options.h"

#include "base/format_text.h"
#include "base/text_compare.h"
#include "settings/app_texts.h"

namespace mardo {

StartOptions ReadStartOptions(const std::vector<std::string>& arguments) {
  StartOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // The value after -dir may be anything, "--help" included: it is no option.
    if (argument.size() == 4 && (argument[0] == '-' || argument[0] == '/') &&
        EqualNoCase(std::string_view(argument).substr(1), "dir")) {
      ++i;
      continue;
    }
    if (argument == "--help" || argument == "-h") options.help = true;
    if (argument == "--version") options.version = true;
  }
  return options;
}

std::string WindowTitle(std::string_view startDirectory) {
  const size_t slash = startDirectory.rfind('/');
  const std::string_view last =
      slash == std::string_view::npos ? startDirectory : startDirectory.substr(slash + 1);
  return FormatText(texts::kWindowTitle, std::string(last).c_str());
}

}  // namespace mardo
