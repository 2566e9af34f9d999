#pragma once

#include <string>
#include <string_view>

namespace mardo {

// The window title: "Mardo - %s" with the last component of the start directory (empty for "/").
std::string WindowTitle(std::string_view startDirectory);

}  // namespace mardo
