#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/mardo_doc.h"
#include "ui/search_add.h"

namespace mardo {

class CMainFrame;
class DesktopShell;
class MessageBoxPrompts;
class QtSettingsStore;

// The application: the settings file, the document, the main window and the form, set up in
// this order; SIGTERM and SIGINT close the window as File/Exit does.
class CMardoApp {
 public:
  // `arguments`: after the program's name. `settingsPath` and `startDirectory` default to the
  // settings file of this user and the current directory.
  // `services` replaces the message boxes and the folder chooser (tests answer them themselves).
  CMardoApp(std::vector<std::string> arguments, std::optional<std::string> settingsPath = std::nullopt,
            std::optional<std::string> startDirectory = std::nullopt,
            std::optional<FormServices> services = std::nullopt);
  ~CMardoApp();

  // Creates the window, loads the settings and the catalogs, and shows the window.
  void InitInstance();

  CMainFrame& Frame() { return *frame_; }
  CMardoDoc& Document() { return document_; }
  QtSettingsStore& Settings() { return *settings_; }

 private:
  std::vector<std::string> arguments_;
  std::optional<std::string> startDirectory_;
  std::optional<FormServices> services_;
  std::unique_ptr<QtSettingsStore> settings_;
  CMardoDoc document_;
  std::unique_ptr<MessageBoxPrompts> prompts_;
  std::unique_ptr<DesktopShell> shell_;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace mardo
