#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/user_prompts.h"

namespace mardo::test {

// Answers questions from a script and keeps a log of everything shown, one line per box:
// "caption|text" for messages, "?caption|text" for questions. The details of a question and
// whether it defaults to No are kept apart, one entry per question.
class ScriptedPrompts final : public UserPrompts {
 public:
  std::deque<bool> answers;  // an empty script answers No
  std::vector<std::string> log;
  std::vector<std::string> details;  // per question: its details, with " [default No]" if so
  // Runs while a box is shown, as a modal dialog would take the focus from the window.
  std::function<void()> whileShown;

  void Message(std::string_view text, std::string_view caption, Icon icon) override {
    (void)icon;
    log.push_back(std::string(caption) + "|" + std::string(text));
    if (whileShown) whileShown();
  }
  bool AskYesNo(std::string_view text, std::string_view caption) override {
    return Ask({.text = text, .caption = caption});
  }
  bool Ask(const Question& question) override {
    log.push_back("?" + std::string(question.caption) + "|" + std::string(question.text));
    details.push_back(std::string(question.details) + (question.defaultYes ? "" : " [default No]"));
    if (whileShown) whileShown();
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace mardo::test
