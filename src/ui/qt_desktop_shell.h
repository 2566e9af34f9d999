#pragma once

#include "platform/desktop_applications.h"
#include "platform/desktop_shell.h"

namespace mardo {

// The Linux desktop: default applications by MIME type (xdg-open semantics, and the MIME
// associations for a program started on its own), the file manager over D-Bus
// (org.freedesktop.FileManager1) with the folder opened as the fallback, and the freedesktop
// trash. No request goes through a shell's command line.
class QtDesktopShell final : public DesktopShell {
 public:
  QtDesktopShell();

  ShellResult OpenPath(const std::string& path) override;
  ShellResult OpenDirectory(const std::string& path) override;
  ShellResult ShowInFolder(const std::string& file) override;
  ShellResult StartDefaultApplication(const std::string& file) override;
  ShellResult MoveToTrash(const std::string& path) override;

 private:
  DesktopApplications applications_;
};

}  // namespace mardo
