#include "platform/desktop_shell.h"

#include <cerrno>

#include <sys/stat.h>

#include "platform/file_system.h"

namespace mardo {

ShellResult ProbeShellTarget(const std::string& path) {
  using Failure = ShellResult::Failure;
  if (path.empty()) return ShellResult::Fail(Failure::kNoSuchFile);
  // A relative path would be taken from the current directory, and one beginning with '-' read as
  // an option by the program it is handed to.
  if (path[0] != '/') return ShellResult::Fail(Failure::kOther, kNotAbsolutePath);
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return {};
  const int error = errno;
  switch (error) {
    case ENOENT: {
      // Missing itself, or missing on the way?
      const std::string parent = ParentDirectory(path);
      const bool parentIsDirectory = ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      return ShellResult::Fail(parentIsDirectory ? Failure::kNoSuchFile : Failure::kNoSuchDirectory);
    }
    case ENOTDIR:
      return ShellResult::Fail(Failure::kNoSuchDirectory);
    case EACCES:
    case EPERM:
      return ShellResult::Fail(Failure::kPermissionDenied);
    default:
      return ShellResult::Fail(Failure::kOther, SystemErrorText(error));
  }
}

}  // namespace mardo
