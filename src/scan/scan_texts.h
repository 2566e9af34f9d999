#pragma once

// Texts of the scanning subsystem shown to the user, in one place.
namespace mardo::texts {

inline constexpr const char* kTooManyDirectories =
    "The tree holds more than 32768 directories, more than one catalog can hold. "
    "Catalogue its subdirectories one by one.";

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
inline constexpr const char* kCannotRefresh =
    "The catalog file cannot be refreshed, because the medium '%s' \r\nis not present in original device "
    "(%s). "
    "Insert it and try again.";

}  // namespace mardo::texts
