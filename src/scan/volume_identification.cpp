#include "scan/volume_identification.h"

#include <cerrno>

#include "platform/file_system.h"
#include "platform/volume_query.h"
#include "scan/volume_path.h"
#include "store/catalog_library.h"

namespace mardo {

std::string ProposeLabel(std::string_view text) {
  if (text.substr(0, 2) != "[\\" || text.substr(0, 3) == "[\\\\") return std::string(text);
  const size_t last = text.rfind('\\');
  return std::string(text.substr(last, text.size() - 1 - last));
}

IdentifiedVolume IdentifyVolume(std::string_view rootPath, const VolumeQuery& volumes,
                                const CatalogLibrary& library) {
  IdentifiedVolume result;
  if (rootPath.empty()) return result;

  VolumeSplit split;
  std::string label;
  if (rootPath[0] == '\\' || (rootPath.size() >= 2 && rootPath[1] == ':')) {
    // A root of another platform: there is no such volume here.
    result.outcome = IdentifiedVolume::Outcome::kFailed;
    result.error = SystemErrorText(ENOENT);
    return result;
  }
  const VolumeIdentity identity = volumes.Identify(std::string(rootPath));
  if (!identity.ok) {
    result.outcome = IdentifiedVolume::Outcome::kFailed;
    result.error = identity.error;
    return result;
  }
  split = SplitAtMountPoint(identity.mountPoint, identity.canonicalPath);
  label = identity.label;
  result.serialNumber = identity.serial;

  std::string_view rest = split.rest;
  if (!rest.empty() && rest != "\\") {
    if (rest.size() >= 2 && rest[1] == ':') rest.remove_prefix(2);
    label = "[" + std::string(rest) + "]";
  }
  if (label.empty()) label = "[" + split.volumeRoot + "]";

  result.outcome = IdentifiedVolume::Outcome::kIdentified;
  result.volumeRoot = split.volumeRoot;
  result.volumeLabel = label;
  result.catalogName = library.NameForVolume(label, result.serialNumber);
  result.proposed = ProposeLabel(result.catalogName.empty() ? result.volumeLabel : result.catalogName);
  return result;
}

bool HoldsCataloguedVolume(const Catalog& catalog, const VolumeQuery& volumes) {
  const std::string& root = catalog.volumeRoot;
  if (root.empty() || root[0] != '/') return false;
  const VolumeIdentity identity = volumes.Identify(root);
  return identity.ok && identity.serial == catalog.serialNumber &&
         SplitAtMountPoint(identity.mountPoint, identity.canonicalPath).volumeRoot == root;
}

}  // namespace mardo
