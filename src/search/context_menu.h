#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/command_ids.h"
#include "search/form_tab.h"

namespace mardo {

class Catalog;
class FileRecord;

// One item of the lists' context menu: a command with its label, or a separator (command 0).
struct MenuItem {
  int32_t command = 0;
  std::string label;

  bool IsSeparator() const { return command == 0; }
  bool operator==(const MenuItem&) const = default;
};

// The string-table text of a command (label, line feed, tool tip), or "" for an unknown id.
std::string_view CommandText(int32_t command);
// A menu label from a string-table text: the text before its first line feed, at most 256 bytes
// (never cutting a UTF-8 character).
std::string MenuLabel(std::string_view stringTableText);
// MenuLabel of the command's text.
std::string CommandLabel(int32_t command);

// The context menu of the current list, top to bottom. `selectedRows` counts the selected rows of
// the list; `focusedFile` (Search and Directory tabs) or `focusedCatalog` (Catalog tab) is the
// record of the focused row, nullptr when no row has the focus. The open items (for one selected
// row of a catalog of version 2 or later) and Refresh stand first, then "Display parent
// directory" on the Directory tab or "Delete selected catalogs" on the Catalog tab, then in
// expert mode "Delete selected files" (never on the Catalog tab), each block closed by a
// separator, and last "Copy selected rows to the clipboard".
std::vector<MenuItem> BuildContextMenu(FormTab tab, int32_t selectedRows, const FileRecord* focusedFile,
                                       const Catalog* focusedCatalog, bool expertMode);

// Whether a command may run now: copying rows and deleting catalogs need at least one selected row
// in the current list; every other command is always enabled.
bool CommandEnabled(int32_t command, int32_t selectedRowsOfCurrentList);

}  // namespace mardo
