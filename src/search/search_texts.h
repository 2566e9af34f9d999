#pragma once

// Texts of the search and of the lists, in one place.
namespace mardo::texts {

inline constexpr const char* kDefineCondition = "Define at least one search condition.";

// The tabs of the form, their labels and the hints they write into the message pane.
inline constexpr const char* kTabLabels[] = {"Search", "Directory", "Catalog"};
inline constexpr const char* kTabHints[] = {
    "Type a part of filename and push Search",
    "Doubleclick on directory shows its content",
    "Select volume root and push Add to catalogize",
};
inline constexpr const char* kCatalogsLoaded = "%d catalogs loaded";

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

}  // namespace mardo::texts
