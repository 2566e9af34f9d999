#pragma once

#include <cstdint>

#include "search/command_ids.h"

// Texts of the search and of the lists, in one place.
namespace mardo::texts {

inline constexpr const char* kDefineCondition = "Define at least one search condition.";
// A condition's text read otherwise than typed; the search keeps its reading.
inline constexpr const char* kDateReadAs =
    "Note: the date '%s' is read as %s (dates are YYMMDD, YYMM or YY, -N for N days ago, or none for "
    "today)";
inline constexpr const char* kLengthReadAs =
    "Note: the length %s is read as %ld, the largest length a catalog holds";

// The tabs of the form, their labels and the hints they write into the message pane.
inline constexpr const char* kTabLabels[] = {"Search", "Directory", "Catalog"};
inline constexpr const char* kTabHints[] = {
    "Type a part of filename and push Search",
    "Doubleclick on directory shows its content",
    "Select volume root and push Add to catalogize",
};
inline constexpr const char* kCatalogsLoaded = "%d catalogs loaded";
// A number field holding something else when its value is needed.
inline constexpr const char* kEnterInteger = "Please enter an integer.";

// Directory browsing.
inline constexpr const char* kSelectOneRow =
    "At first select one row from Search results or Catalog list\nto see the files in same directory.";
inline constexpr const char* kSelectDirectoryRow = "Select a Directory row !";
inline constexpr const char* kListingCut =
    "Only the first %d entries of this directory are listed (Hit limit)";
inline constexpr const char* kDirectoryCell = "Directory";
inline constexpr const char* kUnknownFreeSpace = "---N/A---";

// Date formats of the three lists (strftime), used until settings say otherwise.
inline constexpr const char* kDefaultResultDateFormat = "%y-%m-%d";
inline constexpr const char* kDefaultDirDateFormat = "%y-%m-%d %H:%M:%S";
inline constexpr const char* kDefaultCatalogDateFormat = "%y-%m-%d %H:%M:%S";

// The operator boxes and the search-mode box, in index order.
inline constexpr const char* kOperatorTexts[] = {" ", "<", "<=", "=", ">=", ">"};
inline constexpr const char* kModeTexts[] = {"Standard search", "Duplicates", "Same names"};

// Why the desktop could not open an entry, by the code of the failure ("The file '%s' cannot be
// opened.\r\n %s"). Codes without a text give the empty reason.
inline constexpr const char* kCannotOpen = "The file '%s' cannot be opened.\r\n %s";
struct OpenFailureReason {
  int code;
  const char* text;
};
inline constexpr OpenFailureReason kOpenFailureReasons[] = {
    {0, "The operating system is out of memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied access to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {26, "A sharing violation occurred."},
    {27, "The filename association is incomplete or invalid."},
    {28, "The DDE transaction could not be completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not be completed because other DDE transactions were being processed."},
    {31, "There is no application associated with the given filename extension."},
};

// Why an entry cannot be handed to the desktop: the reason part of kCannotOpen and of the lists
// below.
inline constexpr const char* kOldCatalog =
    "Its catalog is of an old format that does not record the volume root.";
inline constexpr const char* kOtherSystemRoot =
    "It was catalogued on another system (volume root %s) and cannot be reached from here.";
inline constexpr const char* kNotLocatable = "Its catalog does not tell where it lies on the volume.";
inline constexpr const char* kRelativeRoot =
    "Its catalog gives the volume root '%s', which is not an absolute path, so it cannot be reached.";
// The medium at the catalog's root is not the catalogued one: after an open that found no file, and
// in place of a delete.
inline constexpr const char* kOtherMedium =
    "\r\n The medium '%s' is not present in original device (%s). Insert it and try again.";
inline constexpr const char* kNotDeletedOtherMedium =
    "Nothing was moved to the trash, because the medium '%s' \r\nis not present in original device (%s). "
    "Insert it and try again.";

// The string-table texts of the row commands. The part before the first line feed labels the
// context-menu item; the rest is the tool tip.
struct CommandText {
  int32_t command;
  const char* text;
};
inline constexpr CommandText kCommandTexts[] = {
    {command::kCopySelectedRows, "Copy selected rows to the clipboard\nCopy to clipboard"},
    {command::kDisplayParent, "Display parent directory"},
    {command::kDeleteSelectedCatalogs, "Delete selected catalogs\nDelete "},
    {command::kOpen, "Open"},
    {command::kOpenInNewWindow, "Open in New Window"},
    {command::kExplore, "Explore"},
    {command::kRefresh, "Refresh"},
    {command::kSelectAll, "Select all rows"},
    {command::kExploreParent, "Explore parent directory"},
    {command::kDeleteSelectedFiles, "Delete selected files"},
};

// Clipboard rows of the catalog list: the free space when it is unknown.
inline constexpr const char* kCopyUnknownFreeSpace = "--N/A--";

// Files left out of a drag or a delete, and why: one line per file after the heading, at most
// kMaxListedFiles of them, then the count of the others.
inline constexpr const char* kLeftOutOfDrag =
    "These files are not dragged, since the program cannot tell where they lie on this system:";
inline constexpr const char* kNotTrashed =
    "These files could not be moved to the trash and stay in their catalogs:";
inline constexpr const char* kFileAndReason = "\n%s: %s";
inline constexpr const char* kMoreFiles = "\n... and %d more";
inline constexpr int32_t kMaxListedFiles = 20;
inline constexpr const char* kNoTrash = "there is no trash to move it to";
inline constexpr const char* kTrashStranded = "there is no trash to move it to, and it was left at %s";

}  // namespace mardo::texts
