#include "ui/form_controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mardo {

QLabel* MakeLabel(const char* text, const char* name, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  if (buddy != nullptr) {
    label->setBuddy(buddy);
    buddy->setAccessibleName(label->text());
  }
  return label;
}

QComboBox* MakeCombo(const char* name, bool editable, int preferredCharacters, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(editable);
  box->setInsertPolicy(QComboBox::NoInsert);
  if (editable) {
    // Inline completion would put a history entry in place of what was typed, and Enter would
    // then act on a text the user never typed.
    box->setCompleter(nullptr);
    // Nor does leaving the box pick the history entry that equals its text: that counts as the
    // user choosing it, and would identify the root again over the label the user typed.
    QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, box, nullptr);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(preferredCharacters);
    // Preferred at that width, yet the window may be narrower.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QString(4, '0')) + 32);
  } else {
    // A list of fixed items shows its widest item whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  }
  return box;
}

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(name);
  button->setAccessibleName(button->text().remove('&'));
  // Enter on a focused button presses it, as in a dialog.
  button->setAutoDefault(true);
  return button;
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& text) {
  return text.toStdString();
}

}  // namespace mardo
