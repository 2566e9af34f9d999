#include "ui/message_box_prompts.h"

#include <QMessageBox>

#include "base/app_title.h"

namespace mardo {
namespace {

QString Caption(std::string_view caption) {
  return caption.empty() ? QString(texts::kApplicationTitle)
                         : QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}

}  // namespace

QString MessageText(std::string_view text) {
  QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  shown.replace("\r\n", "\n");
  return shown;
}

void MessageBoxPrompts::Message(std::string_view text, std::string_view caption, Icon icon) {
  QMessageBox::Icon shown = QMessageBox::Warning;
  if (icon == Icon::kInformation) shown = QMessageBox::Information;
  if (icon == Icon::kQuestion) shown = QMessageBox::Question;
  QMessageBox box(shown, Caption(caption), MessageText(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool MessageBoxPrompts::AskYesNo(std::string_view text, std::string_view caption) {
  return Ask({.text = text, .caption = caption});
}

bool MessageBoxPrompts::Ask(const Question& question) {
  QMessageBox box(QMessageBox::Question, Caption(question.caption), MessageText(question.text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  if (!question.details.empty()) box.setDetailedText(MessageText(question.details));
  box.setDefaultButton(question.defaultYes ? QMessageBox::Yes : QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace mardo
