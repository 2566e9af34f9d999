#pragma once

#include <QDialog>

namespace mardo {

// "About Mardo": the program's icon, its name and version, and where its settings are kept.
// Closed with its Close button, Escape or the title bar's close button.
class CAboutDlg final : public QDialog {
  Q_OBJECT
 public:
  CAboutDlg(const QString& settingsPath, QWidget* parent = nullptr);
};

// "Tips & Hints": the usage text, monospaced and scrollable both ways; edits are discarded.
class CTipsDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CTipsDlg(QWidget* parent = nullptr);
};

}  // namespace mardo
