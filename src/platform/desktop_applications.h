#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// The desktop's default applications by MIME type, as freedesktop.org defines them:
// the "Default Applications" of the mimeapps.list files, then the applications that the
// mimeinfo.cache files list for the type, each desktop entry found in the applications
// directories of the data directories.
class DesktopApplications {
 public:
  // Where the lists and the desktop entries are looked for, most important first.
  struct Directories {
    std::vector<std::string> config;  // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    std::vector<std::string> data;    // $XDG_DATA_HOME, then $XDG_DATA_DIRS
  };

  // The directories of this user's environment, with freedesktop.org's defaults.
  static Directories FromEnvironment();

  explicit DesktopApplications(Directories directories) : directories_(std::move(directories)) {}

  // The program and its arguments that open `file` with the default application of `mimeType`,
  // or nothing when the type has no application that can be started. The file is one argument of
  // its own (a file URL where the entry asks for one); nothing goes through a shell.
  std::optional<std::vector<std::string>> CommandFor(std::string_view mimeType,
                                                     const std::string& file) const;

  // The arguments of a desktop entry's Exec value with its field codes filled in for `file`
  // (%f %F: the path; %u %U: its file URL; %i %c %k and unknown codes dropped; %% a percent);
  // nothing when the value does not parse. Quoting is that of freedesktop.org's desktop entries.
  static std::optional<std::vector<std::string>> ExecArguments(std::string_view exec,
                                                               const std::string& file);

  // The file URL of a native path: "file://" and the path's bytes, percent-encoded except for
  // letters, digits, '-', '.', '_', '~' and '/'.
  static std::string FileUrl(std::string_view path);

 private:
  // The Exec value of the desktop entry `id` ("org.example.App.desktop"), if it exists, is an
  // application that is not hidden, and has one.
  std::optional<std::string> ExecOf(std::string_view id) const;

  Directories directories_;
};

}  // namespace mardo
