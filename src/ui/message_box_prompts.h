#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/user_prompts.h"

namespace mardo {

// Message boxes and Yes/No questions of the window, modal on `parent`.
class MessageBoxPrompts final : public UserPrompts {
 public:
  explicit MessageBoxPrompts(QWidget* parent) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Message(std::string_view text, std::string_view caption, Icon icon) override;
  bool AskYesNo(std::string_view text, std::string_view caption) override;
  // The details go into the box's details area; Enter gives the default answer.
  bool Ask(const Question& question) override;

 private:
  QPointer<QWidget> parent_;
};

// A message text as a Qt box shows it: "\r\n" becomes a line break.
QString MessageText(std::string_view text);

}  // namespace mardo
