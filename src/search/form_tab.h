#pragma once

#include <cstdint>

namespace mardo {

// The three tabs of the form, by their index in the tab strip.
enum class FormTab : int32_t { kSearch = 0, kDirectory = 1, kCatalog = 2 };

}  // namespace mardo
