#include "app/mardo_app.h"

#include <QFileDialog>
#include <QSocketNotifier>

#include <unistd.h>

#include "app/main_frame.h"
#include "app/qt_settings_store.h"
#include "platform/terminal.h"
#include "settings/app_texts.h"
#include "ui/message_box_prompts.h"
#include "ui/qt_desktop_shell.h"

namespace mardo {

CMardoApp::CMardoApp(std::vector<std::string> arguments, std::optional<std::string> settingsPath,
                     std::optional<std::string> startDirectory, std::optional<FormServices> services)
    : arguments_(std::move(arguments)),
      startDirectory_(std::move(startDirectory)),
      services_(std::move(services)),
      settings_(std::make_unique<QtSettingsStore>(settingsPath ? QString::fromStdString(*settingsPath)
                                                               : QtSettingsStore::DefaultPath())) {}

CMardoApp::~CMardoApp() {
  // The window and its form go before the prompts and the settings they use.
  frame_.reset();
}

void CMardoApp::InitInstance() {
  prompts_ = std::make_unique<MessageBoxPrompts>(nullptr);
  shell_ = std::make_unique<QtDesktopShell>();
  FormServices services;
  if (services_) {
    services = *services_;
  } else {
    services.prompts = prompts_.get();
    services.shell = shell_.get();
    services.chooseFolder = [](QWidget* parent, const QString& start) -> std::optional<QString> {
      const QString chosen = QFileDialog::getExistingDirectory(parent, texts::kChooseDirectory, start);
      if (chosen.isEmpty()) return std::nullopt;
      return chosen;
    };
  }
  frame_ =
      std::make_unique<CMainFrame>(document_, *settings_, std::move(services), arguments_, startDirectory_);
  prompts_->SetParent(frame_.get());
  frame_->Form().OnInitialUpdate(*settings_);
  settings_->Sync();
  frame_->setWindowTitle(frame_->Form().Title());
  frame_->PlaceOnScreen();

  // The end of a session (SIGTERM) or Ctrl+C in the terminal closes the window as File/Exit does,
  // so that the settings are saved.
  const int terminationFd = TerminationSignalPipe();
  if (terminationFd >= 0) {
    auto* notifier = new QSocketNotifier(terminationFd, QSocketNotifier::Read, frame_.get());
    QObject::connect(notifier, &QSocketNotifier::activated, frame_.get(), [this, terminationFd] {
      char drained[16];
      while (::read(terminationFd, drained, sizeof drained) > 0) {
      }
      frame_->close();
    });
  }
  frame_->show();
  // Catalogs the load passed over are named once the window shows.
  frame_->Form().ReportLoadProblems();
}

}  // namespace mardo
