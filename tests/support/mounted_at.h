#pragma once

#include <string>

#include "platform/mount_table.h"

namespace mardo::test {

// A mount table in which `mountPoint` is a file system of its own, below the root file system.
inline MountTable MountedAt(const std::string& mountPoint) {
  return MountTable::Parse("20 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 20 8:17 / " + mountPoint +
                           " rw - vfat /dev/sdb1 rw\n");
}

}  // namespace mardo::test
