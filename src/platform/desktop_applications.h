#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// The command that opens a file with a desktop application.
struct DesktopCommand {
  std::vector<std::string> arguments;  // the program, then its arguments
  bool terminal = false;               // the entry asks to be run in a terminal (Terminal=true)

  bool operator==(const DesktopCommand&) const = default;
};

// The desktop's default applications by MIME type, as freedesktop.org defines them:
// the "Default Applications" of the mimeapps.list files, then the applications that the
// mimeinfo.cache files list for the type, each desktop entry found in the applications
// directories of the data directories. A type without an application of its own is opened by an
// application of the types it is a kind of (text/x-python by that of text/plain).
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

  // The command that opens `file` with the default application of its type, or nothing when no
  // application can be started for it. `mimeTypes` is the file's type, then the types it is a
  // kind of, nearest first (its ancestors: "text/x-python", "application/x-executable",
  // "text/plain", ...): the defaults of each type in that order are tried first, then the other
  // applications of each type. The file is one argument of its own (a file URL where the entry
  // asks for one); nothing goes through a shell.
  std::optional<DesktopCommand> CommandFor(std::span<const std::string> mimeTypes,
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
  // application that is not hidden, and has one; with whether it wants a terminal.
  struct Entry {
    std::string exec;
    bool terminal = false;
  };
  std::optional<Entry> EntryOf(std::string_view id) const;

  Directories directories_;
};

}  // namespace mardo
