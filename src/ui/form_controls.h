#pragma once

#include <QString>

#include <string>
#include <string_view>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace mardo {

// The controls of the form's tabs, made alike.

// A label; with a buddy, the label names the buddy for screen readers and Alt+letter.
QLabel* MakeLabel(const char* text, const char* name, QWidget* buddy, QWidget* parent);
// A combo box whose typed text is never completed or inserted by the box itself; its history
// stays in the drop-down list. It may shrink to a few characters.
QComboBox* MakeCombo(const char* name, bool editable, int preferredCharacters, QWidget* parent);
// A push button that Enter presses while it has the focus.
QPushButton* MakeButton(const char* text, const char* name, QWidget* parent);

// Texts between the core (UTF-8 bytes) and the widgets.
QString Text(std::string_view text);
std::string Bytes(const QString& text);

}  // namespace mardo
