#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/user_prompts.h"

namespace mardo::test {

// Answers questions from a script and keeps a log of everything shown, one line per box:
// "caption|text" for messages, "?caption|text" for questions.
class ScriptedPrompts final : public UserPrompts {
 public:
  std::deque<bool> answers;  // an empty script answers No
  std::vector<std::string> log;

  void Message(std::string_view text, std::string_view caption, Icon icon) override {
    (void)icon;
    log.push_back(std::string(caption) + "|" + std::string(text));
  }
  bool AskYesNo(std::string_view text, std::string_view caption) override {
    log.push_back("?" + std::string(caption) + "|" + std::string(text));
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace mardo::test
