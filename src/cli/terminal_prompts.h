#pragma once

#include <istream>
#include <ostream>

#include "platform/user_prompts.h"

namespace mardo {

// Message boxes and questions on a terminal: messages go to the error stream; questions are
// answered Yes (--yes), asked on the input stream, or answered No when nobody can answer.
class TerminalPrompts final : public UserPrompts {
 public:
  enum class Answer { kYes, kAsk, kNo };

  TerminalPrompts(std::istream& in, std::ostream& err, Answer answer) : in_(in), err_(err), answer_(answer) {}

  void Message(std::string_view text, std::string_view caption, Icon icon) override;
  bool AskYesNo(std::string_view text, std::string_view caption) override;

  // A message text as a terminal shows it: "\r\n" becomes "\n".
  static std::string ForTerminal(std::string_view text);

 private:
  std::istream& in_;
  std::ostream& err_;
  Answer answer_;
};

}  // namespace mardo
