#include "cli/terminal_prompts.h"

#include <string>

#include "cli/text_escape.h"
#include "scan/scan_texts.h"
#include "settings/app_texts.h"

namespace mardo {

std::string TerminalPrompts::ForTerminal(std::string_view text, bool escape) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  while (true) {
    const size_t end = text.find("\r\n", start);
    const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    out += escape ? EscapeControls(line, true) : std::string(line);
    if (end == std::string_view::npos) break;
    out.push_back('\n');
    start = end + 2;
  }
  return out;
}

void TerminalPrompts::Message(std::string_view text, std::string_view caption, Icon icon) {
  (void)icon;
  if (!caption.empty() && caption != texts::kApplicationTitle) err_ << caption << ": ";
  if (caption == texts::kVolumeLabelError && volumePath_) {
    err_ << ForStream(volumePath_(), errorIsTerminal_) << ": ";
  }
  err_ << ForTerminal(text, errorIsTerminal_) << '\n';
}

bool TerminalPrompts::AskYesNo(std::string_view text, std::string_view caption) {
  return Ask({.text = text, .caption = caption});
}

bool TerminalPrompts::Ask(const Question& question) {
  if (!question.details.empty()) err_ << ForTerminal(question.details, errorIsTerminal_) << '\n';
  const std::string text = ForTerminal(question.text, errorIsTerminal_);
  switch (answer_) {
    case Answer::kYes:
      err_ << text << " yes\n";
      return true;
    case Answer::kNo:
      err_ << text << " no (nobody to ask; --yes answers yes)\n";
      return false;
    case Answer::kAsk:
      break;
  }
  err_ << text << " [y/N] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return false;
  return line == "y" || line == "Y" || line == "yes" || line == "Yes" || line == "YES";
}

}  // namespace mardo
