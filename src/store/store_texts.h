#pragma once

// Texts of the catalog store shown to the user, in one place.
namespace mardo::texts {

inline constexpr const char* kReallyDelete = "Really want to delete ?";
inline constexpr const char* kCatalogNotDeleted = "The catalog file '%s' could not be deleted: %s";

}  // namespace mardo::texts
