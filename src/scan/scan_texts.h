#pragma once

// Texts of the scanning subsystem shown to the user, in one place.
namespace mardo::texts {

inline constexpr const char* kTooManyDirectories =
    "The tree holds more than 32768 directories, more than one catalog can hold. "
    "Catalogue its subdirectories one by one.";

}  // namespace mardo::texts
