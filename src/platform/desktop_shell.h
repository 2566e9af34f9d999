#pragma once

#include <string>
#include <utility>

namespace mardo {

// What a request to the desktop gave.
struct ShellResult {
  enum class Failure { kNone, kNoSuchFile, kNoSuchDirectory, kPermissionDenied, kNoApplication, kOther };

  Failure failure = Failure::kNone;
  // The system's own text of a kOther failure (may be empty).
  std::string systemText;

  bool Succeeded() const { return failure == Failure::kNone; }
  static ShellResult Fail(Failure failure, std::string systemText = {}) {
    return {failure, std::move(systemText)};
  }
};

// How the program hands entries to the desktop: default applications, the file manager and the
// trash. The window implements it with the desktop's services; tests script it. Every path is
// a native path; nothing goes through a shell's command line.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // Opens a file or directory with the desktop's default application for it.
  virtual ShellResult OpenPath(const std::string& path) = 0;
  // Opens a directory in the file manager.
  virtual ShellResult OpenDirectory(const std::string& path) = 0;
  // Shows the file manager's view of the file's folder with the file selected.
  virtual ShellResult ShowInFolder(const std::string& file) = 0;
  // Starts the default application of the file's type as a process of its own, with the file
  // as its one argument, and does not wait for it. kNoApplication when the type has none.
  virtual ShellResult StartDefaultApplication(const std::string& file) = 0;
  // Moves one file to the user's trash.
  virtual ShellResult MoveToTrash(const std::string& path) = 0;
};

// The reason given for a path that is not absolute.
inline constexpr const char* kNotAbsolutePath = "it is not an absolute path";

// Whether `path` can be handed to the desktop, as far as the file system can tell before the
// desktop is asked: kNoSuchFile when it is missing from a directory that exists, kNoSuchDirectory
// when a directory on the way is missing (a medium that is not mounted), kPermissionDenied when a
// directory on the way may not be searched, kOther when it is not an absolute path (only those are
// ever handed on). A final link is not followed.
ShellResult ProbeShellTarget(const std::string& path);

}  // namespace mardo
