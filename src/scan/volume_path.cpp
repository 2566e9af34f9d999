#include "scan/volume_path.h"

namespace mardo {

std::string WindowsVolumeRelativePath(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(2));
  if (path.substr(0, 2) == "\\\\") {
    size_t i = 2;
    while (i < path.size() && path[i] != '\\') ++i;  // server
    if (i < path.size()) ++i;
    while (i < path.size() && path[i] != '\\') ++i;  // share
    return std::string(path.substr(i));
  }
  return std::string(path);
}

}  // namespace mardo
