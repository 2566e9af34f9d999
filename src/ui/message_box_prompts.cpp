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
  QMessageBox box(QMessageBox::Question, Caption(caption), MessageText(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace mardo
