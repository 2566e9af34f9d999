#pragma once

#include <string>
#include <string_view>

namespace mardo {

// The volume-relative path of a directory given in the form of another platform's catalogs:
// "E:" gives "", "E:\docs\old" gives "\docs\old", "\\srv\share" gives "", "\\srv\share\docs"
// gives "\docs"; any other path is kept whole.
std::string WindowsVolumeRelativePath(std::string_view path);

}  // namespace mardo
