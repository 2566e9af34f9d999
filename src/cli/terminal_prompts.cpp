#include "cli/terminal_prompts.h"

#include <string>

#include "settings/app_texts.h"

namespace mardo {

std::string TerminalPrompts::ForTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

void TerminalPrompts::Message(std::string_view text, std::string_view caption, Icon icon) {
  (void)icon;
  if (!caption.empty() && caption != texts::kApplicationTitle) err_ << caption << ": ";
  err_ << ForTerminal(text) << '\n';
}

bool TerminalPrompts::AskYesNo(std::string_view text, std::string_view caption) {
  (void)caption;
  const std::string question = ForTerminal(text);
  switch (answer_) {
    case Answer::kYes:
      err_ << question << " yes\n";
      return true;
    case Answer::kNo:
      err_ << question << " no (nobody to ask; --yes answers yes)\n";
      return false;
    case Answer::kAsk:
      break;
  }
  err_ << question << " [y/N] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return false;
  return line == "y" || line == "Y" || line == "yes" || line == "Yes" || line == "YES";
}

}  // namespace mardo
