#pragma once

namespace mardo::texts {

// The application's title: the caption of every message box that has none of its own.
inline constexpr const char* kApplicationTitle = "Mardo";

}  // namespace mardo::texts
