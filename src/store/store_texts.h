#pragma once

#include <cstddef>

// Texts of the catalog store shown to the user, in one place.
namespace mardo::texts {

inline constexpr const char* kReallyDelete = "Really want to delete ?";
// Why a catalog file was not loaded, when the file system gave no reason of its own.
inline constexpr const char* kNotACatalogFile = "not a catalog file";
inline constexpr const char* kNewerCatalogFormat = "a catalog of a newer format";
inline constexpr const char* kCatalogDamaged = "a damaged catalog file";
inline constexpr const char* kCatalogTooLarge = "not enough memory to read it";
// Why a catalog file was not written.
inline constexpr const char* kTextTooLong = "a path or label is longer than a catalog file holds (16 MiB)";
inline constexpr const char* kCatalogNotDeleted = "The catalog file '%s' could not be deleted: %s";
// After loading: catalog directories that cannot be read and catalog files that were skipped.
inline constexpr const char* kUnreadableCatalogDirectories =
    "These catalog directories cannot be read, so their catalogs are not loaded:";
inline constexpr const char* kSkippedCatalogFiles = "These catalog files are not loaded:";
inline constexpr const char* kLoadProblem = "\n%s: %s";
inline constexpr const char* kMoreLoadProblems = "\n... and %d more";
inline constexpr size_t kMaxNamedLoadProblems = 20;
// One catalog in the details of a question about catalogs: its name and its file.
inline constexpr const char* kCatalogAndFile = "%s (%s)";

}  // namespace mardo::texts
