#include "ui/combo_history_view.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace mardo {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Runs `change` on the list without touching the text in the box's edit field.
template <class Change>
void KeepingEditText(QComboBox* box, Change change) {
  const QSignalBlocker blocker(box);
  const QString typed = box->currentText();
  change();
  if (box->isEditable()) box->setEditText(typed);
}

}  // namespace

void ComboHistoryView::InsertItem(int32_t index, std::string_view text) {
  if (box_) KeepingEditText(box_, [&] { box_->insertItem(index, Text(text)); });
}

void ComboHistoryView::DeleteItem(int32_t index) {
  if (box_) KeepingEditText(box_, [&] { box_->removeItem(index); });
}

void ComboHistoryView::AddItem(std::string_view text) {
  if (box_) KeepingEditText(box_, [&] { box_->addItem(Text(text)); });
}

void ComboHistoryView::SelectItem(int32_t index) {
  if (!box_) return;
  const QSignalBlocker blocker(box_);
  box_->setCurrentIndex(index);
}

}  // namespace mardo
