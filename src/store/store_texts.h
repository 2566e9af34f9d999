#pragma once

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

}  // namespace mardo::texts
