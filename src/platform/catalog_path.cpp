#include "platform/catalog_path.h"

namespace mardo {

std::string CatalogPathFromNative(std::string_view mountPoint, std::string_view nativePath) {
  std::string_view rest = nativePath;
  if (mountPoint != "/" && rest.substr(0, mountPoint.size()) == mountPoint)
    rest.remove_prefix(mountPoint.size());
  // Empty components ("//") are dropped; every other one gets a '\' before it.
  std::string out;
  out.reserve(rest.size() + 1);
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && rest[i] == '/') ++i;
    const size_t start = i;
    while (i < rest.size() && rest[i] != '/') ++i;
    if (i > start) {
      out.push_back('\\');
      out.append(rest.substr(start, i - start));
    }
  }
  return out;
}

std::string NativePathFromCatalog(std::string_view volumeRoot, std::string_view catalogPath) {
  std::string out(volumeRoot);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  for (char c : catalogPath) {
    if (c == '\\') {
      if (out.empty() || out.back() != '/') out.push_back('/');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool IsWindowsStylePath(std::string_view path) {
  return (path.size() >= 2 && path[1] == ':') || path.substr(0, 2) == "\\\\";
}

}  // namespace mardo
