#pragma once

#include <filesystem>
#include <string>

#include "platform/volume_query.h"
#include "support/temp_tree.h"

namespace mardo::test {

// A temporary machine: real directories standing for mounted media, a mount table that makes them
// mount points, and /dev/disk links that give them labels and serial numbers.
//
//   <tmp>/media/usb    vfat on /dev/sdb1, label PHOTOS, uuid ABCD-1234
//   <tmp>/media/disk   ntfs on /dev/sdc1, label "My Disk", uuid 0123456789ABCDEF
//   <tmp>/media/plain  ext4 on /dev/sdd1, no label, uuid 550e8400-e29b-41d4-a716-446655440000
//   <tmp>/media/cdrom  iso9660 on /dev/sr0, label CD_2000
//   <tmp>/net/share    cifs from //srv/share: no links at all
class VolumeFixture {
 public:
  VolumeFixture() {
    for (const char* dir : {"media/usb", "media/disk", "media/plain", "media/cdrom", "net/share"})
      tmp.MakeDir(dir);
    tmp.MakeDir("dev/disk/by-label");
    tmp.MakeDir("dev/disk/by-uuid");
    for (const char* device : {"sdb1", "sdc1", "sdd1", "sr0"}) tmp.MakeFile(std::string("dev/") + device);
    tmp.MakeSymlink("dev/disk/by-label/PHOTOS", "../../sdb1");
    tmp.MakeSymlink("dev/disk/by-label/My\\x20Disk", "../../sdc1");
    tmp.MakeSymlink("dev/disk/by-label/CD_2000", "../../sr0");
    SetUuid("sdb1", "ABCD-1234");
    SetUuid("sdc1", "0123456789ABCDEF");
    SetUuid("sdd1", "550e8400-e29b-41d4-a716-446655440000");
    const std::string t = tmp.Path();
    tmp.MakeFile("mountinfo", 0, -1,
                 "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                 "30 20 8:17 / " +
                     t +
                     "/media/usb rw - vfat /dev/sdb1 rw\n"
                     "31 20 8:33 / " +
                     t +
                     "/media/disk rw - ntfs3 /dev/sdc1 rw\n"
                     "32 20 8:49 / " +
                     t +
                     "/media/plain rw - ext4 /dev/sdd1 rw\n"
                     "33 20 11:0 / " +
                     t +
                     "/media/cdrom ro - iso9660 /dev/sr0 ro\n"
                     "34 20 0:60 / " +
                     t + "/net/share rw - cifs //srv/share rw\n");
    paths.mountInfo = tmp / "mountinfo";
    paths.devDirectory = tmp / "dev";
  }

  // Points the uuid link of a device at a new uuid (another medium in the same drive).
  void SetUuid(const std::string& device, const std::string& uuid) {
    const std::string dir = tmp / "dev/disk/by-uuid";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (std::filesystem::read_symlink(entry.path()).filename() == device)
        std::filesystem::remove(entry.path());
    }
    tmp.MakeSymlink("dev/disk/by-uuid/" + uuid, "../../" + device);
  }

  std::string Usb() const { return tmp / "media/usb"; }

  TempDir tmp;
  SystemPaths paths;
};

}  // namespace mardo::test
