#pragma once

#include <QMainWindow>

#include "settings/settings_values.h"
#include "ui/search_add.h"

class QAction;
class QLabel;

namespace mardo {

class CMardoDoc;
class QtSettingsStore;

// The main window: the menu, the status bar with its message pane and two count panes, and the
// form. It comes back at the place it had when it was last closed, and saves the settings when it
// closes.
class CMainFrame final : public QMainWindow, public StatusPanes {
  Q_OBJECT
 public:
  CMainFrame(CMardoDoc& document, QtSettingsStore& settings, FormServices services,
             std::vector<std::string> arguments, std::optional<std::string> startDirectory = std::nullopt);
  ~CMainFrame() override;

  SearchAdd& Form() { return *form_; }
  QAction* Action(const char* name) const;

  void SetPaneText(int pane, const QString& text) override;
  QString PaneText(int pane) const override;

  void OnAbout();
  void OnTips();

  // Puts the window on a screen, once the form is set up and before it shows: the stored
  // rectangle, or the default size, fitted to the screen it opens on and brought back onto a
  // screen when it lies on none.
  void PlaceOnScreen();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenu();
  void CreateStatusBar();

  static constexpr int kDefaultWidth = 980;
  static constexpr int kDefaultHeight = 640;

  CMardoDoc& document_;
  QtSettingsStore& settings_;
  SearchAdd* form_ = nullptr;
  QLabel* panes_[3] = {nullptr, nullptr, nullptr};
  bool closed_ = false;
};

}  // namespace mardo
