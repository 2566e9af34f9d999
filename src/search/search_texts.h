#pragma once

// Texts of the search and of the lists, in one place.
namespace mardo::texts {

inline constexpr const char* kDefineCondition = "Define at least one search condition.";
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
