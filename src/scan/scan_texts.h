#pragma once

#include "base/app_title.h"

// Texts of the scanning subsystem shown to the user, in one place.
namespace mardo::texts {

inline constexpr const char* kScanProgress = "Wait, please... %lld entries, reading %s";
inline constexpr const char* kTooManyEntries =
    "The tree holds more than 2147483647 entries, more than one catalog can hold. "
    "Catalogue its subdirectories one by one.";
// After a scan that left some directories empty because they could not be read.
inline constexpr const char* kUnreadableDirectories = "%d directories could not be read";
// The same with their paths, one per line after the heading.
inline constexpr const char* kUnreadableOneListed =
    "1 directory could not be read and is catalogued as empty:";
inline constexpr const char* kUnreadableListed =
    "%d directories could not be read and are catalogued as empty:";
inline constexpr const char* kUnreadableMore = "\n... and %d more";
// An ignore pattern that is not read as it may have been meant: the pattern as typed, then how it
// is read.
inline constexpr const char* kIgnoreNote = "The ignore pattern '%s' %s";
inline constexpr const char* kIgnoreUnterminatedSet = "has a '[' without its ']' and matches no name";
inline constexpr const char* kIgnoreEmptyRange =
    "has the range %s, which holds no character (a range goes from the lower byte to the higher)";
inline constexpr const char* kIgnoreCut = "is longer than %d characters and is cut to its first %d";
// After a scan that left out entries that could not be looked at.
inline constexpr const char* kUnreadableEntries = "%d entries could not be read";

}  // namespace mardo::texts

namespace mardo::texts {

inline constexpr const char* kVolumeLabelError = "Volume label error";
inline constexpr const char* kSelectRoot = "Select Root directory before Add";
inline constexpr const char* kGiveName = "Give a name before Add";
inline constexpr const char* kWaitPlease = "Wait, please...";
inline constexpr const char* kAlreadyExisting = "Already existing. Overwrite ?";
inline constexpr const char* kSameLabel = "Same label already archived.\r\nRemove the previous archive ?";
inline constexpr const char* kFilesAdded = "%ld files added to catalog from %s";
inline constexpr const char* kNoFilesAdded = "No files added to catalog from %s";
inline constexpr const char* kScanCancelled = "Scan cancelled: nothing added to catalog from %s";
inline constexpr const char* kNotWritten = "The catalog file '%s' could not be written.\r\n%s";
// The message pane after a failed write.
inline constexpr const char* kNotWrittenStatus =
    "Nothing added: the catalog file '%s' could not be written (%s)";
// The details of the questions that replace a catalog.
inline constexpr const char* kReplacesCatalog = "Yes replaces the catalog '%s' (%s).";
inline constexpr const char* kCannotRefresh =
    "The catalog file cannot be refreshed, because the medium '%s' \r\nis not present in original device "
    "(%s). "
    "Insert it and try again.";
inline constexpr const char* kRefreshPathCut =
    "The catalog '%s' cannot be refreshed: the path of the directory it was made from was too long to be "
    "stored whole, so that directory is not known.";
inline constexpr const char* kRefreshPathAmbiguous =
    "The catalog '%s' cannot be refreshed: it may have been made from '%s' or from '%s', since a name may "
    "hold a backslash.";

}  // namespace mardo::texts
