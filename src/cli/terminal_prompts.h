#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "platform/user_prompts.h"

namespace mardo {

// Message boxes and questions on a terminal: messages go to the error stream; questions are
// answered Yes (--yes), asked on the input stream, or answered No when nobody can answer. When the
// error stream is a terminal, control characters that names bring into a text are escaped.
class TerminalPrompts final : public UserPrompts {
 public:
  enum class Answer { kYes, kAsk, kNo };

  TerminalPrompts(std::istream& in, std::ostream& err, Answer answer, bool errorIsTerminal = false)
      : in_(in), err_(err), answer_(answer), errorIsTerminal_(errorIsTerminal) {}

  void Message(std::string_view text, std::string_view caption, Icon icon) override;
  bool AskYesNo(std::string_view text, std::string_view caption) override;
  // The details are printed before the question; the default is always No.
  bool Ask(const Question& question) override;

  // The path being identified, put after the caption of a "Volume label error", whose text (the
  // system's) names no path.
  void SetVolumePath(std::function<std::string()> path) { volumePath_ = std::move(path); }

  // A message text as a terminal shows it: "\r\n" becomes "\n"; with `escape`, every other control
  // character is escaped (EscapeControls).
  static std::string ForTerminal(std::string_view text, bool escape = false);

 private:
  std::istream& in_;
  std::ostream& err_;
  Answer answer_;
  bool errorIsTerminal_;
  std::function<std::string()> volumePath_;
};

}  // namespace mardo
