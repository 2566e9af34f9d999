#pragma once

#include <string>
#include <string_view>

namespace mardo {

class MountTable;

// The volume-relative path of a directory given in the form of another platform's catalogs:
// "E:" gives "", "E:\docs\old" gives "\docs\old", "\\srv\share" gives "", "\\srv\share\docs"
// gives "\docs"; any other path is kept whole.
std::string WindowsVolumeRelativePath(std::string_view path);

struct VolumeSplit {
  std::string volumeRoot;  // ends in its separator: "/media/usb/", "E:\", "\\srv\share\"
  std::string rest;        // below the root, in catalog form ("\photos\2000"); "" at the root
};

// Splits a root path into its volume root and the rest. A path with a drive letter or a leading
// backslash keeps the rules of catalogs made elsewhere. A native path splits at the mount point
// that holds it (a relative one is first taken from `currentDirectory`). One trailing separator
// is ignored; an empty path gives two empty strings.
VolumeSplit SplitVolumePath(std::string_view path, const MountTable& mounts,
                            std::string_view currentDirectory);

// The split of an absolute native path at a known mount point.
VolumeSplit SplitAtMountPoint(std::string_view mountPoint, std::string_view nativePath);

}  // namespace mardo
