#include "settings/window_title.h"

#include "base/format_text.h"
#include "settings/app_texts.h"

namespace mardo {

std::string WindowTitle(std::string_view startDirectory) {
  const size_t slash = startDirectory.rfind('/');
  const std::string_view last =
      slash == std::string_view::npos ? startDirectory : startDirectory.substr(slash + 1);
  return FormatText(texts::kWindowTitle, std::string(last).c_str());
}

}  // namespace mardo
