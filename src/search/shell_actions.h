#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/desktop_shell.h"
#include "search/form_tab.h"

namespace mardo {

class Catalog;
class CatalogLibrary;
class FileRecord;
class UserPrompts;
class VolumeQuery;

// The three ways of handing the focused entry to the desktop.
enum class OpenMode : int32_t {
  kOpen = 0,  // "Open": the default application (a directory: its default too)
  kNewWindowOrExplore =
      1,  // a file: its default application as a process of its own; a directory: the file manager
  kExploreParent = 2,  // a file: its folder in the file manager; a directory: the directory itself
};

// The mode of commands 32774, 32775 and 32779; nothing for any other command.
std::optional<OpenMode> OpenModeOfCommand(int32_t command);

// Which DesktopShell call an open makes.
enum class ShellCall { kNone, kOpenPath, kOpenDirectory, kShowInFolder, kStartDefaultApplication };

struct ShellOpenPlan {
  ShellCall call = ShellCall::kNone;
  std::string target;       // the native path handed to the shell
  std::string messagePath;  // the path a failure message names: the directory in kExploreParent
  // Set when the entry has no native path here (call is kNone): the reason for the message.
  std::string unreachable;
};

// What OpenWithShell does for the focused row's entry (nullptr: no focused row). Nothing at all
// for a catalog older than version 2, which records no volume root.
ShellOpenPlan PlanOpenWithShell(const FileRecord* focused, OpenMode mode);

struct OpenOutcome {
  bool attempted = false;  // the desktop was asked
  bool succeeded = false;
  std::string message;  // what the user was shown; empty for nothing
};

// Carries the plan out. A failure is shown as "The file '%s' cannot be opened.\r\n %s" (exclamation
// icon) with the reason the desktop gave; an entry without a native path here gets the same message
// with the reason why. When the file manager cannot select a file that is gone, its folder is
// opened instead. When the file or its directory is missing and the medium at the catalog's root
// is not the catalogued one (`volumes` tells), the message says so.
OpenOutcome OpenWithShell(const FileRecord* focused, OpenMode mode, DesktopShell& shell, UserPrompts& prompts,
                          const VolumeQuery& volumes);

// The reason text of an open failure code; codes without a text give "".
std::string OpenFailureReason(int code);
// The reason text of a failed shell call: the text of the matching code (no such file 2, no such
// directory 3, permission denied 5, no application 31), or the system's own text.
std::string ShellFailureReason(const ShellResult& result);

struct DeleteFilesResult {
  bool confirmed = false;               // the user answered Yes
  int32_t removed = 0;                  // records destroyed; their files are in the trash
  std::vector<std::string> trashed;     // the native paths moved to the trash, in row order
  std::vector<const FileRecord*> kept;  // selected file rows whose file stayed; still loaded
  std::vector<const Catalog*> changed;  // catalogs that lost records
  std::string message;                  // the failure list shown to the user; empty when none
};

// Deletes the files of the selected rows (given in row order) after the question "Really want to
// delete ?": nothing more on the Catalog tab or without a file row. Before anything is trashed, the
// volume mounted at the root of each catalog involved is identified (`volumes`): unless it is the
// catalogued medium, nothing is deleted and the user is told which medium is missing, since another
// medium at the same place may hold files of the same names. Each file goes to the trash on its
// own; directory rows are passed over. The records of the trashed files are destroyed through the
// library (its observers drop their rows first); the catalog files on disk stay as they are. Files
// that could not be trashed keep their records and are listed in one message.
DeleteFilesResult DeleteSelectedFiles(CatalogLibrary& library, UserPrompts& prompts, DesktopShell& shell,
                                      const VolumeQuery& volumes, FormTab currentTab,
                                      std::span<const FileRecord* const> selected);

}  // namespace mardo
