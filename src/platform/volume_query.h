#pragma once

#include <cstdint>
#include <string>

#include "platform/mount_table.h"

namespace mardo {

// Where the platform reads the mount table and the device links. Tests point these at fixtures.
struct SystemPaths {
  std::string mountInfo = MountTable::kDefaultPath;
  std::string devDirectory = "/dev";  // holds disk/by-label and disk/by-uuid
};

// What identification learns of the file system that holds a directory.
struct VolumeIdentity {
  bool ok = false;
  std::string error;          // the system's text when the path is missing or not a directory
  std::string canonicalPath;  // the directory with every link resolved
  std::string mountPoint;     // its file system's mount point ("/" when the table is silent)
  std::string label;          // empty when the file system has none
  uint32_t serial = 0;
};

// Label, serial number and free space of mounted file systems. The mount table is read anew at
// each call, since media come and go while the program runs.
class VolumeQuery {
 public:
  explicit VolumeQuery(SystemPaths paths = {});

  MountTable Mounts() const;

  // The label is the name of the disk/by-label link that leads to the mount's device; the serial
  // number comes from its disk/by-uuid link ("ABCD-1234" gives 0xABCD1234, 16 hex digits their low
  // 32 bits, other UUIDs their first 8 hex digits), else from the low 32 bits of the file system
  // id. Links match the device by device number or by path.
  VolumeIdentity Identify(const std::string& path) const;

  // All free bytes of the file system holding `path` (not the caller's quota) in MiB; -1 for a
  // CD-ROM (iso9660, udf or a /dev/sr* device) and when it cannot be told.
  float FreeSpace(const std::string& path) const;

  static bool IsCdRom(const Mount& mount);
  // The 32-bit serial number a UUID text stands for.
  static uint32_t SerialFromUuid(std::string_view uuid);
  // Undoes udev's \xHH escapes in a link name.
  static std::string DecodeLinkName(std::string_view name);

 private:
  // The decoded name of the first link in `dir` that leads to the mount's device, or "".
  std::string LinkNameFor(const std::string& dir, const Mount& mount) const;

  SystemPaths paths_;
};

}  // namespace mardo
