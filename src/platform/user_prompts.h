#pragma once

#include <string_view>

namespace mardo {

// How the program talks to the user: message boxes and yes/no questions. The window shows dialogs,
// the command line uses the terminal, tests script the answers.
class UserPrompts {
 public:
  enum class Icon { kInformation, kExclamation, kQuestion };

  virtual ~UserPrompts() = default;
  // A message with an OK button. An empty caption stands for the application title.
  virtual void Message(std::string_view text, std::string_view caption, Icon icon) = 0;
  // A Yes/No question with the question icon; true for Yes.
  virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
};

}  // namespace mardo
