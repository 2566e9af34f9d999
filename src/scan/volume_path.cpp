#include "scan/volume_path.h"

#include "platform/catalog_path.h"
#include "platform/mount_table.h"

namespace mardo {
namespace {

VolumeSplit SplitWindowsPath(std::string_view path) {
  VolumeSplit split;
  if (path[0] == '\\') {
    // "\\server\share" and everything from the backslash after the share.
    size_t i = std::min<size_t>(2, path.size());
    while (i < path.size() && path[i] != '\\') ++i;
    const size_t server = i;
    if (i < path.size()) ++i;
    while (i < path.size() && path[i] != '\\') ++i;
    split.volumeRoot =
        std::string(path.substr(0, server)) + "\\" +
        std::string(path.substr(std::min(server + 1, path.size()), i - std::min(server + 1, i))) + "\\";
    split.rest = std::string(path.substr(i));
    return split;
  }
  const size_t colon = path.find(':');
  if (colon == std::string_view::npos) {
    split.volumeRoot = std::string(path) + "\\";
    return split;
  }
  split.volumeRoot = std::string(path.substr(0, colon + 1)) + "\\";
  split.rest = std::string(path.substr(colon + 1));
  return split;
}

}  // namespace

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

VolumeSplit SplitVolumePath(std::string_view path, const MountTable& mounts,
                            std::string_view currentDirectory) {
  if (path.empty()) return {};
  if (path[0] == '\\' || (path.size() >= 2 && path[1] == ':')) {
    if (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
    return SplitWindowsPath(path);
  }
  std::string native(path);
  if (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native[0] != '/') {
    std::string base(currentDirectory);
    if (base.empty() || base.back() != '/') base.push_back('/');
    native = base + native;
  }
  const Mount* mount = mounts.Find(native);
  return SplitAtMountPoint(mount != nullptr ? std::string_view(mount->mountPoint) : "/", native);
}

VolumeSplit SplitAtMountPoint(std::string_view mountPoint, std::string_view nativePath) {
  VolumeSplit split;
  split.volumeRoot = std::string(mountPoint);
  if (split.volumeRoot != "/") split.volumeRoot.push_back('/');
  split.rest = CatalogPathFromNative(mountPoint, nativePath);
  return split;
}

}  // namespace mardo
