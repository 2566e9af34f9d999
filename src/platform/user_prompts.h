#pragma once

#include <string_view>

namespace mardo {

// How the program talks to the user: message boxes and yes/no questions. The window shows dialogs,
// the command line uses the terminal, tests script the answers.
class UserPrompts {
 public:
  enum class Icon { kInformation, kExclamation, kQuestion };

  // A Yes/No question with what it acts on.
  struct Question {
    std::string_view text = {};
    std::string_view caption = {};  // empty: the application title
    // What a Yes acts on (the catalogs a Yes replaces or deletes), one per line; shown apart from
    // the question, as a dialog's details. Empty for none.
    std::string_view details = {};
    // The answer a plain Enter gives.
    bool defaultYes = true;
  };

  virtual ~UserPrompts() = default;
  // A message with an OK button. An empty caption stands for the application title.
  virtual void Message(std::string_view text, std::string_view caption, Icon icon) = 0;
  // A Yes/No question with the question icon; true for Yes.
  virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
  // The same with details and a default answer; prompts that cannot show them ask plainly.
  virtual bool Ask(const Question& question) { return AskYesNo(question.text, question.caption); }
};

}  // namespace mardo
